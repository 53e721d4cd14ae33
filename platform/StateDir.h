// The program's folder for state that must survive a crash: recovery journals and the notes
// of saves in progress. $XDG_STATE_HOME/quiret, or ~/.local/state/quiret.
#pragma once

#include <string>

namespace quiret {

// The folder's path (not created). Empty when neither XDG_STATE_HOME nor HOME is set.
std::string StateDirPath();

// The folder, created with its parents when missing, mode 0700 for the folder itself.
// Returns "" (and leaves errno set) when it cannot be created or is not a writable folder.
std::string EnsureStateDir();

}  // namespace quiret
