// Windows system colour indexes resolved through the application palette: each index names
// the palette role that plays the same part on this desktop.
#include "platform/qt/SystemColors.h"

#include <QApplication>
#include <QPalette>
#include <array>

#include "platform/qt/QtSurface.h"

namespace quiret {

namespace {

struct PaletteSlot {
  QPalette::ColorGroup group = QPalette::Active;
  QPalette::ColorRole role = QPalette::Base;
};

constexpr PaletteSlot A(QPalette::ColorRole role) { return {QPalette::Active, role}; }

// Index -> palette slot; indexes not listed fall back to the window background (Base).
constexpr std::array<PaletteSlot, 31> kSlots = {
    A(QPalette::Button),                         // 0 scroll bar
    A(QPalette::Window),                         // 1 desktop
    A(QPalette::Highlight),                      // 2 active caption
    A(QPalette::Mid),                            // 3 inactive caption
    A(QPalette::Window),                         // 4 menu
    A(QPalette::Base),                           // 5 window
    A(QPalette::Shadow),                         // 6 window frame
    A(QPalette::WindowText),                     // 7 menu text
    A(QPalette::Text),                           // 8 window text
    A(QPalette::HighlightedText),                // 9 caption text
    A(QPalette::Button),                         // 10 active border
    A(QPalette::Button),                         // 11 inactive border
    A(QPalette::Mid),                            // 12 application workspace
    A(QPalette::Highlight),                      // 13 highlight
    A(QPalette::HighlightedText),                // 14 highlighted text
    A(QPalette::Button),                         // 15 button face
    A(QPalette::Dark),                           // 16 button shadow
    {QPalette::Disabled, QPalette::Text},        // 17 grey text
    A(QPalette::ButtonText),                     // 18 button text
    {QPalette::Disabled, QPalette::WindowText},  // 19 inactive caption text
    A(QPalette::Light),                          // 20 button highlight
    A(QPalette::Shadow),                         // 21 3D dark shadow
    A(QPalette::Midlight),                       // 22 3D light
    A(QPalette::ToolTipText),                    // 23 tooltip text
    A(QPalette::ToolTipBase),                    // 24 tooltip background
    A(QPalette::Base),                           // 25 (unused index)
    A(QPalette::Link),                           // 26 hot-tracked item
    A(QPalette::Highlight),                      // 27 active caption gradient
    A(QPalette::Mid),                            // 28 inactive caption gradient
    A(QPalette::Highlight),                      // 29 menu highlight
    A(QPalette::Window),                         // 30 menu bar
};

}  // namespace

TColor ResolveSystemColor(TColor color) {
  if (!IsSystemColor(color)) return color;
  const std::size_t index = color & 0xFF;
  const PaletteSlot slot = index < kSlots.size() ? kSlots[index] : PaletteSlot{};
  return QtSurface::FromQColor(QApplication::palette().color(slot.group, slot.role));
}

}  // namespace quiret
