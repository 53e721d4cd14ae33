// TFormAbout's window on Qt: a fixed-size modal dialog with the program's name, icon and version.
#pragma once

#include <QDialog>

#include "platform/ShellUi.h"

class QPushButton;

namespace quiret {

class QtFormAbout : public QDialog, public ModalWindowUi {
  Q_OBJECT

 public:
  explicit QtFormAbout(QWidget* mainWindow);
  QPushButton* OkButton() const { return ok_; }

  void ShowModal() override;
  void CloseModal() override { accept(); }
  bool IsVisible() override { return isVisible(); }

 private:
  QPushButton* ok_;
};

}  // namespace quiret
