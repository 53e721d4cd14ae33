// Message boxes on Qt: modal QMessageBox instances over the active window.
#include "platform/qt/QtMessageBoxes.h"

#include <QApplication>
#include <QPushButton>

namespace quiret {

namespace {

// The program's texts use CR LF; a label shows a CR as a stray glyph on some styles.
QString BoxText(const std::string& utf8) {
  QString s = QString::fromStdString(utf8);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

// A box without a caption carries the application's name, as the desktop's default would.
QString BoxTitle(const std::string& caption) {
  if (!caption.empty()) return QString::fromStdString(caption);
  QString name = QGuiApplication::applicationDisplayName();
  return name.isEmpty() ? QCoreApplication::applicationName() : name;
}

}  // namespace

int QtMessageBoxes::Run(QMessageBox& box) {
  box.setTextFormat(Qt::PlainText);  // a path with "<" is not markup
  box.setWindowModality(Qt::ApplicationModal);
  if (beforeShow_) beforeShow_(box);
  return box.exec();
}

void QtMessageBoxes::ShowOk(QMessageBox::Icon icon, const std::string& text) {
  QMessageBox box(icon, BoxTitle(""), BoxText(text), QMessageBox::Ok, QApplication::activeWindow());
  Run(box);
}

void QtMessageBoxes::ShowStop(const std::string& text) { ShowOk(QMessageBox::Critical, text); }

void QtMessageBoxes::ShowInformation(const std::string& text) { ShowOk(QMessageBox::Information, text); }

void QtMessageBoxes::ShowPlain(const std::string& text) { ShowOk(QMessageBox::NoIcon, text); }

void QtMessageBoxes::ShowError(const std::string& text) { ShowOk(QMessageBox::Critical, text); }

YesNoAnswer QtMessageBoxes::AskYesNo(const std::string& text, const std::string& caption) {
  return Ask(text, caption, true);
}

YesNoAnswer QtMessageBoxes::AskYesNoDefaultNo(const std::string& text, const std::string& caption) {
  return Ask(text, caption, false);
}

YesNoAnswer QtMessageBoxes::Ask(const std::string& text, const std::string& caption, bool defaultYes) {
  QMessageBox box(QMessageBox::Question, BoxTitle(caption), BoxText(text), QMessageBox::NoButton,
                  QApplication::activeWindow());
  QPushButton* yes = box.addButton(QMessageBox::Yes);
  QPushButton* no = box.addButton(QMessageBox::No);
  // Without an escape button Qt would either refuse Escape and the close box or treat them as
  // No; the caller must be able to tell "closed without a choice" apart, so a hidden button
  // takes that role.
  QPushButton* closed = box.addButton(QMessageBox::Cancel);
  closed->hide();
  box.setEscapeButton(closed);
  box.setDefaultButton(defaultYes ? yes : no);
  Run(box);
  if (box.clickedButton() == yes) return YesNoAnswer::Yes;
  if (box.clickedButton() == no) return YesNoAnswer::No;
  return YesNoAnswer::Closed;
}

}  // namespace quiret
