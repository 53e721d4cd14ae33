// Document saves through the platform's safe replace, reporting errors under the document's name.
#include "app/SafeSave.h"

#include <cstring>
#include <stdexcept>
#include <system_error>

#include "platform/SafeReplace.h"
#include "text/LumoStrings.h"

namespace quiret {

namespace {

std::string FolderText(const std::string& folder) {
  return folder.empty() ? "（状態フォルダーが決まりません）" : folder;
}

}  // namespace

std::optional<FileIdentity> SaveReplacing(
    const std::string& fileName, const std::function<void(const std::string&)>& write,
    const std::function<bool(const std::string& text)>& askUnprotected) {
  SaveOptions options = NotesInStateFolder();
  bool declined = false;
  options.AskUnprotected = [&](const std::string& folder, int error) {
    declined = !askUnprotected(
        fileName + "\r\n はその場で書き換える必要がありますが、元の内容の控えを次のフォルダーに作れません（" +
        std::strerror(error) + "）：\r\n" + FolderText(folder) +
        "\r\n安全に保存できません。このまま上書きしますか？");
    return !declined;
  };
  try {
    return ReplaceFileSafely(fileName, write, options);
  } catch (const EFileError& e) {
    throw EFileError(fileName, e.ErrorCode());  // name the file the user saves, not the temporary
  } catch (const std::system_error& e) {
    throw EFileError(fileName, e.code().value());
  } catch (const EInPlaceSave& e) {
    if (e.Kind == EInPlaceSave::Problem::NoCopy) {
      if (declined) return std::nullopt;
      throw std::runtime_error(
          fileName +
          "\r\n はその場で書き換える必要がありますが、元の内容の控えを作れないため保存できません。\r\n（" +
          FolderText(e.CopyPath) + ": " + std::strerror(e.Code) + "）");
    }
    throw std::runtime_error(
        fileName +
        "\r\n の保存に失敗し、元の内容に戻せませんでした。\r\n元の内容は次のファイルに残っています：\r\n" +
        e.CopyPath);
  }
}

}  // namespace quiret
