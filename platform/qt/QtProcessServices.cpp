// Process services on Qt.
#include "platform/qt/QtProcessServices.h"

#include <QApplication>
#include <QStringList>

namespace quiret {

std::vector<std::string> QtProcessServices::Arguments() {
  std::vector<std::string> out;
  if (given_) {
    out.emplace_back();
    out.insert(out.end(), args_.begin(), args_.end());
  } else {
    for (const QString& a : QCoreApplication::arguments()) out.push_back(a.toStdString());
  }
  // argv[0] is however the program was called ("./quiret", a name found on PATH); the
  // settings file and the ReadMe path need the program file's full path.
  if (out.empty()) out.emplace_back();
  out[0] = ProgramPath();
  return out;
}

std::string QtProcessServices::ProgramPath() { return QCoreApplication::applicationFilePath().toStdString(); }

void QtProcessServices::SetApplicationTitle(const std::string& title) {
  // The name only: once a display name is set, the window system adds it to every window
  // title that does not end with it, and the windows' own titles already carry the name.
  // Boxes without a caption still read the name (the display name falls back to it).
  QCoreApplication::setApplicationName(QString::fromStdString(title));
}

}  // namespace quiret
