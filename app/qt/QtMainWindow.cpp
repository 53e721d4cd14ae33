// Builds the main window's widgets and turns window, tab strip and drop events into shell calls.
#include "app/qt/QtMainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <climits>

#include "app/Menus.h"
#include "app/UnitQrBase.h"
#include "app/qt/QtFindBar.h"
#include "app/qt/QtFormAbout.h"
#include "app/qt/QtFormClip.h"
#include "app/qt/QtRecentMenu.h"
#include "app/qt/QtShellActions.h"
#include "platform/WindowBounds.h"
#include "platform/qt/QtShellDialogs.h"
#include "platform/qt/QtShellPages.h"
#include "platform/qt/QtShellStatusBar.h"
#include "platform/qt/QtShellTabStrip.h"
#include "platform/qt/TabStripWidget.h"

namespace quiret {

QtMainWindow::QtMainWindow(MessageBoxes& boxes, ProcessServices& process, Clipboard& clipboard,
                           const std::string& settingsPath) {
  setWindowTitle("Quiret");
  auto* central = new QWidget(this);
  layout_ = new QVBoxLayout(central);
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
  strip_ = new TabStripWidget(central);
  strip_->setCursor(Qt::PointingHandCursor);
  pages_ = new QtShellPages(central);
  layout_->addWidget(strip_);
  layout_->addWidget(pages_, 1);
  setCentralWidget(central);
  status_ = new QtShellStatusBar(this);
  setStatusBar(status_);

  stripUi_ = std::make_unique<QtShellTabStrip>(*strip_, [this] { PlaceStrip(); });
  dialogs_ = std::make_unique<QtShellDialogs>(this);
  formClip_ = new QtFormClip(this);
  formAbout_ = new QtFormAbout(this);
  form_ = std::make_unique<TFormBase>(TShellServices{boxes, process, clipboard, *this, *stripUi_, *pages_,
                                                     *status_, *dialogs_, *formClip_, *formAbout_},
                                      settingsPath);

  findBar_ = new QtFindBar(*form_, central);
  layout_->addWidget(findBar_);
  form_->ShowFindBar = [this](bool replace) { findBar_->Open(replace); };

  actions_ = new QtShellActions(*form_, this);
  const QtShellActions::ClickHandler mainClick = [this](const std::string& item) { form_->MenuClick(item); };
  actions_->BuildMenuBar(menuBar(), MainMenuItems(), this, mainClick);
  AttachRecentMenu(actions_->Item("MmRecent")->menu(), *form_);
  stripUi_->SetMenu(actions_->BuildMenu(TabMenuItems(), this, this, mainClick));
  pages_->SetPopupMenu(actions_->BuildMenu(PopupMenuItems(), this, this, mainClick));
  pages_->SetZoomHandler(
      [this](int notches) { form_->Guarded([this, notches] { form_->ZoomBy(notches); }); });
  // The viewer's Clear item is the main window's command; added to the viewer, its F12 works there.
  actions_->BuildMenuBar(formClip_->MenuBar(), ClipViewerMenuItems(), formClip_,
                         [this](const std::string& item) {
                           form_->Guarded([this, &item] { form_->FormClip->MenuClick(item); });
                         });
  formClip_->addAction(actions_->Action("ClearClipBoard"));

  connect(pages_, &QtShellPages::charactersReplaced, this,
          [this](int count) { form_->ReportReplacedCharacters(count); });
  strip_->installEventFilter(this);
  connect(strip_, &TabStripWidget::tabActivated, this,
          [this](int) { form_->Guarded([this] { form_->TabChanged(); }); });
  connect(strip_, &TabStripWidget::middleClicked, this,
          [this](int tab) { form_->Guarded([this, tab] { form_->TabCloseClick(tab); }); });
  connect(strip_, &TabStripWidget::leftRightClicked, this,
          [this](int tab) { form_->Guarded([this, tab] { form_->TabCloseClick(tab); }); });
  connect(strip_, &TabStripWidget::rightClicked, this, [this](int tab, QPoint global) {
    form_->TabRightRelease(tab, TPoint{global.x(), global.y()});
  });
}

QtMainWindow::~QtMainWindow() {
  form_.reset();  // the editors go before the page widgets they draw on
}

void QtMainWindow::PlaceStrip() {
  layout_->removeWidget(strip_);
  layout_->insertWidget(strip_->TabPosition() == TabStripWidget::PositionBottom ? 1 : 0, strip_);
}

TWindowBounds QtMainWindow::Bounds() {
  const QRect g = IsMaximized() ? normalGeometry() : geometry();
  const QPoint frame = IsMaximized() ? g.topLeft() : pos();
  return TWindowBounds{frame.x(), frame.y(), g.width(), g.height()};
}

// The settings may hold anything: the window is kept on the screen that shows its centre
// (or the primary one) and no larger than that screen's free area.
void QtMainWindow::SetBounds(const TWindowBounds& b) {
  TWindowBounds fitted = b;
  const long long cx = static_cast<long long>(b.Left) + b.Width / 2;
  const long long cy = static_cast<long long>(b.Top) + b.Height / 2;
  QScreen* screen = nullptr;
  if (cx >= INT_MIN && cx <= INT_MAX && cy >= INT_MIN && cy <= INT_MAX)
    screen = QGuiApplication::screenAt(QPoint(static_cast<int>(cx), static_cast<int>(cy)));
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (screen) {
    const QRect a = screen->availableGeometry();
    fitted = FitWindowBounds(b, TRect{a.left(), a.top(), a.left() + a.width(), a.top() + a.height()});
  }
  move(fitted.Left, fitted.Top);
  resize(fitted.Width, fitted.Height);
}

void QtMainWindow::SetMaximized(bool maximized) {
  setWindowState(maximized ? (windowState() | Qt::WindowMaximized) : (windowState() & ~Qt::WindowMaximized));
}

void QtMainWindow::BringToFront() {
  // A minimized window comes back first; then it is raised and given the keyboard.
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

void QtMainWindow::Post(std::function<void()> task) {
  QTimer::singleShot(0, this, [this, task = std::move(task)] { form_->Guarded(task); });
}

void QtMainWindow::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (shown_) return;
  shown_ = true;
  // The command-line pass runs once the window is on screen, from the event loop.
  QTimer::singleShot(0, this, [this] { form_->Guarded([this] { form_->FormShow(); }); });
}

void QtMainWindow::closeEvent(QCloseEvent* e) {
  if (closed_) {
    e->accept();
    return;
  }
  if (form_->Loading()) {
    e->ignore();  // the file being read belongs to a tab that must stay
    return;
  }
  bool allow = true;
  form_->Guarded([&] { allow = form_->FormCloseQuery(); });
  if (!allow) {
    e->ignore();
    return;
  }
  closed_ = true;
  form_->FormClose();
  e->accept();
}

void QtMainWindow::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  if (e->type() != QEvent::ActivationChange || !isActiveWindow()) return;
  // From the event loop, once the activation has settled; not while one of our own dialogs
  // or boxes runs (closing it activates the window again, and the look is taken then).
  QTimer::singleShot(0, this, [this] {
    if (!isActiveWindow() || QApplication::activeModalWidget() || closed_) return;
    form_->Guarded([this] { form_->WindowActivated(); });
  });
}

bool QtMainWindow::eventFilter(QObject* watched, QEvent* e) {
  if (watched == strip_ && e->type() == QEvent::MouseButtonPress) {
    auto* me = static_cast<QMouseEvent*>(e);
    const int tab = strip_->TabAt(me->position().toPoint());
    const bool closeClick = TabStripWidget::IsCloseClick(*me);
    if (closeClick && tab < 0) {
      form_->TabCloseClick(-1);  // closes nothing, hands the focus back to the editor
    } else if (!closeClick && me->button() != Qt::LeftButton) {
      form_->TabOtherPress(tab);  // left presses arrive as tabActivated
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

void QtMainWindow::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void QtMainWindow::dropEvent(QDropEvent* e) {
  std::vector<std::string> paths;
  for (const QUrl& url : e->mimeData()->urls())
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  e->acceptProposedAction();
  form_->Guarded([&] { form_->FilesDropped(paths); });
}

}  // namespace quiret
