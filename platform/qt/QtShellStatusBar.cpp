// Status bar panels 92, 92, 50 and 640 pixels wide, at most 19 pixels high, and the notice
// panel at the right end.
#include "platform/qt/QtShellStatusBar.h"

#include <QCoreApplication>
#include <algorithm>

namespace quiret {

namespace {
// A panel that keeps its width as its preferred size but lets the window shrink below it
// (the path panel is then cut off at the window's edge, as on the classic status bar).
class Panel : public QLabel {
 public:
  Panel(int width, QWidget* parent) : QLabel(parent), width_(width) {
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
  }
  QSize sizeHint() const override { return {width_, QLabel::sizeHint().height()}; }
  QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

 private:
  int width_;
};

// A panel for a message of any length (what find reports, the encoding notice): it asks for
// its text's width but takes what the window has, cutting the middle of the text ("…"; the
// whole text in its tooltip), so a long message never widens the window or hides the rest.
class MessagePanel : public QLabel {
 public:
  explicit MessagePanel(QWidget* parent) : QLabel(parent) {}
  void SetMessage(const QString& text) {
    message_ = text;
    setToolTip(text);
    updateGeometry();
    Fit();
  }
  const QString& Message() const { return message_; }
  QSize sizeHint() const override {
    const QMargins m = contentsMargins();
    return {fontMetrics().horizontalAdvance(message_) + m.left() + m.right() + 2 * frameWidth() + 2,
            QLabel::sizeHint().height()};
  }
  QSize minimumSizeHint() const override {
    return {std::min(sizeHint().width(), 80), QLabel::minimumSizeHint().height()};
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    Fit();
  }

 private:
  void Fit() { setText(fontMetrics().elidedText(message_, Qt::ElideMiddle, contentsRect().width())); }
  QString message_;
};
}  // namespace

QtShellStatusBar::QtShellStatusBar(QWidget* parent) : QStatusBar(parent) {
  setSizeGripEnabled(false);
  setMaximumHeight(19);
  const int widths[4] = {92, 92, 50, 640};
  for (int i = 0; i < 4; ++i) {
    if (i < 3) {
      panels_[i] = new QLabel(this);
      panels_[i]->setFixedWidth(widths[i]);
    } else {
      panels_[i] = new Panel(widths[i], this);
    }
    panels_[i]->setFrameShape(QFrame::Panel);
    panels_[i]->setFrameShadow(QFrame::Sunken);
    panels_[i]->setContentsMargins(2, 0, 2, 0);
    addWidget(panels_[i]);
  }
  // Kept at the right end, so the path panel gives way to it in a narrow window.
  // The extra panels (what find reports, the count of hits, the encoding notice, the overwrite mode, the
  // caret's place, the encoding and line end) show only while they have a text.
  for (int i : {kFindPanel, kHitCountPanel, kNoticePanel, kOverwritePanel, kCaretPanel, kFormatPanel}) {
    QLabel* extra = i == kFindPanel || i == kNoticePanel ? new MessagePanel(this) : new QLabel(this);
    extra->setFrameShape(QFrame::Panel);
    extra->setFrameShadow(QFrame::Sunken);
    extra->setContentsMargins(4, 0, 4, 0);
    extra->hide();
    addPermanentWidget(extra);
    panels_[i] = extra;
  }
  // Room for a large line number, so the panels to its left do not move as the caret does.
  panels_[kCaretPanel]->setMinimumWidth(
      panels_[kCaretPanel]->fontMetrics().horizontalAdvance(QString::fromUtf8("000000 行、0000 桁")) + 8);
  panels_[kCaretPanel]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void QtShellStatusBar::ShowProgress(int permille) {
  if (permille < 0) {
    if (progress_) progress_->hide();
    return;
  }
  if (!progress_) {
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 1000);
    progress_->setTextVisible(false);
    progress_->setFixedWidth(160);
    progress_->setMaximumHeight(14);
    addPermanentWidget(progress_);
  }
  progress_->setValue(permille);
  progress_->show();
  // Paint, expose and resize events only: input and other programs' requests wait until
  // the load is over.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
}

void QtShellStatusBar::SetPanelText(int panel, const std::string& text) {
  if (panel < 0 || panel >= static_cast<int>(panels_.size())) return;
  if (auto* message = dynamic_cast<MessagePanel*>(panels_[panel]))
    message->SetMessage(QString::fromStdString(text));
  else
    panels_[panel]->setText(QString::fromStdString(text));
  if (panel >= kNoticePanel) panels_[panel]->setVisible(!text.empty());
}

QString QtShellStatusBar::PanelText(int panel) const {
  if (panel < 0 || panel >= static_cast<int>(panels_.size())) return QString();
  if (const auto* message = dynamic_cast<const MessagePanel*>(panels_[panel])) return message->Message();
  return panels_[panel]->text();
}

}  // namespace quiret
