// The widget behind styled lines, and what assistive technology reads of it.
#include "platform/year_text.h"

#include "platform/contrast.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>

namespace {

constexpr int    LineTop = 10, LinePitch = 25, TextLeft = 50, BandLeft = 30, BandExtra = 40;
constexpr double PixelSize = 18, BandHeight = 1.8 * PixelSize, Baseline = 1.25 * PixelSize;

QFont LineFont(bool bold) {
    QFont font(StyledLinesFamily());
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(int(PixelSize));
    font.setBold(bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0);
    return font;
}

// The lines as one text with line feeds, so that a screen reader moves through the year row by row.
class YearTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit YearTextAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::StaticText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return Text();
        return QAccessibleWidget::text(t);
    }

    // Read-only text: no selection, the caret at the start.
    void    selection(int, int* start, int* end) const override { *start = *end = 0; }
    int     selectionCount() const override { return 0; }
    void    addSelection(int, int) override {}
    void    removeSelection(int) override {}
    void    setSelection(int, int, int) override {}
    int     cursorPosition() const override { return 0; }
    void    setCursorPosition(int) override {}
    QString text(int start, int end) const override { return Text().mid(start, end - start); }
    int     characterCount() const override { return int(Text().size()); }
    QRect   characterRect(int) const override { return QRect(); }
    int     offsetAtPoint(const QPoint&) const override { return -1; }
    void    scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = *end = 0;
        return QString();
    }

  private:
    QString Text() const { return static_cast<const YearText*>(widget())->text(); }
};

QAccessibleInterface* YearTextFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("YearText") && object && object->isWidgetType())
        return new YearTextAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

void InstallYearTextAccessibility() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(YearTextFactory);
}

YearText::YearText(QWidget* parent) : QWidget(parent) {
    InstallYearTextAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
}

void YearText::setLines(const QList<StyledLine>& lines) {
    styled = lines;
    updateGeometry();
    update();
    QAccessibleEvent changed(this, QAccessible::TextUpdated);
    QAccessible::updateAccessibility(&changed);
}

QString YearText::text() const {
    QStringList texts;
    for (const StyledLine& line : styled) texts << line.text;
    return texts.join(QLatin1Char('\n'));
}

QSize YearText::sizeHint() const {
    const QFontMetricsF metrics(LineFont(true));
    double              widest = 0;
    for (const StyledLine& line : styled) widest = std::max(widest, metrics.horizontalAdvance(line.text));
    return QSize(int(TextLeft + widest + BandExtra), int(LineTop + LinePitch * styled.size() + BandHeight));
}

void YearText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (int i = 0; i < styled.size(); ++i) {
        const StyledLine& line = styled[i];
        const QFont       font = LineFont(line.bold);
        const double      top = LineTop + LinePitch * i;
        const double      width = QFontMetricsF(font).horizontalAdvance(line.text);
        // A band of the text background under every line, an empty one too, so the year reads as a printed
        // sheet; black is the desktop's text colour, and every colour reads on the band, light or dark.
        const QColor band = palette().color(QPalette::Base);
        painter.fillRect(QRectF(BandLeft, top, width + BandExtra, BandHeight), band);
        painter.setFont(font);
        painter.setPen(line.colour == QColor(Qt::black) ? palette().color(QPalette::Text)
                                                        : ReadableOn(line.colour, band));
        painter.drawText(QPointF(TextLeft, top + Baseline), line.text);
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().highlight(), 2));
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
}

void SetControlStyledLines(QWidget* control, const QList<StyledLine>& lines) {
    if (auto* view = qobject_cast<YearText*>(control)) view->setLines(lines);
}

QList<StyledLine> GetControlStyledLines(const QWidget* control) {
    if (auto* view = qobject_cast<const YearText*>(control)) return view->lines();
    return {};
}

QString StyledLinesFamily() {
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char* candidate : {"Courier", "Courier New", "Nimbus Mono PS", "Nimbus Mono L",
                                      "Liberation Mono", "DejaVu Sans Mono"})
            if (installed.contains(QLatin1String(candidate), Qt::CaseInsensitive))
                return QString::fromLatin1(candidate);
        return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    }();
    return family;
}
