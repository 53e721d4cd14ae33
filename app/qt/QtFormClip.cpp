// The clipboard viewer's dialog: menu bar, editor, and its modal run centred over the main window.
#include "app/qt/QtFormClip.h"

#include <QMenuBar>
#include <QVBoxLayout>

#include "app/UnitQrClip.h"
#include "platform/qt/QtEditorWindow.h"

namespace quiret {

void CentreOverParent(QWidget& dialog) {
  QWidget* owner = dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr;
  if (!owner) return;
  const QRect frame = dialog.frameGeometry();
  dialog.move(owner->frameGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2));
}

QtFormClip::QtFormClip(QWidget* mainWindow) : QDialog(mainWindow) {
  setObjectName("FormClip");
  setWindowTitle(TFormClip::kCaption);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  bar_ = new QMenuBar(this);
  layout->setMenuBar(bar_);
  editor_ = new QtEditorWindow(this);
  editor_->setObjectName("SEditC");
  editor_->setFocusPolicy(Qt::StrongFocus);  // TabStop
  layout->addWidget(editor_);
  resize(TFormClip::kWidth, TFormClip::kHeight);
  // The editor lays out the text before the window is first shown: give it its real size now,
  // or a paste would scroll as if one row fitted.
  layout->activate();
}

EditorWindow& QtFormClip::EditorPage() { return *editor_; }

void QtFormClip::ShowModal() {
  // Centred at every showing, wherever it was left the last time.
  ensurePolished();
  CentreOverParent(*this);
  editor_->setFocus();
  exec();
}

}  // namespace quiret
