// The find bar's widgets and how their signals become the shell's find and replace commands.
#include "app/qt/QtFindBar.h"

#include <QAbstractEventDispatcher>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/UnitQrBase.h"

namespace quiret {

namespace {
// An editable field with the history in its drop-down list.
QComboBox* Field(QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setMaxVisibleItems(static_cast<int>(TFindHistory::kMaxEntries));
  box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  return box;
}

void Refill(QComboBox* box, const std::vector<std::string>& items) {
  const QString text = box->currentText();
  box->clear();
  for (const std::string& item : items) box->addItem(QString::fromStdString(item));
  box->setEditText(text);
}

QPushButton* Button(const char* caption, QWidget* parent) {
  auto* b = new QPushButton(QString::fromUtf8(caption), parent);
  b->setAutoDefault(false);
  b->setFocusPolicy(Qt::TabFocus);
  return b;
}
}  // namespace

QtFindBar::QtFindBar(TFormBase& form, QWidget* parent) : QWidget(parent), form_(form) {
  auto* rows = new QVBoxLayout(this);
  rows->setContentsMargins(4, 2, 4, 2);
  rows->setSpacing(2);

  auto* findRow = new QWidget(this);
  auto* f = new QHBoxLayout(findRow);
  f->setContentsMargins(0, 0, 0, 0);
  auto* findLabel = new QLabel(QString::fromUtf8("検索:"), findRow);
  findBox_ = Field(findRow);
  find_ = findBox_->lineEdit();
  findLabel->setBuddy(findBox_);
  auto* next = Button("次を検索", findRow);
  auto* prev = Button("前を検索", findRow);
  matchCase_ = new QCheckBox(QString::fromUtf8("大文字と小文字を区別"), findRow);
  regex_ = new QCheckBox(QString::fromUtf8("正規表現"), findRow);
  auto* close = new QToolButton(findRow);
  close->setText(QString::fromUtf8("×"));
  close->setAutoRaise(true);
  close->setToolTip(QString::fromUtf8("閉じる (Esc)"));
  f->addWidget(findLabel);
  f->addWidget(findBox_, 1);
  f->addWidget(next);
  f->addWidget(prev);
  f->addWidget(matchCase_);
  f->addWidget(regex_);
  f->addWidget(close);

  replaceRow_ = new QWidget(this);
  auto* r = new QHBoxLayout(replaceRow_);
  r->setContentsMargins(0, 0, 0, 0);
  auto* replaceLabel = new QLabel(QString::fromUtf8("置換:"), replaceRow_);
  replaceBox_ = Field(replaceRow_);
  replace_ = replaceBox_->lineEdit();
  replaceLabel->setBuddy(replaceBox_);
  replace_->setToolTip(QString::fromUtf8(
      "正規表現のとき: $1～$99、${名前}、\\1～\\9 でグループ（$0 と \\0 は一致全体）、\\n で改行、"
      "\\t でタブ、$$ と \\\\ で $ と \\ そのもの"));
  auto* one = Button("置換", replaceRow_);
  auto* all = Button("すべて置換", replaceRow_);
  confirm_ = new QCheckBox(QString::fromUtf8("置換の確認"), replaceRow_);
  inSelection_ = new QCheckBox(QString::fromUtf8("選択範囲内"), replaceRow_);
  inSelection_->setToolTip(QString::fromUtf8("置換とすべて置換を、選択した範囲の中だけで行います"));
  r->addWidget(replaceLabel);
  r->addWidget(replaceBox_, 1);
  r->addWidget(one);
  r->addWidget(all);
  r->addWidget(confirm_);
  r->addWidget(inSelection_);
  r->addStretch();
  // The labels line up so that both fields start at the same x.
  const int w = std::max(findLabel->sizeHint().width(), replaceLabel->sizeHint().width());
  findLabel->setFixedWidth(w);
  replaceLabel->setFixedWidth(w);

  rows->addWidget(findRow);
  rows->addWidget(replaceRow_);
  // Tab goes from the search text to the replacement first (a hidden row is skipped).
  QWidget* order[] = {findBox_, replaceBox_, next,     prev,         matchCase_, regex_,
                      one,      all,         confirm_, inSelection_, close};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  hide();

  // Typing in the search field (or picking an earlier search) searches at once, as do the
  // options that change what is found.
  auto incremental = [this] {
    if (filling_ || !isVisible()) return;
    Sync();
    form_.Guarded([this] { form_.IncrementalFind(); });
  };
  connect(find_, &QLineEdit::textChanged, this, incremental);
  connect(replace_, &QLineEdit::textChanged, this, [this] { Sync(); });
  for (QCheckBox* box : {matchCase_, regex_}) connect(box, &QCheckBox::toggled, this, incremental);
  for (QCheckBox* box : {confirm_, inSelection_}) connect(box, &QCheckBox::toggled, this, [this] { Sync(); });
  for (QComboBox* field : {findBox_, replaceBox_}) field->installEventFilter(this);
  // Enter finds the next match, Shift+Enter the previous one; Enter in the replacement
  // field replaces the selected match.
  connect(find_, &QLineEdit::returnPressed, this, [this] {
    Run(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier ? &TFormBase::EditFindPrevExecute
                                                                 : &TFormBase::EditFindNextExecute);
  });
  connect(replace_, &QLineEdit::returnPressed, this, [this] { Run(&TFormBase::ReplaceOneExecute); });
  connect(next, &QPushButton::clicked, this, [this] { Run(&TFormBase::EditFindNextExecute); });
  connect(prev, &QPushButton::clicked, this, [this] { Run(&TFormBase::EditFindPrevExecute); });
  connect(one, &QPushButton::clicked, this, [this] { Run(&TFormBase::ReplaceOneExecute); });
  connect(all, &QPushButton::clicked, this, [this] { Run(&TFormBase::ReplaceAllExecute); });
  connect(close, &QToolButton::clicked, this, [this] { Close(); });
  auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  esc->setContext(Qt::WidgetWithChildrenShortcut);
  connect(esc, &QShortcut::activated, this, [this] { Escape(); });
  // Undo and redo act on the document wherever the focus is in the bar (the fields take
  // these keys as their own otherwise: see eventFilter).
  for (const auto& [keys, command] :
       {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Z), &TFormBase::EditUndoExecute},
        std::pair{QKeySequence(Qt::CTRL | Qt::Key_Y), &TFormBase::EditRedoExecute}}) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, command = command] {
      if (form_.ActiveEditor()) form_.Guarded([this, command] { (form_.*command)(); });
    });
  }
  form_.FindEscPressed = [this] { return PollEscape(); };
}

bool QtFindBar::PollEscape() {
  escPressed_ = false;
  polling_ = true;
  QCoreApplication* app = QCoreApplication::instance();
  app->installEventFilter(this);
  // A repaint in between (the status bar's progress) leaves input that came meanwhile in
  // the platform's queue, which the event loop takes up only once woken: wake it, so that
  // this round sees every key pressed so far.
  if (QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance()) loop->wakeUp();
  // Other programs' requests (a second start handing over files) wait until the end.
  QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
  app->removeEventFilter(this);
  polling_ = false;
  return escPressed_;
}

bool QtFindBar::eventFilter(QObject* watched, QEvent* event) {
  if (!polling_) {
    // A field's own undo would take Ctrl+Z and Ctrl+Y before the bar's shortcuts: left to them.
    if ((watched == findBox_ || watched == replaceBox_) && event->type() == QEvent::ShortcutOverride) {
      const auto* key = static_cast<QKeyEvent*>(event);
      const auto mods = key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
      if (mods == Qt::ControlModifier && (key->key() == Qt::Key_Z || key->key() == Qt::Key_Y)) {
        event->ignore();
        return true;
      }
    }
    return false;
  }
  switch (event->type()) {
    case QEvent::ShortcutOverride:
      // Taken as the focus widget's own key, so no shortcut runs (the bar's Esc, the menu's
      // Ctrl+Z); the key press that follows comes here too.
      event->accept();
      [[fallthrough]];
    case QEvent::KeyPress:
      if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) escPressed_ = true;
      return true;
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
      return true;  // the search runs on; nothing else may change the text meanwhile
    case QEvent::Close:
      event->ignore();
      return true;
    default:
      return false;
  }
}

void QtFindBar::Open(bool replace) {
  replaceRow_->setVisible(replace);
  FillHistory();
  show();
  find_->setFocus(Qt::ShortcutFocusReason);
  find_->selectAll();
  Sync();
  form_.ShowHitMarks(true);
}

void QtFindBar::Close() {
  hide();
  form_.StopHitCount();
  form_.ShowHitMarks(false);
  if (TLumoEdit* ed = form_.ActiveEditor()) ed->Window().SetFocus();
}

void QtFindBar::Escape() {
  form_.Guarded([this] { form_.CancelIncrementalFind(); });
  Close();
}

void QtFindBar::FillHistory() {
  filling_ = true;
  Refill(findBox_, form_.FindHistory.Finds());
  Refill(replaceBox_, form_.FindHistory.Replacements());
  filling_ = false;
}

bool QtFindBar::Sync() {
  form_.FindOptions = TFindOptions{matchCase_->isChecked(), regex_->isChecked()};
  form_.ReplaceConfirm = confirm_->isChecked();
  form_.ReplaceInSelection = inSelection_->isChecked();
  return form_.SetFindTexts(find_->text().toStdString(), replace_->text().toStdString());
}

void QtFindBar::Run(void (TFormBase::*command)()) {
  if (!Sync()) return;
  form_.Guarded([this, command] { (form_.*command)(); });
  FillHistory();
}

}  // namespace quiret
