// TFormBase: the main window's rules — start and exit, settings, document tabs, file, edit,
// move and option commands, and the clipboard viewer and version windows it opens.
//
// Split by concern: UnitQrBase.cpp (lifecycle, start and exit), UnitQrBaseSettings.cpp,
// UnitQrBaseTabs.cpp, UnitQrBaseFile.cpp, UnitQrBaseActions.cpp (the command list and the edit
// and move commands), UnitQrBaseOptions.cpp (the option menu and the secondary windows),
// UnitQrBaseGoTo.cpp (the caret's place, go to line), UnitQrBaseRecent.cpp (recent files),
// UnitQrBaseZoom.cpp (font size steps). The desktop is reached only through the interfaces in
// TShellServices.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/Actions.h"
#include "app/CaretPosition.h"
#include "app/DocumentStatus.h"
#include "app/FindHistory.h"
#include "app/RecentFiles.h"
#include "app/RecoveryJournal.h"
#include "app/SessionList.h"
#include "app/UnitQrAbout.h"
#include "app/UnitQrClip.h"
#include "editor/LumoEdit.h"
#include "platform/Clipboard.h"
#include "platform/FileIdentity.h"
#include "platform/HandOver.h"
#include "platform/Memory.h"
#include "platform/Process.h"
#include "platform/ShellDialogs.h"
#include "platform/ShellUi.h"
#include "platform/Types.h"
#include "text/TextFormat.h"

namespace quiret {

class IniDocument;
struct LeftJournal;
struct RestorePlan;
struct ReplayOutcome;

struct TShellServices {
  MessageBoxes& Boxes;
  ProcessServices& Process;
  Clipboard& Clip;
  MainWindowUi& Window;
  TabStripUi& Strip;
  EditorPages& Pages;
  StatusBarUi& Status;
  ShellDialogs& Dialogs;
  ClipViewerUi& ClipViewer;
  ModalWindowUi& About;
};

// Tab flags.
constexpr int ReadOnlyFile = 1;
constexpr int ReadMeFile = 2;

inline const std::string kNewFileHint = "New File";

// One document tab: its page (editor window) and the editor drawing on it.
struct TTabSheet {
  std::string Name;                 // TabSheet<n>
  std::string Hint = kNewFileHint;  // full path, or "New File"
  int Flags = 0;
  std::unique_ptr<EditorWindow> Page;  // declared before Editor: the editor goes first
  std::unique_ptr<TLumoEdit> Editor;   // named SEdit<n>
  std::string EditorName;
  // The status line of a file that is probably not Shift-JIS (empty for others), and its one
  // message while that still waits to be shown.
  std::string EncodingNote;
  std::string EncodingMessage;
  // The file as this tab last read or wrote it, and a change by another program that the
  // user was already asked about (asked once per change).
  FileIdentity Disk;
  FileIdentity AskedAbout;
  // The recovery journal of the document's unsaved changes.
  std::unique_ptr<DocumentJournal> Journal;
  // How a save writes the text: encoding, byte-order mark, line end (new documents:
  // Shift-JIS and CR LF).
  TextFormat Format;
  // The encoding the file was asked for in (command line, reopen menu, reopen list, Save
  // As); none: the one it was read in was chosen when it was read.
  std::optional<Encoding> AskedEncoding;
  // The text is not the file's own (a character replaced, or the bytes of a file that does
  // not read in its encoding): read-only, and never saved over that file.
  bool TextNotFile = false;
  // The status bar has said that the oldest undo steps were dropped (said once).
  bool ToldUndoTrim = false;
};

// Where the settings live: the program path with ".ini", or the per-user config folder when
// the program's folder is not writable.
std::string SettingsFilePath(const std::string& programPath);

class TFormBase {
 public:
  TFormBase(const TShellServices& services, std::string settingsPath);
  ~TFormBase();
  TFormBase(const TFormBase&) = delete;
  TFormBase& operator=(const TFormBase&) = delete;

  // ---- Lifecycle ----
  void FormCreate();      // creation step: settings, reopen list, drop registration
  void FormShow();        // show step: the command-line pass
  bool FormCloseQuery();  // exit stage 1: false forbids the close
  void FormClose();       // exit stage 2: settings written, drops unregistered

  // ---- Settings ----
  void ReadSettings(const IniDocument& ini);
  void WriteSettings(IniDocument& ini);
  void ReopenFiles(const IniDocument& ini);
  const std::string& SettingsPath() const { return settingsPath_; }
  // The session file's name in the state folder, set before the creation step: one per
  // desktop, as each desktop runs a program of its own.
  std::string SessionName = "session";

  // ---- Tabs ----
  int TabCount() const { return static_cast<int>(tabs_.size()); }
  TTabSheet& Tab(int index) { return *tabs_.at(index); }
  std::string TabCaption(int index);
  int ActiveIndex();
  TLumoEdit* ActiveEditor();
  // The bytes of text the caret panel's measures have read so far (for tests).
  std::int64_t CaretBytesRead() const { return caretMeter_.BytesRead(); }
  void NewTab();
  void CloseTab(int index, int previousActive);
  void UpdateStatusBar();
  void MoveLeftTab();
  void MoveRightTab();
  // Tab strip mouse rules; tab is the tab under the mouse or -1.
  void TabCloseClick(int tab);  // middle button, or left and right together
  void TabOtherPress(int tab);  // any other button press
  void TabRightRelease(int tab, const TPoint& screen);
  void TabChanged();  // the user picked another tab
  // The main window became the active window again: the active document's file is looked
  // at for changes made by other programs meanwhile.
  void WindowActivated();
  // Opens every regular file dropped; what is not opened is named in one message.
  void FilesDropped(const std::vector<std::string>& paths);

  // ---- Files named by the user (UnitQrBaseArgs.cpp) ----
  // A second start's arguments, resolved against its folder, go the command line's way;
  // then the window comes forward. Before the show step, or while a file loads, it waits.
  void OpenHandOver(const HandOver& h);
  // The one message naming what could not be opened ("path: why" each), the list cut after ten.
  static std::string NotOpenedMessage(const std::vector<std::string>& entries);

  // ---- Files ----
  static bool IsTextFileName(const std::string& path);
  // `encoding`: read the file in it (else the one it shows, or Shift-JIS).
  void OpenFile(const std::string& path, std::optional<Encoding> encoding = std::nullopt);
  // A file is being read and laid out; the window only repaints meanwhile, and files asked
  // for then are opened after it.
  bool Loading() const { return loading_; }
  // In the middle of a step that lets the window repaint (a file loading, a long find or
  // replace): nothing from outside may open a tab now.
  bool Busy() const { return loading_ || findRun_.active; }
  // Files from this size on (about 0.2 s of work) show their progress and their first
  // lines while they load, so that every file shows text within a fraction of a second.
  std::uint64_t ProgressBytes = std::uint64_t{32} << 20;
  // The machine's physical memory, which bounds each document's undo history (UndoRoom.h).
  std::uint64_t PhysicalMemory = PhysicalMemoryBytes();
  // Lines of such a file shown while the rest loads.
  static constexpr std::size_t kFirstScreenRows = 1000;
  void FileNewExecute();
  void FileNewFromClipExecute();
  void FileOpenExecute();
  void FileSaveAsExecute();
  void FileSaveExecute();
  void FilePrintSetupExecute();
  void FilePrintExecute();
  void FileCloseExecute();
  void FileExitExecute();
  void ReadMeOpenExecute();

  // ---- Recent files (UnitQrBaseRecent.cpp) ----
  // Newest first; read with the settings and written with them into [Recent].
  const std::vector<TRecentFile>& RecentFiles() const { return recent_.Items(); }
  // The menu item of the recent file at `index` (from 0): MmRecentFile1, MmRecentFile2, ...
  static std::string RecentItemName(int index);
  // Opens the recent file at `index`; a file that is gone is reported and leaves the list.
  void RecentFileOpen(int index);

  // ---- Encodings (UnitQrBaseEncoding.cpp) ----
  // The reopen submenu's items (MmReopen...) and the encoding each reads the file in.
  static const std::vector<std::pair<std::string, Encoding>>& ReopenItems();
  // Reads the active document's file again in `e`, asking first when it is modified.
  void ReopenInEncoding(Encoding e);
  // The formats Save As offers, in the order shown.
  static const std::vector<TextFormat>& SaveAsEncodings();

  // ---- Edit, move and clipboard commands ----
  void EditUndoExecute();
  void EditRedoExecute();
  void EditCopyExecute();
  void EditCutExecute();
  void EditPasteExecute();
  void EditSelectAllExecute();
  void MoveTopExecute();
  void MoveBottomExecute();
  void ViewClipBoardExecute();
  void ClearClipBoardExecute();
  // Pasted, typed or committed text had `count` characters code page 932 cannot hold,
  // which went in as "?": said in the status bar, once per operation.
  void ReportReplacedCharacters(int count);

  // ---- Find and replace (UnitQrBaseFind.cpp) ----
  // The search and replacement texts in code page 932, and the find bar's options.
  std::string FindStr, ChangeStr;
  TFindOptions FindOptions;
  bool ReplaceConfirm = false;  // ask before each replacement of replace all
  // Replace and replace all only inside the selection (as it was when replace all began,
  // or when the first replacement of a series was made).
  bool ReplaceInSelection = false;
  // The front end's find bar, shown with (true) or without the replacement row.
  std::function<void(bool replace)> ShowFindBar;
  // Takes the bar's texts (UTF-8); false, with a note in the status bar, when code page 932
  // cannot hold them.
  bool SetFindTexts(const std::string& find, const std::string& change);
  void EditFindExecute();
  void EditReplaceExecute();
  void EditFindNextExecute();
  void EditFindPrevExecute();
  void ReplaceOneExecute();
  void ReplaceAllExecute();
  static constexpr int kFindPanel = quiret::kFindPanel;
  // A find or replace that runs longer than this shows its progress in the status bar and
  // can be stopped with Esc.
  int FindProgressDelayMs = 500;
  int FindPollMs = 50;  // meanwhile, how often the window repaints and Esc is looked for
  // The front end's look at the keyboard while a long find runs: lets the window repaint,
  // holds other input back and tells whether Esc was pressed.
  std::function<bool()> FindEscPressed;

  // ---- Marked hits, their count, incremental search (UnitQrBaseFindLive.cpp) ----
  // While on (the find bar is open), every hit of the search text in view is marked; an
  // incremental search starts anew.
  void ShowHitMarks(bool on);
  // The search text or its options changed: the marks follow.
  void ApplyHitMarks();
  // Counts the hits of the search text in the active document a slice at a time (posted
  // tasks, the window's input between them) and shows "m / n 件"; a count already made
  // over the same text is reused.
  void CountHits();
  // Stops a running count; what it found stays, as a lower bound. True when one ran.
  bool StopHitCount();
  // The count's panel for the selection as it is now.
  void ShowHitCount();
  // A slice looks at chunks of this many bytes (an eighth for a regular expression) until
  // it has taken this long.
  std::size_t HitCountSliceBytes = std::size_t{1} << 20;
  int HitCountSliceMs = 12;
  // The find bar's search text changed: the first hit from where this search began (the
  // caret when the bar opened, or after the last command) is selected.
  void IncrementalFind();
  // Back to where the incremental search began, when one runs; true when it went back.
  bool CancelIncrementalFind();
  // The last searches and replacements (UTF-8, newest first), kept with the settings.
  TFindHistory FindHistory;

  // ---- The caret's place and go to line (UnitQrBaseGoTo.cpp) ----
  // The active editor's caret line and column, and the overwrite mode, in the status bar.
  void ShowCaretPlace();
  // Asks for a line number and moves the caret there.
  void EditGoToLineExecute();
  // The caret to the start of logical line `line` (from 1, clamped to the text's lines),
  // scrolled into view, the focus on the editor.
  void GoToLine(std::int64_t line);

  // ---- Menu items without an action (the option menu, Read Me, version) ----
  // Runs an item's click (check marks included); false for an unknown or disabled item.
  bool MenuClick(const std::string& item);
  // A menu is about to open; the option menu enables its tab-strip items here.
  void MenuPopup(const std::string& menu);
  // Enabled state of a plain menu item as last set (items are enabled unless a rule says no).
  bool ItemEnabled(const std::string& item) const;
  void MmFontClick();
  // MmColorBack, MmColorMark, MmColorSelect or MmColorLink.
  void MmColorClick(const std::string& item);
  void MmScrollClick();
  void TabWidthClick(int width);
  void TabStyleClick(int style);
  void TabPosClick(int position);
  void MmAboutClick();

  // ---- Font size (UnitQrBaseZoom.cpp) ----
  // Sizes beyond these overflow the font's pixel height or draw nothing but empty boxes.
  static constexpr std::int32_t kMinFontSize = 1;
  static constexpr std::int32_t kMaxFontSize = 500;
  static constexpr std::int32_t kDefaultFontSize = 12;
  // Ctrl+wheel, Ctrl++ and Ctrl+-: the font size of every tab by `steps` points, within the
  // limits, as the font dialog sets it (and kept with the settings).
  void ZoomBy(int steps);
  // Ctrl+0: back to the default size.
  void ZoomReset();
  // ---- Crash recovery (UnitQrBaseRecovery.cpp) ----
  // Journals are kept from the creation step on; a run that ends through FormClose removes
  // them, any other end leaves them for the next start.
  RecoveryRun& Recovery() { return *recovery_; }

  // The secondary windows, created hidden with the main window.
  std::unique_ptr<TFormClip> FormClip;
  std::unique_ptr<TFormAbout> FormAbout;

  // ---- Commands ----
  TActionList Actions;
  // Runs a command through its enabling rule; an error is shown in the error box.
  bool Execute(const std::string& action);
  // Runs any handler so that an error ends it in the error box instead of escaping.
  void Guarded(const std::function<void()>& handler);

  // Menu check marks by item name (MmScroll, MmTabFit, MmCloseAsk, ...).
  bool Checked(const std::string& item) const;
  void SetChecked(const std::string& item, bool checked);

  // ---- Fields ----
  std::string ReadMePath;
  std::int32_t UntitledCount = 0;
  std::string FontName = "ＭＳ ゴシック";
  std::int32_t FontSize = 12;
  TColor FontColor = 0x00000000;
  TColor BGColor = 0x00F6F6F6;
  TColor MKColor = 0x00808040;
  TColor SLColor = 0x00FF8000;
  TColor LinkColor = 0x00FF0000;

  static constexpr const char* kOpenFilter =
      "テキストファイル(*.txt;*.ini;*.log;*.pas;*.htm;*.css)|*.txt;*.ini;*.log;*.pas;*.htm;*.css|"
      "すべてのファイル|*";
  static constexpr const char* kSaveFilter =
      "すべてのファイル|*|テキストファイル|*.txt|Pascalファイル|*.pas|HTMLファイル|*.htm|CSSファイル|*.css";

 private:
  void CreateActions();
  void CreateFindActions();
  void CreateGoToActions();
  void CreateZoomActions();
  // FontName, FontSize and FontColor to every open editor, as the font dialog does.
  void ApplyFontToTabs();
  void SetFontSize(std::int32_t size);
  // The caret's place follows every move, edit and overwrite switch of the editor.
  void HookCaretStatus(TLumoEdit& ed);
  CaretMeter caretMeter_;
  // Recent files: the File menu's submenu, the files opened and saved.
  bool RecentClick(const std::string& item);
  void NoteRecentFile(const std::string& path);
  TRecentFiles recent_;
  bool reopening_ = false;  // the reopen list is being opened
  // The editor's find events as status texts and replacement questions.
  void HookFindEvents(TLumoEdit& ed);
  // The undo history's room from the document (and `extra` bytes about to come in), the
  // question before a change that could not be undone, and the note of a trimmed history.
  void FitUndoRoom(TLumoEdit& ed, std::int64_t extra = 0);
  void HookUndoEvents(TTabSheet& tab);
  // Runs one find or replace command on the active editor, with its progress shown and Esc
  // heard once it has taken FindProgressDelayMs.
  void RunFind(bool replaceAll, const std::function<void(TLumoEdit&)>& op);
  void FindProgress(std::int64_t done, std::int64_t total, bool& abortF);
  // After a find or replace command: the incremental search's start is forgotten, the
  // texts go to the history, the hits are counted.
  void FindCommandDone(bool replaced);
  // The editor's selection as logical positions; false without one.
  static bool SelectionRange(TLumoEdit& ed, std::pair<LinePos, LinePos>& range);
  // Replace within the selection: the first press takes the selection as the range and
  // selects its first hit, each next one replaces the hit and selects the next in the
  // range. False when there is neither such a series nor a selection to begin one.
  bool ReplaceOneInSelection();
  // The count hears of every change of the text, and Esc in it.
  void HookHitCount(TLumoEdit& ed);
  bool countTextChanged_ = false;
  // An editor goes: nothing of find keeps it.
  void ForgetFindEditor(const TLumoEdit* ed);
  struct ReplaceSeries {
    TLumoEdit* editor = nullptr;
    std::uint64_t changes = 0;  // the rows as the series left them
    std::pair<LinePos, LinePos> range;
  } replaceSeries_;
  void HitCountSlice(std::uint64_t generation);
  bool hitMarksOn_ = false;
  std::shared_ptr<class HitCounter> hitCounter_;
  TLumoEdit* countEditor_ = nullptr;
  std::uint64_t countGeneration_ = 0;
  bool incrementalRun_ = false;
  bool findStopped_ = false;  // the last search stopped early (the engine's limit, Esc)
  struct IncrementalStart {
    TLumoEdit* editor = nullptr;
    LinePos from, to;
  } incStart_;
  bool findBackward_ = false;
  struct FindRun {
    bool active = false;
    bool replaceAll = false;
    std::int64_t startMs = 0, shownMs = 0, polledMs = 0;
    int shown = -1;  // the permille shown, -1 while the bar is hidden
  } findRun_;
  void ConfigureEditor(TLumoEdit& ed);
  // The settings a document editor and the clipboard viewer's editor share: marks, colours, font.
  void ApplyEditorLook(TLumoEdit& ed);
  // Column follows NoWrapColumns, which the editor measures only in ApplySettings.
  static void ApplyKeepingColumn(TLumoEdit& ed);
  void ActivateTab(int index);
  void FocusActiveEditor();
  void DestroyTab(int index);
  void ChooseActiveAfterClose(int index, int previousActive);
  void ShowNoFile();
  // The notice for a file just read into `tab` that is probably not Shift-JIS: its status
  // line at once, its message once the window is on screen.
  void CheckEncoding(TTabSheet& tab);
  void ShowEncodingMessages();
  void SetTabCaption(int index, const std::string& caption);
  // Writes the tab's text to fileName in `format`; false (after saying why) when it fails
  // or the format cannot hold a character of the text.
  bool SaveDocument(int index, const std::string& fileName, const TextFormat& format);
  // Reads `path` into `lines` in the encoding the tab asks for, the file shows or Shift-JIS,
  // and notes in the tab its format and what the user is told.
  void ReadTabText(TTabSheet& tab, TLumoStrings& lines, const std::string& path,
                   const TLumoStrings::LoadProgress& progress);
  // Save As: the choices for a format and the format chosen (its symbol forms kept).
  static TSaveChoice SaveChoiceFor(const TextFormat& format);
  static TextFormat FormatOfChoice(const TextFormat& format, const TSaveChoice& choice);
  // False, after telling which character, when the format cannot write the text.
  bool MayWriteFormat(const TLumoStrings& lines, const TextFormat& format);
  static constexpr const char* kNotTheFileRefusal =
      "このテキストはファイルの内容をそのまま表したものではないため、\r\n"
      "元のファイルに上書き保存することはできません。";
  // After a read: the editor follows TextNotFile, the notice is set.
  void SettleTabText(TTabSheet& tab);
  // A command-line argument that sets the encoding of the files after it ("--encoding=NAME",
  // "-e NAME"): takes it (and its value) and returns true.
  bool TakeEncodingOption(const std::vector<std::string>& args, std::size_t& i);
  std::optional<Encoding> argEncoding_;
  bool argEncodingBad_ = false;  // an unknown name: the files after it are not opened
  void ReadEncodingSettings(const IniDocument& ini);
  void WriteEncodingSettings(IniDocument& ini, const std::vector<const TTabSheet*>& listed);
  // The encoding the reopen list and the recent files keep for a tab's file: the one asked
  // for, or one other than Shift-JIS that it was found in.
  static std::optional<Encoding> KeptEncoding(const TTabSheet& tab);
  // The encoding the reopen list keeps for its entry `n` (from 1) naming `path`.
  std::optional<Encoding> ListedEncoding(const IniDocument& ini, int n, const std::string& path);
  // ---- Files changed or refused outside (UnitQrBaseOutside.cpp) ----
  // A tab came forward: when another program changed its unmodified file, offer to read it
  // again (once per change).
  void CheckOutsideChange(int index);
  // Before a save of the tab's text over `path`: false (after saying why) when this user may
  // not write the file, or when the user chose to keep another program's change to it.
  bool MayOverwrite(int index, const std::string& path);
  // Reads the tab's file again through the open path; the caret keeps its line.
  void ReloadTab(int index);
  bool checkingOutside_ = false;
  // ---- Saves a killed run left unfinished (UnitQrBaseInterrupted.cpp) ----
  void RecoverInterruptedSaves();
  std::string ExitQuestionList();
  // Opens a start-up path; a file that cannot be read is reported (in `error` when given, else
  // in the error box) and its tab removed.
  void OpenFileAtStartup(const std::string& path, std::optional<Encoding> encoding = std::nullopt,
                         std::string* error = nullptr);
  // The command-line rule for args[first...], relative paths taken from `folder` (empty: the
  // working folder); what is not opened is named in one message.
  void OpenArguments(const std::vector<std::string>& args, std::size_t first, const std::string& folder);
  // Opens a regular file, or a path a tab shows; else notes it in `notOpened` with the reason.
  void OpenNamedFile(const std::string& path, std::optional<Encoding> encoding,
                     std::vector<std::string>& notOpened);
  void ReportNotOpened(const std::vector<std::string>& entries);
  void OpenPendingHandOvers();
  std::vector<HandOver> pendingHandOvers_;
  void ApplyTabWidthChecks(int width);
  void ApplyTabStyleChecks(int style);
  TColor ReadColor(const IniDocument& ini, const std::string& key, TColor def);

  // Before ui_, whose status bar it is: find's texts stay with the document they speak of.
  DocumentStatusBar docStatus_;
  TShellServices ui_;
  std::string settingsPath_;
  // Before the tabs: their journals use it until they go.
  std::unique_ptr<RecoveryRun> recovery_ = std::make_unique<RecoveryRun>();
  std::vector<std::unique_ptr<TTabSheet>> tabs_;
  std::map<std::string, bool> checks_;
  std::map<std::string, bool> itemDisabled_;
  bool created_ = false;
  bool shown_ = false;
  // Reads the file into the tab's editor and lays it out, showing progress for a large one;
  // `prepare` may change the rows read before the editor gets them.
  void LoadIntoTab(TTabSheet& tab, const std::string& path,
                   const std::function<void(TLumoStrings&)>& prepare = {});
  // Crash recovery (UnitQrBaseRecovery.cpp).
  void AttachJournal(TTabSheet& tab, const std::string& caption);
  // The tab's text now is its file's (just read or saved), whose identity is `base`.
  void JournalBase(TTabSheet& tab, const FileIdentity& base);
  void StartRecovery();
  void OfferLeftJournals(const std::string& folder);
  void RestoreJournal(const std::string& folder, LeftJournal& journal, RestorePlan& plan,
                      std::vector<std::string>& notes);
  // Fills the new tab at `index` with the journal's document, Modified; the file's own tab
  // when `intoFile`.
  ReplayOutcome FillRestoredTab(int index, LeftJournal& journal, RestorePlan& plan, bool intoFile);

  // The session file (UnitQrBaseSession.cpp): the open tabs for a start after a kill.
  std::optional<Session> TakeLeftSession();
  void StartSession();
  void NoteSession();
  void EndSession();
  void ReopenSession(const Session& session);
  // Puts the tabs in `order` (every tab once) and brings `active` forward.
  void ArrangeTabs(const std::vector<TTabSheet*>& order, TTabSheet* active);
  std::string sessionPath_;  // "" while no session file is kept
  std::string sessionText_;  // what it holds

  bool loading_ = false;
  std::vector<std::pair<std::string, std::optional<Encoding>>> pendingOpens_;
};

}  // namespace quiret
