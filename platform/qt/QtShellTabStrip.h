// The shell's view of the tab strip widget: captions, active tab, look, and the tab menu.
#pragma once

#include <functional>

#include "platform/ShellUi.h"
#include "platform/qt/TabStripWidget.h"

class QMenu;

namespace quiret {

class QtShellTabStrip : public TabStripUi {
 public:
  // onPositionChanged lets the window move the strip above or below the pages.
  QtShellTabStrip(TabStripWidget& strip, std::function<void()> onPositionChanged);
  void SetMenu(QMenu* menu) { menu_ = menu; }

  int Count() override { return strip_.Count(); }
  int AddTab(const std::string& caption) override;
  void RemoveTab(int index) override { strip_.RemoveTab(index); }
  std::string Caption(int index) override { return strip_.Caption(index).toStdString(); }
  void SetCaption(int index, const std::string& caption) override;
  int ActiveIndex() override { return strip_.ActiveIndex(); }
  void SetActiveIndex(int index) override { strip_.SetActiveIndex(index); }
  int TabWidth() override { return strip_.TabWidth(); }
  void SetTabWidth(int px) override { strip_.SetTabWidth(px); }
  int TabStyle() override { return strip_.TabStyle(); }
  void SetTabStyle(int style) override { strip_.SetTabStyle(style); }
  int TabPosition() override { return strip_.TabPosition(); }
  void SetTabPosition(int pos) override;
  void ShowTabMenu(const TPoint& screen) override;

 private:
  TabStripWidget& strip_;
  std::function<void()> onPositionChanged_;
  QMenu* menu_ = nullptr;
};

}  // namespace quiret
