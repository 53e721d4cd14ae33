// TFormBase: the files a user names (the command line, a second start, a drop) and the one
// message that names what of them could not be opened.
#include <algorithm>
#include <exception>

#include "app/UnitQrBase.h"
#include "platform/Files.h"

namespace quiret {

namespace {

constexpr std::size_t kListedEntries = 10;
constexpr std::size_t kEntryBytes = 240;  // a path beyond PATH_MAX must not fill the screen

std::string ReasonText(PathKind kind) {
  switch (kind) {
    case PathKind::Folder:
      return "フォルダーです";
    case PathKind::Special:
      return "通常のファイルではありません";
    case PathKind::Missing:
      return "見つかりません";
    case PathKind::NoAccess:
      return "読み取りが許可されていません";
    case PathKind::TooLong:
      return "名前が長すぎます";
    case PathKind::Regular:
      break;
  }
  return "開けません";
}

// The head and tail of a long entry around "…", cut between UTF-8 characters.
std::string Shortened(const std::string& entry) {
  if (entry.size() <= kEntryBytes) return entry;
  auto boundary = [&](std::size_t at) {
    while (at > 0 && at < entry.size() && (static_cast<unsigned char>(entry[at]) & 0xC0) == 0x80) --at;
    return at;
  };
  const std::size_t head = boundary(kEntryBytes / 2);
  const std::size_t tail = boundary(entry.size() - kEntryBytes / 2);
  return entry.substr(0, head) + "…" + entry.substr(tail);
}

}  // namespace

std::string TFormBase::NotOpenedMessage(const std::vector<std::string>& entries) {
  std::string text = "次のものは開けませんでした。\r\n";
  for (std::size_t i = 0; i < entries.size() && i < kListedEntries; ++i)
    text += "   " + Shortened(entries[i]) + "\r\n";
  if (entries.size() > kListedEntries)
    text += "．．．ほか " + std::to_string(entries.size() - kListedEntries) + " 件\r\n";
  return text;
}

void TFormBase::ReportNotOpened(const std::vector<std::string>& entries) {
  if (!entries.empty()) ui_.Boxes.ShowPlain(NotOpenedMessage(entries));
}

void TFormBase::OpenNamedFile(const std::string& path, std::optional<Encoding> encoding,
                              std::vector<std::string>& notOpened) {
  // A path a tab shows only brings that tab forward, even when the file is gone meanwhile.
  const bool shown = std::any_of(tabs_.begin(), tabs_.end(), [&](const auto& t) { return t->Hint == path; });
  const PathKind kind = shown ? PathKind::Regular : KindOfPath(path);
  if (kind != PathKind::Regular) {
    notOpened.push_back(path + ": " + ReasonText(kind));
    return;
  }
  std::string error;
  OpenFileAtStartup(path, encoding, &error);
  if (!error.empty()) notOpened.push_back(error);
}

void TFormBase::OpenArguments(const std::vector<std::string>& args, std::size_t first,
                              const std::string& folder) {
  argEncoding_.reset();
  argEncodingBad_ = false;
  std::vector<std::string> notOpened;
  bool options = true;  // "--" ends them: what follows is a path, whatever it looks like
  for (std::size_t i = first; i < args.size(); ++i) {
    if (options && args[i] == "--") {
      options = false;
      continue;
    }
    if (options && TakeEncodingOption(args, i)) continue;
    // Paths are kept absolute: the reopen list must still find them from another folder.
    const std::string arg = AbsolutePath(args[i], folder);
    if (DirectoryExists(arg)) {
      notOpened.push_back(arg + ": " + ReasonText(PathKind::Folder));
      continue;
    }
    // The extension test keeps one role: with AutoClipLoad on and text on the clipboard, an
    // argument it refuses makes a document of the clipboard's text, and nothing else.
    if (!IsTextFileName(arg) && Checked("MmAutoClipOpen") && ui_.Clip.HasText()) {
      Execute("FileNewFromClip");
      continue;
    }
    if (!argEncodingBad_) OpenNamedFile(arg, argEncoding_, notOpened);  // a bad name was reported
  }
  ReportNotOpened(notOpened);
}

void TFormBase::OpenHandOver(const HandOver& h) {
  // Before the show step (the window's own arguments go first) or while a file loads, it waits.
  if (!shown_ || loading_) {
    pendingHandOvers_.push_back(h);
    return;
  }
  OpenArguments(h.Args, 0, h.Folder);
  FocusActiveEditor();
  ui_.Window.BringToFront();
}

void TFormBase::OpenPendingHandOvers() {
  std::vector<HandOver> pending;
  pending.swap(pendingHandOvers_);
  for (const HandOver& h : pending) Guarded([&] { OpenHandOver(h); });
}

void TFormBase::FilesDropped(const std::vector<std::string>& paths) {
  std::vector<std::string> notOpened;
  // Paths are used whole: a shortened path could name a different file.
  for (const std::string& path : paths) {
    OpenNamedFile(path, std::nullopt, notOpened);
    FocusActiveEditor();
  }
  ReportNotOpened(notOpened);
  ui_.Window.BringToFront();
}

}  // namespace quiret
