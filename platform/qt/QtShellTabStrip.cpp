// Forwards the shell's tab strip calls to the widget, converting strings to and from UTF-8.
#include "platform/qt/QtShellTabStrip.h"

#include <QMenu>

namespace quiret {

QtShellTabStrip::QtShellTabStrip(TabStripWidget& strip, std::function<void()> onPositionChanged)
    : strip_(strip), onPositionChanged_(std::move(onPositionChanged)) {}

int QtShellTabStrip::AddTab(const std::string& caption) {
  return strip_.AddTab(QString::fromStdString(caption));
}

void QtShellTabStrip::SetCaption(int index, const std::string& caption) {
  strip_.SetCaption(index, QString::fromStdString(caption));
}

void QtShellTabStrip::SetTabPosition(int pos) {
  strip_.SetTabPosition(pos);
  if (onPositionChanged_) onPositionChanged_();
}

void QtShellTabStrip::ShowTabMenu(const TPoint& screen) {
  if (menu_) menu_->popup(QPoint(screen.x, screen.y));
}

}  // namespace quiret
