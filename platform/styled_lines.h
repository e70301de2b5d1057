// Lines of text shown one below the other, each with its own face and colour (the twelve-month calendar's
// year): set and read by control, as every other control text is.
#pragma once

#include <QColor>
#include <QList>
#include <QString>

class QWidget;

struct StyledLine {
    QString text;
    bool    bold = false;
    QColor  colour = Qt::black;
};

// Gives the control its lines; it redraws them at every size from its own copy.
void              SetControlStyledLines(QWidget* control, const QList<StyledLine>& lines);
QList<StyledLine> GetControlStyledLines(const QWidget* control);
// The family the lines are drawn in: the first fixed-pitch family installed of the Courier look-alikes.
QString StyledLinesFamily();
