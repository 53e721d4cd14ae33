// Fills the recent-files submenu with numbered full paths as it opens.
#include "app/qt/QtRecentMenu.h"

#include <QAction>
#include <QMenu>

#include "app/UnitQrBase.h"

namespace quiret {

namespace {
constexpr const char* kEntryProperty = "quiretRecentEntry";
}

void AttachRecentMenu(QMenu* menu, TFormBase& form) {
  if (!menu) return;
  QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, &form] {
    for (QAction* a : menu->actions())
      if (a->property(kEntryProperty).toBool()) {
        menu->removeAction(a);
        a->deleteLater();
      }
    QAction* first = menu->actions().isEmpty() ? nullptr : menu->actions().first();
    auto add = [&](QAction* a) {
      a->setProperty(kEntryProperty, true);
      menu->insertAction(first, a);
    };
    const std::vector<TRecentFile>& files = form.RecentFiles();
    if (files.empty()) {
      auto* none = new QAction(QString::fromUtf8("（なし）"), menu);
      none->setEnabled(false);
      add(none);
    }
    for (size_t i = 0; i < files.size(); ++i) {
      // The number is the access key (1-9, then 0); an "&" in a path is shown as itself.
      QString path = QString::fromStdString(files[i].Path);
      path.replace('&', "&&");
      const int key = static_cast<int>((i + 1) % 10);
      auto* entry = new QAction(QString("&%1 %2").arg(key).arg(path), menu);
      const std::string item = TFormBase::RecentItemName(static_cast<int>(i));
      QObject::connect(entry, &QAction::triggered, menu, [&form, item] { form.MenuClick(item); });
      add(entry);
    }
    auto* separator = new QAction(menu);
    separator->setSeparator(true);
    add(separator);
  });
}

}  // namespace quiret
