// TFormBase lifecycle: creation step, show step (command line) and the two exit stages.
#include "app/UnitQrBase.h"

#include <algorithm>
#include <exception>

#include "platform/Codec932.h"
#include "platform/Files.h"
#include "platform/IniDocument.h"
#include "platform/SafeReplace.h"

namespace quiret {

namespace {
const char kAskCaption[] = "Quiret";

TShellServices WithStatusBar(const TShellServices& s, StatusBarUi& status) {
  return TShellServices{s.Boxes, s.Process, s.Clip,    s.Window,     s.Strip,
                        s.Pages, status,    s.Dialogs, s.ClipViewer, s.About};
}
}  // namespace

TFormBase::TFormBase(const TShellServices& services, std::string settingsPath)
    : docStatus_(services.Status),
      ui_(WithStatusBar(services, docStatus_)),
      settingsPath_(std::move(settingsPath)) {
  // Check marks as the window is designed; reading the settings replaces every one of them.
  for (const char* item :
       {"MmScroll", "MmTabFit", "MmStyleTab", "MmTabTop", "MmCloseAsk", "MmFileMemory", "MmAutoEncoding"})
    checks_[item] = true;
  CreateActions();
  FormClip = std::make_unique<TFormClip>(ui_.ClipViewer, ui_.Clip);
  FormAbout = std::make_unique<TFormAbout>(ui_.About);
  ShowNoFile();
  ui_.Clip.OnReplaced = [this](int count) { ReportReplacedCharacters(count); };
}

TFormBase::~TFormBase() { ui_.Clip.OnReplaced = nullptr; }

bool TFormBase::Checked(const std::string& item) const {
  auto it = checks_.find(item);
  return it != checks_.end() && it->second;
}

void TFormBase::SetChecked(const std::string& item, bool checked) { checks_[item] = checked; }

void TFormBase::Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ui_.Boxes.ShowError(e.what());
  }
}

bool TFormBase::Execute(const std::string& action) {
  // While a file loads, its tab shows only the first lines: no command may change or
  // save a document, close a tab or open another window meanwhile.
  if (loading_) return false;
  bool ran = false;
  Guarded([&] { ran = Actions.Execute(action); });
  return ran;
}

void TFormBase::FormCreate() {
  if (created_) return;
  created_ = true;
  ReadMePath = ExtractFileDir(ui_.Process.ProgramPath()) + "/ReadMe.txt";
  // What saves of a killed run left behind, the settings file's included, before anything
  // is read; and what saves of earlier versions left beside the settings file.
  RecoverInterruptedSaves();
  RemoveStaleTemporaries(settingsPath_);
  {
    const IniDocument ini(settingsPath_);
    ReadSettings(ini);
    // A session file left behind: the last run was killed, and it, not the reopen list
    // written at the exit before, says which tabs were open.
    const std::optional<Session> left = TakeLeftSession();
    StartRecovery();  // what a run that did not end cleanly left comes back first
    if (left)
      ReopenSession(*left);
    else
      ReopenFiles(ini);
    StartSession();
  }
  ui_.Window.SetAcceptDrops(true);
}

void TFormBase::OpenFileAtStartup(const std::string& path, std::optional<Encoding> encoding,
                                  std::string* error) {
  const int before = TabCount();
  const int previous = ActiveIndex();
  try {
    OpenFile(path, encoding);
  } catch (const std::exception& e) {
    if (error)
      *error = e.what();
    else
      ui_.Boxes.ShowError(e.what());
    // An empty tab under the file's name would invite saving an empty file over it.
    if (TabCount() > before) {
      DestroyTab(TabCount() - 1);
      if (TabCount() > 0) {
        ActivateTab(previous >= 0 && previous < TabCount() ? previous : TabCount() - 1);
        UpdateStatusBar();
      } else {
        ShowNoFile();
      }
    }
  }
}

void TFormBase::ReopenFiles(const IniDocument& ini) {
  // Num may claim more entries than the section holds; no more than those are looked at.
  const int num = std::min(ini.ReadInteger("File", "Num", 0), ini.EntryCount("File"));
  reopening_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{reopening_};
  for (int i = 1; i <= num; ++i) {
    const std::string path = ini.ReadString("File", "File" + std::to_string(i), "");
    if (path.empty()) continue;  // names no file, so there is nothing to report
    if (FileExists(path)) {
      OpenFileAtStartup(path, ListedEncoding(ini, i, path));
      // Its notice was shown when the file was first opened; the status line keeps telling.
      for (const auto& tab : tabs_)
        if (tab->Hint == path) tab->EncodingMessage.clear();
    } else {
      ui_.Boxes.ShowPlain(path + "\r\n が見つかりません。");
    }
  }
}

void TFormBase::FormShow() {
  if (shown_) return;
  shown_ = true;
  ShowEncodingMessages();  // for the files reopened before the window showed
  OpenArguments(ui_.Process.Arguments(), 1, std::string());
  OpenPendingHandOvers();  // second starts that came while the window was being made
}

std::string TFormBase::ExitQuestionList() {
  std::string list;
  size_t listBytes = 0;  // the limit counts code page 932 bytes, as the captions are shown
  const Codec932& codec = Codec932::Instance();
  for (int i = 0; i < TabCount(); ++i) {
    const TTabSheet& tab = *tabs_[i];
    if (!tab.Editor->GetModified() || (tab.Flags & ReadMeFile)) continue;
    if (listBytes >= 128) {
      list += "．．．以下省略\r\n";
      break;
    }
    const std::string caption = TabCaption(i);
    list += "   " + caption + "\r\n";
    listBytes += 3 + codec.FromUtf8(caption).size() + 2;
  }
  return list;
}

bool TFormBase::FormCloseQuery() {
  if (!Checked("MmCloseAsk") || tabs_.empty()) return true;
  const std::string list = ExitQuestionList();
  if (list.empty()) return true;
  const std::string text =
      list + "変更されたこれらのファイルは保存されていません。\r\nプログラムの終了を中止しますか？";
  for (;;) {
    switch (ui_.Boxes.AskYesNo(text, kAskCaption)) {
      case YesNoAnswer::Yes:
        return false;
      case YesNoAnswer::No:
        return true;
      case YesNoAnswer::Closed:
        break;  // no choice made: ask again
    }
  }
}

void TFormBase::FormClose() {
  Guarded([&] {
    IniDocument ini(settingsPath_);
    WriteSettings(ini);
    // The user keeps the file as it is; say once that this run's changes are not kept.
    if (ini.Save() == IniDocument::SaveResult::ReadOnly)
      ui_.Boxes.ShowInformation(settingsPath_ + "\r\n は読み取り専用のため、設定は保存されませんでした。");
  });
  ui_.Window.SetAcceptDrops(false);
  // A clean end: what was not saved was given up on purpose, and the reopen list is written.
  for (auto& tab : tabs_) tab->Journal->Discard();
  EndSession();
}

}  // namespace quiret
