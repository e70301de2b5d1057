// The day cell of the calendar grid.
#include "platform/day_cell.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

// Comfortable at any desktop font: two text lines high, never under 32 px.
int ComfortableSide(const QFont& font) {
    return std::max(32, QFontMetrics(font).height() * 2);
}

} // namespace

DayCell::DayCell(QWidget* parent) : QAbstractButton(parent) {
    // One cell of the grid is a Tab stop at a time; the others are reached with the arrow keys.
    setFocusPolicy(Qt::ClickFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void DayCell::setEmphasised(bool on) {
    if (emphasised == on) return;
    emphasised = on;
    update();
}

QRect DayCell::markRect() const {
    const int side = std::max(0, std::min(width(), height()) - 2);
    QRect     square(0, 0, side, side);
    square.moveCenter(rect().center());
    return square;
}

QFont DayCell::numberFont() const {
    // The desktop's size in a cell of the default size, growing with the cell.
    QFont     font = this->font();
    const int desktop = QFontInfo(font).pixelSize();
    const int side = markRect().width();
    font.setPixelSize(std::max(desktop, int(std::lround(side * 0.4))));
    return font;
}

QSize DayCell::sizeHint() const {
    const int side = ComfortableSide(font());
    return {side, side};
}

QSize DayCell::minimumSizeHint() const {
    const int side = QFontMetrics(font()).height() + 4;
    return {side, side};
}

void DayCell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect mark = markRect();
    if (hasFocus()) {
        // A tint, not a line: the line is today's.
        QColor tint = palette().color(QPalette::Highlight);
        tint.setAlpha(70);
        painter.setPen(Qt::NoPen);
        painter.setBrush(tint);
        painter.drawRoundedRect(mark, mark.width() / 8.0, mark.width() / 8.0);
    }
    if (emphasised) {
        const qreal pen = std::max(1.0, mark.width() / 24.0);
        painter.setPen(QPen(palette().color(QPalette::Highlight), pen));
        painter.setBrush(Qt::NoBrush);
        const qreal inset = pen / 2;
        painter.drawRoundedRect(QRectF(mark).adjusted(inset, inset, -inset, -inset), mark.width() / 8.0,
                                mark.width() / 8.0);
    }
    painter.setFont(numberFont());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignCenter, text().trimmed());
}
