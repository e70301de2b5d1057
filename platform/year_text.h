// The widget behind styled lines: the lines on one white sheet in a fixed-pitch face of 18 pixels, 25 pixels
// apart, readable by assistive technology one line per row.
#pragma once

#include "platform/styled_lines.h"

#include <QWidget>

class YearText : public QWidget {
    Q_OBJECT

  public:
    explicit YearText(QWidget* parent = nullptr);

    void                     setLines(const QList<StyledLine>& lines);
    const QList<StyledLine>& lines() const { return styled; }
    // All lines joined by line feeds: what assistive technology reads.
    QString text() const;

    // The whole year: a scroll area around it reaches the last band in a small window.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QList<StyledLine> styled;
};

// Makes Qt's accessibility ask YearText for its lines; called when the first one is made.
void InstallYearTextAccessibility();
