// Program start on Qt: single instance, the three windows, the message loop, and exit.
#include "app/qt/QtApplication.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/UnitQrAbout.h"
#include "app/UnitQrBase.h"
#include "app/UnitQrClip.h"
#include "platform/InstanceGuard.h"
#include "platform/qt/QtClipboard.h"
#include "app/qt/QtMainWindow.h"
#include "platform/qt/QtMessageBoxes.h"
#include "platform/qt/QtProcessServices.h"

namespace quiret {

int RunQtApplication(int argc, char** argv) {
  // Held until the process ends; the kernel drops the lock even after a crash.
  InstanceGuard guard("Quiret070");
  // Message boxes need the application object, so it exists before the guard's answer is used.
  QApplication app(argc, argv);
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
  QtProcessServices process;
  process.SetApplicationTitle("Quiret");
  QtClipboard clipboard;

  QtMainWindow window(boxes, process, clipboard, SettingsFilePath(process.ProgramPath()));
  window.Form().Guarded([&] { window.Form().FormCreate(); });
  TFormClip formClip;    // created hidden
  TFormAbout formAbout;  // created hidden
  window.show();
  return app.exec();
}

}  // namespace quiret
