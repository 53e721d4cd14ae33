// Process services on Qt.
#include "platform/qt/QtProcessServices.h"

#include <QApplication>
#include <QStringList>

namespace quiret {

std::vector<std::string> QtProcessServices::Arguments() {
  const QStringList args = QCoreApplication::arguments();
  std::vector<std::string> out;
  out.reserve(static_cast<size_t>(args.size()));
  for (const QString& a : args) out.push_back(a.toStdString());
  // argv[0] is however the program was called ("./quiret", a name found on PATH); the
  // settings file and the ReadMe path need the program file's full path.
  if (out.empty()) out.emplace_back();
  out[0] = ProgramPath();
  return out;
}

std::string QtProcessServices::ProgramPath() { return QCoreApplication::applicationFilePath().toStdString(); }

void QtProcessServices::SetApplicationTitle(const std::string& title) {
  const QString name = QString::fromStdString(title);
  QCoreApplication::setApplicationName(name);
  QGuiApplication::setApplicationDisplayName(name);
}

}  // namespace quiret
