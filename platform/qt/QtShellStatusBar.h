// The main window's status bar: four fixed-width text panels (and one for find messages), no size grip.
#pragma once

#include <QLabel>
#include <QStatusBar>
#include <array>

#include "platform/ShellUi.h"

namespace quiret {

class QtShellStatusBar : public QStatusBar, public StatusBarUi {
  Q_OBJECT

 public:
  explicit QtShellStatusBar(QWidget* parent = nullptr);
  void SetPanelText(int panel, const std::string& text) override;
  QString PanelText(int panel) const;

 private:
  std::array<QLabel*, 5> panels_{};
};

}  // namespace quiret
