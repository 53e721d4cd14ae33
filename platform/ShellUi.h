// The desktop parts as the shell's rules see them: main window, tab strip, pages, status bar,
// and the secondary windows shown modally over the main window.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/EditorWindow.h"
#include "platform/Types.h"

namespace quiret {

// Window placement in screen pixels: Left and Top of the frame, Width and Height of the window.
struct TWindowBounds {
  int Left = 10;
  int Top = 10;
  int Width = 600;
  int Height = 400;
  friend bool operator==(const TWindowBounds&, const TWindowBounds&) = default;
};

// The main window itself.
class MainWindowUi {
 public:
  virtual ~MainWindowUi() = default;
  virtual TWindowBounds Bounds() = 0;  // the normal (restore) bounds
  virtual void SetBounds(const TWindowBounds& b) = 0;
  virtual bool IsMaximized() = 0;
  virtual void SetMaximized(bool maximized) = 0;
  // Asks the window to close; the close question runs as for the close box.
  virtual void Close() = 0;
  virtual void BringToFront() = 0;
  // Whether files dropped from the desktop reach the window.
  virtual void SetAcceptDrops(bool accept) = 0;
  // Runs `task` once the event being handled is done, from the event loop: for what must
  // not happen in the middle of an editing step (a message box, say).
  virtual void Post(std::function<void()> task) = 0;
};

// The multi-row tab strip: captions only; the pages live in EditorPages.
class TabStripUi {
 public:
  virtual ~TabStripUi() = default;
  virtual int Count() = 0;
  virtual int AddTab(const std::string& caption) = 0;  // appended at the right end
  virtual void RemoveTab(int index) = 0;
  virtual std::string Caption(int index) = 0;
  virtual void SetCaption(int index, const std::string& caption) = 0;
  virtual int ActiveIndex() = 0;               // -1 when there is no tab
  virtual void SetActiveIndex(int index) = 0;  // sends no change notification
  virtual int TabWidth() = 0;                  // 0 = fit the caption
  virtual void SetTabWidth(int px) = 0;
  virtual int TabStyle() = 0;  // 0 tabs, 1 buttons, 2 flat buttons
  virtual void SetTabStyle(int style) = 0;
  virtual int TabPosition() = 0;  // 0 top, 1 bottom
  virtual void SetTabPosition(int pos) = 0;
  virtual void ShowTabMenu(const TPoint& screen) = 0;  // the tab menu at a screen point
};

// The page area under the strip: one editor window per tab, one shown at a time.
class EditorPages {
 public:
  virtual ~EditorPages() = default;
  virtual std::unique_ptr<EditorWindow> CreatePage() = 0;  // destroying it removes the page
  virtual void ShowPage(EditorWindow* page) = 0;           // nullptr: no page
};

// The status bar with its four panels, and at its right end a panel for what find reports,
// one for the encoding notice, one for the overwrite mode and the caret's line and column,
// one for the document's encoding and line end, and one for how many hits the search text
// has ("m / n 件"), each shown only while it has a text.
inline constexpr int kNoticePanel = 4;
inline constexpr int kFindPanel = 5;
inline constexpr int kOverwritePanel = 6;
inline constexpr int kCaretPanel = 7;
inline constexpr int kFormatPanel = 8;
inline constexpr int kHitCountPanel = 9;
inline constexpr int kPanelCount = 10;
class StatusBarUi {
 public:
  virtual ~StatusBarUi() = default;
  virtual void SetPanelText(int panel, const std::string& text) = 0;
  // Shows how far a long load got, in thousandths (a negative value hides it again), and
  // lets the window repaint meanwhile; no user input is taken while it shows.
  virtual void ShowProgress(int permille) = 0;
};

// A secondary window that is created hidden and shown modally over the main window.
class ModalWindowUi {
 public:
  virtual ~ModalWindowUi() = default;
  // Shows the window centred over the main window; returns once it is closed.
  virtual void ShowModal() = 0;
  // Hides the window and ends its modal run with the result OK.
  virtual void CloseModal() = 0;
  virtual bool IsVisible() = 0;
};

// The clipboard viewer: a modal window filled by one editor window.
class ClipViewerUi : public ModalWindowUi {
 public:
  virtual EditorWindow& EditorPage() = 0;
};

}  // namespace quiret
