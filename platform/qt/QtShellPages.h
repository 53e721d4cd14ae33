// The page area under the tab strip: one editor window per tab in a stack.
#pragma once

#include <QStackedWidget>

#include "platform/ShellUi.h"

namespace quiret {

class QtShellPages : public QStackedWidget, public EditorPages {
  Q_OBJECT

 public:
  explicit QtShellPages(QWidget* parent = nullptr);
  std::unique_ptr<EditorWindow> CreatePage() override;
  void ShowPage(EditorWindow* page) override;

 private:
  QWidget* empty_;  // shown when there is no tab
};

}  // namespace quiret
