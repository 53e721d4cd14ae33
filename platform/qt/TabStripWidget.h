// The document tab strip: a self-drawn, multi-row strip of tabs or buttons whose rows never move.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QWidget>

namespace quiret {

class TabStripWidget : public QWidget {
  Q_OBJECT

 public:
  // Looks of the tabs, as stored in the settings file.
  enum Style { StyleTabs = 0, StyleButtons = 1, StyleFlatButtons = 2 };
  enum Position { PositionTop = 0, PositionBottom = 1 };

  explicit TabStripWidget(QWidget* parent = nullptr);

  int Count() const { return static_cast<int>(captions_.size()); }
  int AddTab(const QString& caption);
  void InsertTab(int index, const QString& caption);
  void RemoveTab(int index);
  void MoveTab(int from, int to);
  QString Caption(int index) const;
  void SetCaption(int index, const QString& caption);

  // -1 only when there is no tab. Setting it from code sends no signal.
  int ActiveIndex() const { return active_; }
  void SetActiveIndex(int index);

  // 0 fits each caption; any other value makes every tab that many pixels wide.
  void SetTabWidth(int px);
  int TabWidth() const { return tabWidth_; }

  // Button styles exist only on top: choosing one moves the strip to the top, and the bottom
  // position is refused while one is in use.
  void SetTabStyle(int style);
  int TabStyle() const { return style_; }
  void SetTabPosition(int position);
  int TabPosition() const { return position_; }

  // 0 without tabs; the strip still keeps the height of one row then.
  int RowCount() const { return CurrentFlow().rows; }
  QRect TabRect(int index) const;
  int TabAt(QPoint pos) const;

  // A plain middle press, or the left and right buttons held together: the presses that
  // close the tab under them.
  static bool IsCloseClick(const QMouseEvent& e);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;

 signals:
  // The user pressed the left button on a tab (the active one included, so the host can hand
  // the focus back to its editor).
  void tabActivated(int index);
  void middleClicked(int index);
  // Left and right buttons held together over a tab.
  void leftRightClicked(int index);
  // Right button released over a tab.
  void rightClicked(int index, QPoint globalPos);
  // The number of rows changed; the host may need a new layout.
  void tabsReflowed();

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  // Where each tab sits for a given strip width; computed by one routine for painting,
  // hit tests and height-for-width alike.
  struct Flow {
    QVector<QRect> rects;
    QVector<int> rowOf;
    int rows = 0;
  };

  Flow ComputeFlow(int width) const;
  // The flow for the present width; a hidden widget gets no resize events, so it is checked here.
  const Flow& CurrentFlow() const;
  int NaturalTabWidth(int index) const;
  int RowHeight() const;
  int RowGap() const;
  int TabGap() const;
  int HeightForRows(int rows) const;
  void Reflow();
  void PaintNormalTab(QPainter& p, int index) const;
  void PaintButton(QPainter& p, int index) const;
  QString DisplayText(int index, int room) const;
  void HandlePress(QMouseEvent* e, bool doubleClick);

  QStringList captions_;
  int active_ = -1;
  int tabWidth_ = 0;
  int style_ = StyleTabs;
  int position_ = PositionTop;
  mutable Flow flow_;
  mutable int flowWidth_ = -1;
  // The row count last announced by tabsReflowed.
  int reportedRows_ = 0;
  // Set while a left+right chord is held, so its right release opens no menu.
  bool chordPressed_ = false;
};

}  // namespace quiret
