// TFormBase file commands: open, new, save, save as, print, close, exit and the ReadMe file.
#include <cstdio>
#include <cstdlib>

#include "app/PrintStream.h"
#include "app/SafeSave.h"
#include "app/UnitQrBase.h"
#include "platform/Files.h"
#include "platform/PrintPage.h"
#include "text/EncodedFile.h"

namespace quiret {

bool TFormBase::IsTextFileName(const std::string& path) {
  static const char* const kExtensions[] = {".txt", ".ini", ".log", ".htm", ".html",
                                            ".css", ".js",  ".pas", ".bas", ".cpp"};
  const std::string name = ExtractFileName(path);  // a dot in a folder name never counts
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  const std::string ext = name.substr(dot);
  for (const char* e : kExtensions)
    if (ext == e) return true;
  return false;
}

void TFormBase::OpenFile(const std::string& path, std::optional<Encoding> encoding) {
  if (loading_) {
    pendingOpens_.emplace_back(path, encoding);
    return;
  }
  for (int i = 0; i < TabCount(); ++i) {
    if (tabs_[i]->Hint == path) {
      ActivateTab(i);
      UpdateStatusBar();
      NoteRecentFile(path);
      CheckOutsideChange(i);
      return;
    }
  }
  // Reading a device or a FIFO could block or never end: only regular files are read.
  if (const PathKind kind = KindOfPath(path); kind == PathKind::Folder || kind == PathKind::Special) {
    ui_.Boxes.ShowPlain(path + "\r\n は通常のファイルではありません。");
    return;
  }
  NewTab();
  const int index = TabCount() - 1;
  TTabSheet& tab = *tabs_[index];
  tab.Hint = path;
  SetTabCaption(index, ExtractFileName(path));
  tab.Disk = IdentityOf(path);  // before reading: a change while it is read shows later
  tab.AskedEncoding = encoding;
  LoadIntoTab(tab, path);
  tab.Editor->MoveToTextStart();
  if (IsReadOnlyFile(path)) tab.Flags = ReadOnlyFile;
  if (path == ReadMePath) tab.Flags |= ReadMeFile;
  SettleTabText(tab);
  UpdateStatusBar();
  NoteRecentFile(path);
  if (shown_) ShowEncodingMessages();
  std::vector<std::pair<std::string, std::optional<Encoding>>> pending;
  pending.swap(pendingOpens_);
  // Not a structured binding: clang 14 cannot capture one in a lambda.
  for (const auto& open : pending) Guarded([&] { OpenFile(open.first, open.second); });
}

void TFormBase::LoadIntoTab(TTabSheet& tab, const std::string& path,
                            const std::function<void(TLumoStrings&)>& prepare) {
  TLumoEdit& ed = *tab.Editor;
  // Reading goes to 600 of the bar's 1000, the wrap the rest; the bar moves in steps of 1%.
  bool large = false;
  int shown = -1;
  auto show = [&](std::uint64_t done, std::uint64_t total, int from, int to) {
    if (!large || total == 0) return;
    const int permille = from + static_cast<int>((to - from) * std::min(done, total) / total);
    if (shown >= 0 && permille < shown + 10) return;
    if (shown < 0) UpdateStatusBar();  // the tab count and the path while it loads
    shown = permille;
    ui_.Status.ShowProgress(permille);
  };
  // A large file opened in a new tab shows its first lines while the rest loads: the
  // editor gets a store of its own holding them, which the whole text replaces once it is
  // read. Nothing can edit or save meanwhile (commands are refused and input waits while a
  // file loads). A reload keeps showing the text it replaces until the new one is in.
  std::unique_ptr<TLumoStrings> own;
  const bool empty = ed.Lines->Count() == 1 && ed.Lines->Get(0) == TLumoStrings::kEndMarker;
  auto restore = [&] {
    if (!own) return;
    ed.LoadRows(std::move(own));
    ed.ApplySettings();
  };
  // Taken before reading, so a change made while the file is read shows at the next start.
  const FileIdentity base = IdentityOf(path);
  loading_ = true;
  try {
    // Read into a store of its own: while the window repaints, the editor keeps its own
    // (empty) rows or the first lines, and never sees half a file.
    auto loaded = std::make_unique<TLumoStrings>();
    ReadTabText(tab, *loaded, path, [&](std::uint64_t done, std::uint64_t total) {
      large = large || total >= ProgressBytes;
      if (large && empty && !own) {
        auto first = std::make_unique<TLumoStrings>();
        first->SetText(loaded->RowsLoadedSoFar(kFirstScreenRows) + std::string(TLumoStrings::kEndMarker));
        own = ed.LoadRows(std::move(first));
        ed.ApplySettings();
        ed.MoveToTextStart();
        show(done, total, 0, 600);  // lets the window paint them
        // For the open-time benchmark, which watches for this line.
        if (std::getenv("QUIRET_TRACE_LOAD")) std::fprintf(stderr, "quiret: first lines shown\n");
      }
      show(done, total, 0, 600);
    });
    if (prepare) prepare(*loaded);
    own.reset();
    // A new text starts clean: caret, selection and history (a reload's editor has them).
    ed.ClearText();
    ed.LoadRows(std::move(loaded));
    ed.OnLayoutProgress = [&](TLumoEdit*, std::int64_t done, std::int64_t total) {
      show(static_cast<std::uint64_t>(done), static_cast<std::uint64_t>(total), 600, 1000);
    };
    ed.ApplySettings();  // lays out the new rows
    ed.OnLayoutProgress = nullptr;
  } catch (...) {
    ed.OnLayoutProgress = nullptr;
    loading_ = false;
    restore();
    if (shown >= 0) ui_.Status.ShowProgress(-1);
    throw;
  }
  loading_ = false;
  if (shown >= 0) ui_.Status.ShowProgress(-1);
  FitUndoRoom(ed);
  if (tab.Hint == path) JournalBase(tab, base);
  if (!pendingHandOvers_.empty()) ui_.Window.Post([this] { OpenPendingHandOvers(); });
}

void TFormBase::FileNewExecute() {
  NewTab();
  UpdateStatusBar();
  FocusActiveEditor();
}

void TFormBase::FileNewFromClipExecute() {
  if (!Actions.Execute("FileNew")) return;
  TLumoEdit* ed = ActiveEditor();
  ed->PasteFromClipboard();
  ed->MoveToTextStart();
}

void TFormBase::FileOpenExecute() {
  std::vector<std::string> names;
  if (!ui_.Dialogs.OpenFileNames(kOpenFilter, names)) return;
  for (const std::string& name : names) {
    OpenFile(name);
    FocusActiveEditor();
  }
}

bool TFormBase::SaveDocument(int index, const std::string& fileName, const TextFormat& format) {
  TTabSheet& tab = *tabs_[index];
  const TLumoStrings& lines = *tab.Editor->Lines;
  if (!MayWriteFormat(lines, format)) return false;
  bool mixed = false;
  try {
    const std::optional<FileIdentity> written = SaveReplacing(
        fileName,
        [&](const std::string& path) {
          // The line store's own save is the one for Shift-JIS in CR LF, the design's format.
          if (format.Enc == Encoding::ShiftJis && format.Break == LineEnd::CrLf && !format.Bom &&
              !format.MixedBreaks)
            lines.SaveToFile(path);
          else
            mixed = WriteRowsInFormat(path, lines, format);
        },
        [&](const std::string& text) {
          return ui_.Boxes.AskYesNoDefaultNo(text, "Quiret") == YesNoAnswer::Yes;
        });
    if (!written) return false;  // declined: the file and the text stay as they are
    tab.Disk = *written;
    tab.AskedAbout = {};
  } catch (const std::exception& e) {
    ui_.Boxes.ShowError(e.what());  // the old file is untouched and the text stays modified
    return false;
  }
  tab.Format = format;
  tab.Format.MixedBreaks = mixed;  // lines kept their own breaks, unless all have the first's
  return true;
}

void TFormBase::FileSaveAsExecute() {
  const int a = ActiveIndex();
  TTabSheet& tab = *tabs_[a];
  std::string name = tab.Hint == kNewFileHint ? TabCaption(a) + ".txt" : tab.Hint;
  TSaveChoice choice = SaveChoiceFor(tab.Format);
  if (!ui_.Dialogs.SaveFileName(kSaveFilter, name, &choice)) return;
  const TextFormat format = FormatOfChoice(tab.Format, choice);
  if (tab.TextNotFile && (name == tab.Hint || IdentityOf(name).SameFile(tab.Disk))) {
    ui_.Boxes.ShowInformation(kNotTheFileRefusal);
    return;
  }
  if (FileExists(name)) {
    if (IsReadOnlyFile(name)) {
      ui_.Boxes.ShowInformation("読み取り属性のファイルへの上書き保存はできません。");
      return;
    }
    if (name == ReadMePath) {
      ui_.Boxes.ShowInformation("ReadMe ファイルへの上書き保存はできません。");
      return;
    }
    if (!MayOverwrite(a, name)) return;
  }
  if (!SaveDocument(a, name, format)) return;
  if (format.Enc != Encoding::ShiftJis || tab.AskedEncoding) tab.AskedEncoding = format.Enc;
  tab.Hint = name;
  SetTabCaption(a, ExtractFileName(name));
  UpdateStatusBar();
  tab.Editor->SetModified(false);
  NoteRecentFile(name);
  JournalBase(tab, tab.Disk);
}

void TFormBase::FileSaveExecute() {
  const int a = ActiveIndex();
  TTabSheet& tab = *tabs_[a];
  if (!FileExists(tab.Hint)) {
    if (tab.Journal) tab.Journal->FileChangedElsewhere();
    Actions.Execute("FileSaveAs");  // removed or moved meanwhile
    return;
  }
  if (!MayOverwrite(a, tab.Hint)) return;
  if (!SaveDocument(a, tab.Hint, tab.Format)) return;
  tab.Editor->SetModified(false);
  NoteRecentFile(tab.Hint);
  JournalBase(tab, tab.Disk);
}

void TFormBase::FilePrintSetupExecute() { ui_.Dialogs.ExecPrinterSetup(); }

void TFormBase::FilePrintExecute() {
  std::unique_ptr<PrintPage> page = ui_.Dialogs.ExecPrintDialog();
  if (!page) return;
  // A printer that refuses the job must not look like a finished print.
  if (!PrintDocument(*ActiveEditor()->Lines, *page, TabCaption(ActiveIndex())))
    ui_.Boxes.ShowError("印刷を開始できませんでした。");
}

void TFormBase::FileCloseExecute() {
  const int a = ActiveIndex();
  CloseTab(a, a);
}

void TFormBase::FileExitExecute() { ui_.Window.Close(); }

void TFormBase::ReadMeOpenExecute() {
  if (FileExists(ReadMePath)) {
    OpenFile(ReadMePath);
    FocusActiveEditor();
  } else {
    ui_.Boxes.ShowPlain(ReadMePath + "\r\n が見つかりません。");
  }
}

}  // namespace quiret
