// The main window on Qt: tab strip, editor pages and status bar around the shell's TFormBase.
#pragma once

#include <QMainWindow>
#include <memory>

#include "platform/Clipboard.h"
#include "platform/Process.h"
#include "platform/ShellUi.h"

class QVBoxLayout;

namespace quiret {

class TFormBase;
class TabStripWidget;
class QtShellPages;
class QtShellStatusBar;
class QtShellTabStrip;
class QtShellDialogs;
class QtShellActions;
class QtFormClip;
class QtFormAbout;
class QtFindBar;

class QtMainWindow : public QMainWindow, public MainWindowUi {
  Q_OBJECT

 public:
  QtMainWindow(MessageBoxes& boxes, ProcessServices& process, Clipboard& clipboard,
               const std::string& settingsPath);
  ~QtMainWindow() override;

  TFormBase& Form() { return *form_; }
  TabStripWidget& Strip() { return *strip_; }
  QtShellStatusBar& Status() { return *status_; }
  QtShellActions& Actions() { return *actions_; }
  QtFormClip& FormClip() { return *formClip_; }
  QtFormAbout& FormAbout() { return *formAbout_; }
  QtFindBar& FindBar() { return *findBar_; }

  // ---- MainWindowUi ----
  TWindowBounds Bounds() override;
  void SetBounds(const TWindowBounds& b) override;
  bool IsMaximized() override { return isMaximized() || (windowState() & Qt::WindowMaximized); }
  void SetMaximized(bool maximized) override;
  void Close() override { close(); }
  void BringToFront() override;
  void SetAcceptDrops(bool accept) override { setAcceptDrops(accept); }
  void Post(std::function<void()> task) override;

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  // Coming back to the window looks at the active document's file for outside changes.
  void changeEvent(QEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  // Strip presses that the strip's own signals leave out (right press, close clicks beside tabs).
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void PlaceStrip();

  TabStripWidget* strip_;
  QtShellPages* pages_;
  QtShellStatusBar* status_;
  QVBoxLayout* layout_;
  std::unique_ptr<QtShellTabStrip> stripUi_;
  std::unique_ptr<QtShellDialogs> dialogs_;
  // The secondary windows, hidden until a command shows them; children of this window.
  QtFormClip* formClip_;
  QtFormAbout* formAbout_;
  std::unique_ptr<TFormBase> form_;
  QtShellActions* actions_ = nullptr;
  QtFindBar* findBar_ = nullptr;
  bool shown_ = false;
  bool closed_ = false;
};

}  // namespace quiret
