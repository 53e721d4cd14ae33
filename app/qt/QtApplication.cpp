// Program start on Qt: single instance, the three windows, the message loop, and exit.
#include "app/qt/QtApplication.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/UnitQrBase.h"
#include "app/qt/QtMainWindow.h"
#include "platform/DurableSync.h"
#include "platform/InstanceGuard.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtMessageBoxes.h"
#include "platform/qt/QtProcessServices.h"

namespace quiret {

int RunQtApplication(int argc, char** argv) {
  // Made first: it knows the window system, and message boxes need it.
  QApplication app(argc, argv);
  // One instance per desktop: another display of the same user has a lock of its own. Held
  // until the process ends; the kernel drops the lock even after a crash.
  InstanceGuard guard(
      InstanceGuard::DesktopLockName("Quiret070", QGuiApplication::platformName().toStdString()));
  // Qt's own dialogs and buttons speak the program's language, whatever the desktop's locale.
  QTranslator qtJapanese;
  if (qtJapanese.load("qtbase_ja", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    app.installTranslator(&qtJapanese);
  QtMessageBoxes boxes;
  if (guard.AlreadyExisted()) {
    // Nothing is handed to the running instance, and no settings are read or written.
    boxes.ShowStop("すでに起動しています。");
    return 0;
  }
  // Logout, shutdown and Ctrl+C first make the recovery journals durable.
  DurableSync::InstallEndSignalHandlers();
  QtProcessServices process;
  process.SetApplicationTitle("Quiret");
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256})
    icon.addFile(QString(":/icons/hicolor/%1x%1/apps/quiret.png").arg(size), QSize(size, size));
  app.setWindowIcon(icon);
  QtClipboard clipboard;

  QtMainWindow window(boxes, process, clipboard, SettingsFilePath(process.ProgramPath()));
  window.Form().SessionName =
      InstanceGuard::DesktopLockName("session", QGuiApplication::platformName().toStdString());
  // The clipboard viewer and the version window are created hidden with the main window.
  window.Form().Guarded([&] { window.Form().FormCreate(); });
  window.show();
  return app.exec();
}

}  // namespace quiret
