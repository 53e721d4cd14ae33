// Program start on Qt: single instance, the three windows, the message loop, and exit.
#include "app/qt/QtApplication.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <system_error>

#include "app/CommandLine.h"
#include "app/UnitQrBase.h"
#include "app/qt/QtMainWindow.h"
#include "platform/DurableSync.h"
#include "platform/InstanceGuard.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtInstanceChannel.h"
#include "platform/qt/QtMessageBoxes.h"
#include "platform/qt/QtProcessServices.h"

namespace quiret {

namespace {

// How long a second start waits for the running instance to take its files.
constexpr int kHandOverWaitMs = 2000;

std::string WorkingFolder() {
  std::error_code ec;
  const std::filesystem::path here = std::filesystem::current_path(ec);
  return ec || here.empty() ? std::string("/") : here.string();  // a removed folder names nothing
}

}  // namespace

int RunQtApplication(int argc, char** argv) {
  // --help and --version answer without a window system; Qt's options are still in argv.
  const CommandLineCheck early =
      CheckCommandLine(std::vector<std::string>(argv + (argc > 0), argv + argc), false);
  if (early.Action == CommandLineAction::Help || early.Action == CommandLineAction::Version) {
    std::fputs((early.Action == CommandLineAction::Help ? HelpText() : VersionText()).c_str(), stdout);
    return 0;
  }
  // Made first: it knows the window system, and message boxes need it.
  QApplication app(argc, argv);
  // Qt has taken out the options it knows; any other option is a mistake, refused before a
  // window or a second start's hand-over.
  // Taken from argv, which Qt has shortened in place: its bytes as they came, since a file
  // name need not be UTF-8 and a QString would not give it back.
  const std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
  if (const CommandLineCheck check = CheckCommandLine(args); check.Action == CommandLineAction::Refuse) {
    std::fprintf(stderr, "quiret: unknown option '%s'\n%s", check.Option.c_str(), UsageLine().c_str());
    return 2;
  }
  // One instance per desktop: another display of the same user has a lock of its own. Held
  // until the process ends; the kernel drops the lock even after a crash.
  const std::string lockName =
      InstanceGuard::DesktopLockName("Quiret070", QGuiApplication::platformName().toStdString());
  InstanceGuard guard(lockName);
  // Qt's own dialogs and buttons speak the program's language, whatever the desktop's locale.
  QTranslator qtJapanese;
  if (qtJapanese.load("qtbase_ja", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    app.installTranslator(&qtJapanese);
  QtMessageBoxes boxes;
  QtInstanceChannel channel;
  if (guard.AlreadyExisted()) {
    // The running instance opens the files and comes forward; no settings are read or
    // written here. Only an instance that does not answer leaves the box to be shown.
    switch (
        channel.Send(InstanceGuard::SocketPath(lockName), HandOver{WorkingFolder(), args}, kHandOverWaitMs)) {
      case InstanceChannel::SendResult::Delivered:
        return 0;
      case InstanceChannel::SendResult::TooLarge:
        boxes.ShowStop("引数が長すぎるため、起動中のウィンドウに渡せませんでした。");
        return 0;
      case InstanceChannel::SendResult::NoAnswer:
        boxes.ShowStop("すでに起動しています。");
        return 0;
    }
  }
  // Logout, shutdown and Ctrl+C first make the recovery journals durable.
  DurableSync::InstallEndSignalHandlers();
  QtProcessServices process(args);
  process.SetApplicationTitle("Quiret");
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256})
    icon.addFile(QString(":/icons/hicolor/%1x%1/apps/quiret.png").arg(size), QSize(size, size));
  app.setWindowIcon(icon);
  QtClipboard clipboard;

  QtMainWindow window(boxes, process, clipboard, SettingsFilePath(process.ProgramPath()));
  window.Form().SessionName =
      InstanceGuard::DesktopLockName("session", QGuiApplication::platformName().toStdString());
  // Open from the start, so a second start made meanwhile is answered, not shown the box;
  // its files wait for the show step, and for any dialog or box that is up or step that lets
  // the window repaint (a load, a long find): tabs never change under them.
  std::function<void(const HandOver&)> deliver = [&window, &deliver](const HandOver& h) {
    if (QApplication::activeModalWidget() || window.Form().Busy()) {
      QTimer::singleShot(250, &window, [&deliver, h] { deliver(h); });
      return;
    }
    window.Form().Guarded([&] { window.Form().OpenHandOver(h); });
  };
  channel.Listen(InstanceGuard::SocketPath(lockName), deliver);
  // The clipboard viewer and the version window are created hidden with the main window.
  window.Form().Guarded([&] { window.Form().FormCreate(); });
  window.show();
  return app.exec();
}

}  // namespace quiret
