// The find bar: a strip below the editor pages with the search and replacement fields, the
// find and replace buttons and the options; it hands everything to the shell's commands.
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace quiret {

class TFormBase;

class QtFindBar : public QWidget {
  Q_OBJECT

 public:
  QtFindBar(TFormBase& form, QWidget* parent);
  // Shows the bar (with the replacement row when `replace`) and puts the focus in its
  // search field; the hits in view are marked while it shows.
  void Open(bool replace);
  // Hides the bar, stops a count of hits and gives the focus back to the editor.
  void Close();
  QLineEdit* FindField() const { return find_; }
  QLineEdit* ReplaceField() const { return replace_; }

 protected:
  // While a long search polls: input is held back, Esc is noted. In the fields at other
  // times: undo and redo keys go to the document.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The shell's look at the keyboard during a long search: lets the window repaint and
  // takes the input that came meanwhile; true when Esc was among it.
  bool PollEscape();
  // The fields and options as the shell's find state; false when the texts cannot be used.
  bool Sync();
  void Run(void (TFormBase::*command)());
  // The fields' drop-down lists from the shell's history.
  void FillHistory();
  // Esc: an incremental search goes back to where it began; the bar closes.
  void Escape();

  TFormBase& form_;
  QComboBox* findBox_;
  QComboBox* replaceBox_;
  QLineEdit* find_;
  QLineEdit* replace_;
  QWidget* replaceRow_;
  QCheckBox* matchCase_;
  QCheckBox* regex_;
  QCheckBox* confirm_;
  QCheckBox* inSelection_;
  bool escPressed_ = false;
  bool polling_ = false;
  bool filling_ = false;
};

}  // namespace quiret
