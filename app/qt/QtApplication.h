// Starts the program on Qt: single-instance check, the windows, the message loop.
#pragma once

namespace quiret {

int RunQtApplication(int argc, char** argv);

}  // namespace quiret
