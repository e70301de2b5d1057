// A day of a month grid: a button the keyboard can reach and assistive technology can press, which draws
// its number at a size that follows the cell's and frames itself when emphasised (today).
#pragma once

#include <QAbstractButton>

class DayCell : public QAbstractButton {
    Q_OBJECT

  public:
    explicit DayCell(QWidget* parent = nullptr);

    void setEmphasised(bool emphasised);
    bool isEmphasised() const { return emphasised; }
    // The font the number is drawn in at the cell's present size.
    QFont numberFont() const;
    // The square around the number where the emphasis frame and the focus mark are drawn.
    QRect markRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    bool emphasised = false;
};
