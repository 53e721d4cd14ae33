// Editor pages: created in the stack, removed from it when their owner destroys them.
#include "platform/qt/QtShellPages.h"

#include <QMenu>

#include "platform/qt/QtEditorWindow.h"

namespace quiret {

QtShellPages::QtShellPages(QWidget* parent) : QStackedWidget(parent), empty_(new QWidget(this)) {
  addWidget(empty_);
}

std::unique_ptr<EditorWindow> QtShellPages::CreatePage() {
  auto page = std::make_unique<QtEditorWindow>(this);
  addWidget(page.get());  // a destroyed widget leaves the stack by itself
  connect(page.get(), &QtEditorWindow::popupMenuRequested, this, [this](const QPoint& global) {
    if (popupMenu_) popupMenu_->popup(global);
  });
  connect(page.get(), &QtEditorWindow::charactersReplaced, this, &QtShellPages::charactersReplaced);
  page->zoomHandler = [this](int notches) {
    if (zoom_) zoom_(notches);
  };
  // The editor lays out its rows at once; give it the page area's size before it is shown.
  page->setGeometry(contentsRect());
  return page;
}

void QtShellPages::ShowPage(EditorWindow* page) {
  auto* widget = dynamic_cast<QtEditorWindow*>(page);
  setCurrentWidget(widget ? static_cast<QWidget*>(widget) : empty_);
}

}  // namespace quiret
