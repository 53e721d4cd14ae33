// TFormClip's window on Qt: a modal dialog with a menu bar over one editor window.
#pragma once

#include <QDialog>

#include "platform/ShellUi.h"

class QMenuBar;

namespace quiret {

class QtEditorWindow;

class QtFormClip : public QDialog, public ClipViewerUi {
  Q_OBJECT

 public:
  explicit QtFormClip(QWidget* mainWindow);
  QMenuBar* MenuBar() const { return bar_; }
  QtEditorWindow& Editor() const { return *editor_; }

  EditorWindow& EditorPage() override;
  void ShowModal() override;
  void CloseModal() override { accept(); }
  bool IsVisible() override { return isVisible(); }

 private:
  QMenuBar* bar_;
  QtEditorWindow* editor_;
};

// Puts a dialog's frame centred over the window it belongs to.
void CentreOverParent(QWidget& dialog);

}  // namespace quiret
