// Open and save dialogs with the shell's filters; print dialogs on one shared printer; the font
// and colour dialogs, and the line number asked for by go to line.
#include "platform/qt/QtShellDialogs.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <limits>

#include "platform/PrintPage.h"
#include "platform/qt/QtFontDialog.h"
#include "platform/qt/QtPrintPage.h"
#include "platform/qt/QtSurface.h"

namespace quiret {

QtShellDialogs::QtShellDialogs(QWidget* parent) : parent_(parent) {}

QPrinter& QtShellDialogs::Printer() {
  if (!printer_) printer_ = std::make_shared<QPrinter>(QPrinter::HighResolution);
  return *printer_;
}

QtShellDialogs::~QtShellDialogs() = default;

QStringList QtShellDialogs::NameFilters(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    out << parts[i] + " (" + patterns + ")";
  }
  return out;
}

bool QtShellDialogs::OpenFileNames(const std::string& filter, std::vector<std::string>& fileNames) {
  QFileDialog dialog(parent_);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setNameFilters(NameFilters(filter));
  // Links are opened as the files they are; hidden files are listed.
  dialog.setOption(QFileDialog::DontResolveSymlinks, true);
  dialog.setFilter(dialog.filter() | QDir::Hidden);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  fileNames.clear();
  for (const QString& name : dialog.selectedFiles()) fileNames.push_back(name.toStdString());
  return true;
}

bool QtShellDialogs::SaveFileName(const std::string& filter, std::string& fileName, TSaveChoice* choice) {
  QFileDialog dialog(parent_);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(NameFilters(filter));
  dialog.setDefaultSuffix(QString());  // a typed name is used as typed
  dialog.setFilter(dialog.filter() | QDir::Hidden);
  if (!fileName.empty()) dialog.selectFile(QString::fromStdString(fileName));
  QComboBox* encodings = nullptr;
  QComboBox* lineEnds = nullptr;
  if (choice) {
    // Only Qt's own dialog takes widgets of ours: a row under the file type.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    auto combo = [&](const std::vector<std::string>& items, int current, const char* name) {
      auto* box = new QComboBox(&dialog);
      box->setObjectName(name);
      for (const std::string& item : items) box->addItem(QString::fromStdString(item));
      box->setCurrentIndex(current);
      return box;
    };
    encodings = combo(choice->Encodings, choice->EncodingIndex, "encoding");
    lineEnds = combo(choice->LineEnds, choice->LineEndIndex, "lineEnd");
    auto* row = new QWidget(&dialog);
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->addWidget(encodings, 1);
    rowLayout->addWidget(new QLabel(QString::fromUtf8("改行コード:"), row));
    rowLayout->addWidget(lineEnds);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
      const int r = grid->rowCount();
      grid->addWidget(new QLabel(QString::fromUtf8("文字コード:"), &dialog), r, 0);
      grid->addWidget(row, r, 1, 1, grid->columnCount() - 1);
    }
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  fileName = dialog.selectedFiles().first().toStdString();
  if (choice) {
    choice->EncodingIndex = encodings->currentIndex();
    choice->LineEndIndex = lineEnds->currentIndex();
  }
  return true;
}

std::unique_ptr<PrintPage> QtShellDialogs::ExecPrintDialog() {
  QPrintDialog dialog(&Printer(), parent_);
  if (dialog.exec() != QDialog::Accepted) return nullptr;
  return std::make_unique<QtPrintPage>(Printer());
}

void QtShellDialogs::ExecPrinterSetup() {
  QPageSetupDialog dialog(&Printer(), parent_);
  dialog.exec();
}

bool QtShellDialogs::ExecFontDialog(TFontChoice& font) {
  QtFontDialog dialog(font, parent_);
  if (dialog.exec() != QDialog::Accepted) return false;
  font = dialog.Choice();
  return true;
}

bool QtShellDialogs::ExecColorDialog(TColor& color) {
  // Qt's colour dialog always shows its full form, custom colours included.
  QColorDialog dialog(QtSurface::ToQColor(color), parent_);
  dialog.setWindowTitle(QString::fromUtf8("色の設定"));
  if (dialog.exec() != QDialog::Accepted) return false;
  color = QtSurface::FromQColor(dialog.selectedColor());
  return true;
}

bool QtShellDialogs::AskLineNumber(int& line, int lineCount) {
  QInputDialog dialog(parent_);
  dialog.setWindowTitle(QString::fromUtf8("指定行へ移動"));
  dialog.setInputMode(QInputDialog::IntInput);
  dialog.setLabelText(QString::fromUtf8("行番号（1～%1）(&L):").arg(lineCount));
  // Any number is taken; one beyond the text means its last line, which the shell decides.
  dialog.setIntRange(0, std::numeric_limits<int>::max());
  dialog.setIntValue(line);
  if (dialog.exec() != QDialog::Accepted) return false;
  line = dialog.intValue();
  return true;
}

}  // namespace quiret
