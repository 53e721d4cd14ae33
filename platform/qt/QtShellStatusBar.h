// The main window's status bar: four fixed-width text panels, two panels (find, encoding
// notice) that show only with a text, and a load progress bar; no size grip.
#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <array>

#include "platform/ShellUi.h"

namespace quiret {

class QtShellStatusBar : public QStatusBar, public StatusBarUi {
  Q_OBJECT

 public:
  explicit QtShellStatusBar(QWidget* parent = nullptr);
  void SetPanelText(int panel, const std::string& text) override;
  void ShowProgress(int permille) override;
  QString PanelText(int panel) const;

 private:
  std::array<QLabel*, kPanelCount> panels_{};
  QProgressBar* progress_ = nullptr;
};

}  // namespace quiret
