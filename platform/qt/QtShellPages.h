// The page area under the tab strip: one editor window per tab in a stack.
#pragma once

#include <QStackedWidget>
#include <functional>

#include "platform/ShellUi.h"

class QMenu;

namespace quiret {

class QtShellPages : public QStackedWidget, public EditorPages {
  Q_OBJECT

 public:
  explicit QtShellPages(QWidget* parent = nullptr);
  // The pop-up menu every editor page opens at the point its control asks for.
  void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
  // What the wheel turned with Ctrl held does on every page (in whole notches).
  void SetZoomHandler(std::function<void(int notches)> zoom) { zoom_ = std::move(zoom); }
  std::unique_ptr<EditorWindow> CreatePage() override;
  void ShowPage(EditorWindow* page) override;

 signals:
  // Text typed or committed on any page had `count` characters that became "?".
  void charactersReplaced(int count);

 private:
  QWidget* empty_;  // shown when there is no tab
  QMenu* popupMenu_ = nullptr;
  std::function<void(int)> zoom_;
};

}  // namespace quiret
