// A scripted, headless desktop for the shell's rules: window, tab strip, pages, status bar,
// dialogs, message boxes, clipboard, process and the modal windows, all recording what the
// shell asks of them.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/UnitQrBase.h"
#include "platform/Clipboard.h"
#include "platform/Process.h"
#include "platform/ShellDialogs.h"
#include "platform/ShellUi.h"
#include "tests/support/TestClipboard.h"
#include "tests/support/TestEditorWindow.h"
#include "tests/support/TestPrintPage.h"

namespace quiret {

class TestShellBoxes : public MessageBoxes {
 public:
  struct Shown {
    std::string kind;  // "stop", "information", "plain", "error", "yesno"
    std::string text;
    bool defaultNo = false;  // a question whose default button is No
  };
  std::vector<Shown> shown;
  // Answers for AskYesNo, taken in order; when none is left the box answers Closed once and
  // then No, so a forgotten script ends a question loop instead of hanging the test.
  std::deque<YesNoAnswer> answers;
  int unscripted = 0;

  void ShowStop(const std::string& t) override { shown.push_back({"stop", t}); }
  void ShowInformation(const std::string& t) override { shown.push_back({"information", t}); }
  void ShowPlain(const std::string& t) override { shown.push_back({"plain", t}); }
  void ShowError(const std::string& t) override { shown.push_back({"error", t}); }
  YesNoAnswer AskYesNo(const std::string& text, const std::string& caption) override;
  YesNoAnswer AskYesNoDefaultNo(const std::string& text, const std::string& caption) override {
    const YesNoAnswer a = AskYesNo(text, caption);
    shown.back().defaultNo = true;
    return a;
  }
  std::vector<std::string> Texts(const std::string& kind) const;
};

class TestShellProcess : public ProcessServices {
 public:
  std::vector<std::string> args;  // args[0] is the program path
  std::string title;
  std::vector<std::string> Arguments() override { return args; }
  std::string ProgramPath() override { return args.empty() ? std::string() : args[0]; }
  void SetApplicationTitle(const std::string& t) override { title = t; }
};

class TestShellWindow : public MainWindowUi {
 public:
  TWindowBounds bounds;
  bool maximized = false;
  bool acceptDrops = false;
  int closeRequests = 0;
  int broughtToFront = 0;
  std::vector<std::string> log;  // "bounds", "maximize" in call order
  TWindowBounds Bounds() override { return bounds; }
  void SetBounds(const TWindowBounds& b) override;
  bool IsMaximized() override { return maximized; }
  void SetMaximized(bool m) override;
  void Close() override { ++closeRequests; }
  void BringToFront() override { ++broughtToFront; }
  void SetAcceptDrops(bool a) override { acceptDrops = a; }
  // Posted tasks wait here until the test runs them, as the event loop would.
  std::vector<std::function<void()>> posted;
  void Post(std::function<void()> task) override { posted.push_back(std::move(task)); }
  void RunPosted();
};

class TestShellStrip : public TabStripUi {
 public:
  std::vector<std::string> captions;
  int active = -1;
  int width = 0, style = 0, position = 0;
  std::vector<TPoint> menus;  // where the tab menu was opened
  int Count() override { return static_cast<int>(captions.size()); }
  int AddTab(const std::string& caption) override;
  void RemoveTab(int index) override;
  std::string Caption(int index) override { return captions.at(index); }
  void SetCaption(int index, const std::string& c) override { captions.at(index) = c; }
  int ActiveIndex() override { return active; }
  void SetActiveIndex(int index) override { active = index; }
  int TabWidth() override { return width; }
  void SetTabWidth(int px) override { width = px; }
  int TabStyle() override { return style; }
  void SetTabStyle(int s) override;
  int TabPosition() override { return position; }
  void SetTabPosition(int p) override { position = p; }
  void ShowTabMenu(const TPoint& screen) override { menus.push_back(screen); }
};

class TestShellPages : public EditorPages {
 public:
  EditorWindow* shown = nullptr;
  int created = 0;
  std::unique_ptr<EditorWindow> CreatePage() override;
  void ShowPage(EditorWindow* page) override { shown = page; }
};

class TestShellStatus : public StatusBarUi {
 public:
  std::string panels[kPanelCount];
  void SetPanelText(int panel, const std::string& text) override { panels[panel] = text; }
  void ShowProgress(int permille) override {
    progress.push_back(permille);
    if (onProgress) onProgress();
  }
  std::vector<int> progress;         // every value shown, -1 for hiding
  std::function<void()> onProgress;  // what the window does meanwhile (a test's events)
};

class TestShellDialogs : public ShellDialogs {
 public:
  // Names the dialogs return, in order; an empty optional (or none left) cancels.
  std::deque<std::optional<std::string>> openNames, saveNames;
  std::vector<std::string> savePresets, openFilters, saveFilters;
  // Several files chosen at once, taken before openNames (an empty list cancels).
  std::deque<std::vector<std::string>> openNameLists;
  bool printConfirms = true;
  TestPrintPage* lastPage = nullptr;  // owned by the shell until the print ends
  int printerSetups = 0;
  bool OpenFileNames(const std::string& filter, std::vector<std::string>& fileNames) override;
  // The encoding and line-end choices each save dialog showed, and what the user picks in
  // the next ones (an index, or -1 to keep the preset; none left keeps both).
  std::vector<TSaveChoice> saveChoicePresets;
  std::deque<std::pair<int, int>> saveChoices;
  bool SaveFileName(const std::string& filter, std::string& fileName, TSaveChoice* choice) override;
  std::unique_ptr<PrintPage> ExecPrintDialog() override;
  void ExecPrinterSetup() override { ++printerSetups; }
  std::vector<std::string> printedTexts;  // AllText() of each finished print job
  bool printerRefuses = false;            // the next pages fail to start their job
  // Font and colour dialogs: the presets they were opened with, and the answers in order
  // (an empty optional, or none left, cancels).
  std::vector<TFontChoice> fontPresets;
  std::deque<std::optional<TFontChoice>> fonts;
  std::vector<TColor> colorPresets;
  std::deque<std::optional<TColor>> colors;
  bool ExecFontDialog(TFontChoice& font) override;
  bool ExecColorDialog(TColor& color) override;
  // The go-to-line dialog: the (preset, line count) it was opened with, and the numbers typed
  // in order (an empty optional, or none left, cancels).
  std::vector<std::pair<int, int>> linePresets;
  std::deque<std::optional<int>> lineNumbers;
  bool AskLineNumber(int& line, int lineCount) override;
};

// A modal window: ShowModal runs `whileShown` (what the user does meanwhile) and returns; the
// window stays visible unless that closed it, as a real one would be after its modal run.
class TestShellModal : public ModalWindowUi {
 public:
  bool visible = false;
  int shows = 0;
  int closes = 0;
  std::function<void()> whileShown;
  void ShowModal() override;
  void CloseModal() override;
  bool IsVisible() override { return visible; }
};

class TestShellClipViewer : public ClipViewerUi {
 public:
  TestShellModal modal;
  TestEditorWindow page;
  EditorWindow& EditorPage() override { return page; }
  void ShowModal() override { modal.ShowModal(); }
  void CloseModal() override { modal.CloseModal(); }
  bool IsVisible() override { return modal.IsVisible(); }
};

// Everything together, with a private temporary folder for files and the settings.
// $XDG_STATE_HOME pointed at a fresh temporary folder while it lives, so no recovery journal or
// note of a save of a test reaches the user's own state folder; removed with its contents.
class PrivateStateHome {
 public:
  PrivateStateHome();
  ~PrivateStateHome();
  PrivateStateHome(const PrivateStateHome&) = delete;
  PrivateStateHome& operator=(const PrivateStateHome&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::optional<std::string> old_;
};

class TestShell {
 public:
  TestShell();
  ~TestShell();
  TestShellBoxes boxes;
  TestShellProcess process;
  TestClipboard clipboard;
  TestShellWindow window;
  TestShellStrip strip;
  TestShellPages pages;
  TestShellStatus status;
  TestShellDialogs dialogs;
  TestShellClipViewer clipViewer;
  TestShellModal about;
  std::string dir;           // the temporary folder (holds the "program" and its settings)
  std::string settingsPath;  // dir + "/quiret.ini"
  // A private state folder ($XDG_STATE_HOME while the shell lives), outside `dir`.
  PrivateStateHome state;
  const std::string& stateHome = state.Path();

  // The form; created on first use so tests can prepare settings and arguments first.
  TFormBase& Form();
  // Creation step and show step, as a start of the program does.
  TFormBase& Start();
  // A fresh form on the same desktop and files, as a second run of the program.
  void Restart();

  // File helpers in the temporary folder.
  std::string Path(const std::string& name) const { return dir + "/" + name; }
  std::string Write(const std::string& name, const std::string& bytes) const;
  static std::string Read(const std::string& path);
  std::string ReadSettings() const { return Read(settingsPath); }

  // Types a character into a tab's editor (the active one by default), which marks it changed.
  void Modify(int tab = -1);

 private:
  std::unique_ptr<TFormBase> form_;
};

}  // namespace quiret
