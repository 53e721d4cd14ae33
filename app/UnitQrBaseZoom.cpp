// TFormBase: the font size of every tab by key and wheel steps, as the font dialog sets it.
#include <algorithm>

#include "app/UnitQrBase.h"

namespace quiret {

void TFormBase::CreateZoomActions() {
  auto add = [this](const char* name, const char* caption, const char* key, std::vector<std::string> more,
                    std::function<void()> execute) {
    TAction a{name, "View", caption, key, nullptr, std::move(execute), true};
    a.MoreShortcuts = std::move(more);
    Actions.Add(std::move(a));
  };
  // "+" is a shifted key on most layouts: the key under it (= or ;) zooms too.
  add("ViewZoomIn", "拡大(&I)", "Ctrl++", {"Ctrl+=", "Ctrl+;"}, [this] { ZoomBy(1); });
  add("ViewZoomOut", "縮小(&O)", "Ctrl+-", {}, [this] { ZoomBy(-1); });
  add("ViewZoomReset", "標準の大きさ(&N)", "Ctrl+0", {}, [this] { ZoomReset(); });
}

void TFormBase::ZoomBy(int steps) {
  const std::int64_t size =
      std::clamp<std::int64_t>(std::int64_t{FontSize} + steps, kMinFontSize, kMaxFontSize);
  SetFontSize(static_cast<std::int32_t>(size));
}

void TFormBase::ZoomReset() { SetFontSize(kDefaultFontSize); }

void TFormBase::SetFontSize(std::int32_t size) {
  if (size == FontSize) return;  // at a limit: nothing to lay out again
  FontSize = size;
  ApplyFontToTabs();
}

}  // namespace quiret
