// The font dialog: name, size and colour with a sample, preset from the editor's settings.
// Qt's own font dialog has no colour, so the shell gets this one.
#pragma once

#include <QColor>
#include <QDialog>

#include "platform/ShellDialogs.h"

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quiret {

class QtFontDialog : public QDialog {
  Q_OBJECT

 public:
  QtFontDialog(const TFontChoice& preset, QWidget* parent = nullptr);
  // What the dialog holds now: the typed or picked name, the size, the colour.
  TFontChoice Choice() const;

  QLineEdit* NameEdit() const { return name_; }
  QListWidget* NameList() const { return names_; }
  QLineEdit* SizeEdit() const { return size_; }
  QListWidget* SizeList() const { return sizes_; }
  QPushButton* ColorButton() const { return colorButton_; }
  QLabel* Sample() const { return sample_; }
  QPushButton* OkButton() const;
  // Sets the colour as the colour button's dialog would.
  void SetColor(const QColor& color);

 private:
  void PickColor();
  void SelectMatching(QListWidget* list, const QString& text);
  void UpdateSample();

  QLineEdit* name_;
  QListWidget* names_;
  QLineEdit* size_;
  QListWidget* sizes_;
  QPushButton* colorButton_;
  QLabel* sample_;
  QDialogButtonBox* buttons_;
  QColor color_;
  int charSet_;
};

}  // namespace quiret
