// The scripted test desktop for the shell: recording doubles and a temporary folder.
#include "tests/support/TestShell.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quiret {

YesNoAnswer TestShellBoxes::AskYesNo(const std::string& text, const std::string&) {
  shown.push_back({"yesno", text});
  if (answers.empty()) return ++unscripted == 1 ? YesNoAnswer::Closed : YesNoAnswer::No;
  const YesNoAnswer a = answers.front();
  answers.pop_front();
  return a;
}

std::vector<std::string> TestShellBoxes::Texts(const std::string& kind) const {
  std::vector<std::string> out;
  for (const auto& s : shown)
    if (s.kind == kind) out.push_back(s.text);
  return out;
}

void TestShellWindow::SetBounds(const TWindowBounds& b) {
  bounds = b;
  log.push_back("bounds");
}

void TestShellWindow::SetMaximized(bool m) {
  maximized = m;
  log.push_back(m ? "maximize" : "restore");
}

void TestShellWindow::RunPosted() {
  std::vector<std::function<void()>> tasks;
  tasks.swap(posted);
  for (auto& task : tasks) task();
}

int TestShellStrip::AddTab(const std::string& caption) {
  captions.push_back(caption);
  if (active < 0) active = 0;
  return Count() - 1;
}

void TestShellStrip::RemoveTab(int index) {
  captions.erase(captions.begin() + index);
  if (active >= Count()) active = Count() - 1;
}

void TestShellStrip::SetTabStyle(int s) {
  style = s;
  if (s != 0) position = 0;  // as the real strip: buttons live on top
}

std::unique_ptr<EditorWindow> TestShellPages::CreatePage() {
  ++created;
  return std::make_unique<TestEditorWindow>();
}

namespace {
// Keeps what a print job drew after the shell has released the page.
class RecordingPrintPage : public TestPrintPage {
 public:
  explicit RecordingPrintPage(std::vector<std::string>& sink) : sink_(sink) {}
  ~RecordingPrintPage() override { sink_.push_back(AllText()); }

 private:
  std::vector<std::string>& sink_;
};

bool TakeName(std::deque<std::optional<std::string>>& names, std::string& fileName) {
  if (names.empty()) return false;
  std::optional<std::string> next = names.front();
  names.pop_front();
  if (!next) return false;
  fileName = *next;
  return true;
}
}  // namespace

bool TestShellDialogs::OpenFileNames(const std::string& filter, std::vector<std::string>& fileNames) {
  openFilters.push_back(filter);
  if (!openNameLists.empty()) {
    fileNames = openNameLists.front();
    openNameLists.pop_front();
    return !fileNames.empty();
  }
  std::string name;
  if (!TakeName(openNames, name)) return false;
  fileNames = {name};
  return true;
}

bool TestShellDialogs::SaveFileName(const std::string& filter, std::string& fileName, TSaveChoice* choice) {
  saveFilters.push_back(filter);
  savePresets.push_back(fileName);
  if (choice) {
    saveChoicePresets.push_back(*choice);
    if (!saveChoices.empty()) {
      const auto [encoding, lineEnd] = saveChoices.front();
      saveChoices.pop_front();
      if (encoding >= 0) choice->EncodingIndex = encoding;
      if (lineEnd >= 0) choice->LineEndIndex = lineEnd;
    }
  }
  return TakeName(saveNames, fileName);
}

std::unique_ptr<PrintPage> TestShellDialogs::ExecPrintDialog() {
  if (!printConfirms) return nullptr;
  auto page = std::make_unique<RecordingPrintPage>(printedTexts);
  page->FailToStart = printerRefuses;
  lastPage = page.get();
  return page;
}

bool TestShellDialogs::ExecFontDialog(TFontChoice& font) {
  fontPresets.push_back(font);
  if (fonts.empty()) return false;
  std::optional<TFontChoice> next = fonts.front();
  fonts.pop_front();
  if (!next) return false;
  font = *next;
  return true;
}

bool TestShellDialogs::ExecColorDialog(TColor& color) {
  colorPresets.push_back(color);
  if (colors.empty()) return false;
  std::optional<TColor> next = colors.front();
  colors.pop_front();
  if (!next) return false;
  color = *next;
  return true;
}

bool TestShellDialogs::AskLineNumber(int& line, int lineCount) {
  linePresets.emplace_back(line, lineCount);
  if (lineNumbers.empty()) return false;
  std::optional<int> next = lineNumbers.front();
  lineNumbers.pop_front();
  if (!next) return false;
  line = *next;
  return true;
}

void TestShellModal::ShowModal() {
  visible = true;
  ++shows;
  if (whileShown) whileShown();
}

void TestShellModal::CloseModal() {
  visible = false;
  ++closes;
}

PrivateStateHome::PrivateStateHome() {
  std::string state = (std::filesystem::temp_directory_path() / "quiret-state-XXXXXX").string();
  if (!mkdtemp(state.data())) throw std::runtime_error("mkdtemp failed");
  path_ = state;
  if (const char* old = std::getenv("XDG_STATE_HOME")) old_ = old;
  setenv("XDG_STATE_HOME", path_.c_str(), 1);
}

PrivateStateHome::~PrivateStateHome() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
  if (old_)
    setenv("XDG_STATE_HOME", old_->c_str(), 1);
  else
    unsetenv("XDG_STATE_HOME");
}

TestShell::TestShell() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quiret-shell-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  dir = pattern;
  settingsPath = dir + "/quiret.ini";
  process.args = {dir + "/quiret"};
}

TestShell::~TestShell() {
  form_.reset();
  std::error_code ec;
  // Read-only files made by tests must not stop the clean-up.
  for (auto& entry : std::filesystem::recursive_directory_iterator(dir, ec))
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(dir, ec);
}

TFormBase& TestShell::Form() {
  if (!form_) {
    form_ = std::make_unique<TFormBase>(
        TShellServices{boxes, process, clipboard, window, strip, pages, status, dialogs, clipViewer, about},
        settingsPath);
  }
  return *form_;
}

TFormBase& TestShell::Start() {
  TFormBase& f = Form();
  f.FormCreate();
  f.FormShow();
  return f;
}

void TestShell::Restart() {
  form_.reset();
  strip = TestShellStrip();
  pages.shown = nullptr;
  status = TestShellStatus();
  window = TestShellWindow();
  clipViewer.modal = TestShellModal();
  about = TestShellModal();
}

std::string TestShell::Write(const std::string& name, const std::string& bytes) const {
  const std::string path = Path(name);
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  return path;
}

std::string TestShell::Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void TestShell::Modify(int tab) {
  TFormBase& f = Form();
  const int index = tab < 0 ? f.ActiveIndex() : tab;
  f.Tab(index).Editor->TypeText("x");
  if (!f.Tab(index).Editor->GetModified()) throw std::logic_error("typing did not change the text");
}

}  // namespace quiret
