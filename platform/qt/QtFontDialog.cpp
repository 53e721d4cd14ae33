// The font dialog's lists, the colour button and the sample drawn in the chosen face and colour.
#include "platform/qt/QtFontDialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/qt/QtFontResolver.h"
#include "platform/qt/QtSurface.h"

namespace quiret {

namespace {
constexpr int kShiftJisCharSet = 128;
constexpr int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
}  // namespace

QtFontDialog::QtFontDialog(const TFontChoice& preset, QWidget* parent)
    : QDialog(parent), color_(QtSurface::ToQColor(preset.Color)), charSet_(preset.CharSet) {
  setWindowTitle(QString::fromUtf8("フォントと色"));
  auto* grid = new QGridLayout;
  auto* nameLabel = new QLabel(QString::fromUtf8("フォント名(&F):"), this);
  name_ = new QLineEdit(QString::fromStdString(preset.Name), this);
  nameLabel->setBuddy(name_);
  names_ = new QListWidget(this);
  // The Shift-JIS character set asks for the faces that write Japanese.
  const QStringList families = charSet_ == kShiftJisCharSet ? QFontDatabase::families(QFontDatabase::Japanese)
                                                            : QFontDatabase::families();
  for (const QString& family : families)
    if (!QFontDatabase::isPrivateFamily(family)) names_->addItem(family);

  auto* sizeLabel = new QLabel(QString::fromUtf8("サイズ(&S):"), this);
  size_ = new QLineEdit(QString::number(preset.Size), this);
  size_->setValidator(new QIntValidator(1, 999, size_));
  sizeLabel->setBuddy(size_);
  sizes_ = new QListWidget(this);
  for (int s : kSizes) sizes_->addItem(QString::number(s));
  sizes_->setFixedWidth(70);
  size_->setFixedWidth(70);

  auto* colorLabel = new QLabel(QString::fromUtf8("色(&C):"), this);
  colorButton_ = new QPushButton(this);
  colorLabel->setBuddy(colorButton_);

  auto* sampleBox = new QGroupBox(QString::fromUtf8("サンプル"), this);
  sample_ = new QLabel(QString::fromUtf8("AaBbYyZz あぁアァ亜宇"), sampleBox);
  sample_->setAlignment(Qt::AlignCenter);
  sample_->setMinimumHeight(56);
  sample_->setAutoFillBackground(true);
  auto* sampleLayout = new QVBoxLayout(sampleBox);
  sampleLayout->addWidget(sample_);

  grid->addWidget(nameLabel, 0, 0);
  grid->addWidget(sizeLabel, 0, 1);
  grid->addWidget(name_, 1, 0);
  grid->addWidget(size_, 1, 1);
  grid->addWidget(names_, 2, 0);
  grid->addWidget(sizes_, 2, 1);
  auto* colorRow = new QHBoxLayout;
  colorRow->addWidget(colorLabel);
  colorRow->addWidget(colorButton_);
  colorRow->addStretch(1);
  grid->addLayout(colorRow, 3, 0, 1, 2);
  grid->addWidget(sampleBox, 4, 0, 1, 2);

  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons_->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("キャンセル"));
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(buttons_);

  connect(names_, &QListWidget::currentTextChanged, this, [this](const QString& t) {
    if (!t.isEmpty() && name_->text() != t) name_->setText(t);
  });
  connect(name_, &QLineEdit::textChanged, this, [this](const QString& t) {
    SelectMatching(names_, t);
    UpdateSample();
  });
  connect(sizes_, &QListWidget::currentTextChanged, this, [this](const QString& t) {
    if (!t.isEmpty() && size_->text() != t) size_->setText(t);
  });
  connect(size_, &QLineEdit::textChanged, this, [this](const QString& t) {
    SelectMatching(sizes_, t);
    UpdateSample();
  });
  connect(colorButton_, &QPushButton::clicked, this, &QtFontDialog::PickColor);

  SelectMatching(names_, name_->text());
  SelectMatching(sizes_, size_->text());
  SetColor(color_);
  resize(440, 420);
}

QPushButton* QtFontDialog::OkButton() const { return buttons_->button(QDialogButtonBox::Ok); }

void QtFontDialog::SelectMatching(QListWidget* list, const QString& text) {
  // A name that is not installed (a font from another machine) stays typed, unselected.
  const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchFixedString);
  QSignalBlocker block(list);
  if (found.isEmpty()) {
    list->setCurrentRow(-1);
    list->clearSelection();
    return;
  }
  list->setCurrentItem(found.first());
  list->scrollToItem(found.first());
}

void QtFontDialog::SetColor(const QColor& color) {
  color_ = color;
  QPixmap swatch(40, 14);
  swatch.fill(color_);
  QPainter(&swatch).drawRect(0, 0, 39, 13);
  colorButton_->setIcon(QIcon(swatch));
  colorButton_->setIconSize(swatch.size());
  colorButton_->setText(color_.name().toUpper());
  UpdateSample();
}

void QtFontDialog::PickColor() {
  QColorDialog dialog(color_, this);
  dialog.setWindowTitle(QString::fromUtf8("色の設定"));
  if (dialog.exec() == QDialog::Accepted) SetColor(dialog.selectedColor());
}

void QtFontDialog::UpdateSample() {
  QFont font(QtFontResolver::ResolveFamily(name_->text().toStdString()));
  bool ok = false;
  const int points = size_->text().toInt(&ok);
  if (ok && points > 0) font.setPointSize(std::min(points, 72));  // the sample box stays a box
  sample_->setFont(font);
  QPalette pal = sample_->palette();
  pal.setColor(QPalette::WindowText, color_);
  pal.setColor(QPalette::Window, Qt::white);
  sample_->setPalette(pal);
  OkButton()->setEnabled(!name_->text().trimmed().isEmpty() && ok && points > 0);
}

TFontChoice QtFontDialog::Choice() const {
  TFontChoice choice;
  choice.Name = name_->text().trimmed().toStdString();
  choice.Size = size_->text().toInt();
  choice.Color = QtSurface::FromQColor(color_);
  choice.CharSet = charSet_;
  return choice;
}

}  // namespace quiret
