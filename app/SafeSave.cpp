// Document saves through the platform's safe replace, reporting errors under the document's name.
#include "app/SafeSave.h"

#include <cstring>
#include <stdexcept>
#include <system_error>

#include "platform/SafeReplace.h"
#include "text/LumoStrings.h"

namespace quiret {

FileIdentity SaveReplacing(const std::string& fileName,
                           const std::function<void(const std::string&)>& write) {
  try {
    return ReplaceFileSafely(fileName, write);
  } catch (const EFileError& e) {
    throw EFileError(fileName, e.ErrorCode());  // name the file the user saves, not the temporary
  } catch (const std::system_error& e) {
    throw EFileError(fileName, e.code().value());
  } catch (const EInPlaceSave& e) {
    if (e.Kind == EInPlaceSave::Problem::NoCopy)
      throw std::runtime_error(
          fileName +
          "\r\n はその場で書き換える必要がありますが、元の内容の控えを作れないため保存できません。\r\n（" +
          e.CopyPath + ": " + std::strerror(e.Code) + "）");
    throw std::runtime_error(
        fileName +
        "\r\n の保存に失敗し、元の内容に戻せませんでした。\r\n元の内容は次のファイルに残っています：\r\n" +
        e.CopyPath);
  }
}

}  // namespace quiret
