// Document saves through the platform's safe replace, reporting errors under the document's name.
#include "app/SafeSave.h"

#include <system_error>

#include "platform/SafeReplace.h"
#include "text/LumoStrings.h"

namespace quiret {

void SaveReplacing(const std::string& fileName, const std::function<void(const std::string&)>& write) {
  try {
    ReplaceFileSafely(fileName, write);
  } catch (const EFileError& e) {
    throw EFileError(fileName, e.ErrorCode());  // name the file the user saves, not the temporary
  } catch (const std::system_error& e) {
    throw EFileError(fileName, e.code().value());
  }
}

}  // namespace quiret
