// Printing through the program's printer: text line by line in white boxes, windows as pictures.
#include "tools/printing.h"

#include "core/font_presets.h"
#include "core/window_ids.h"
#include "platform/alerts.h"
#include "platform/print_dialogs.h"
#include "platform/windows.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTextLayout>

namespace {

constexpr int    UserNoteTextControl = 1;
constexpr double TextLeft = 20;  // where the text starts
constexpr double BoxMargin = 10; // the white box reaches this far beyond the text on both sides
constexpr double BoxHeight = 18; // downward from the line's top
constexpr double BaselineDrop = 12.5;
constexpr double PictureScale = 0.6;

// A painter on the printer that draws in points from the paper's top left corner.
void ScaleToPoints(QPainter& painter, const QPrinter& printer) {
    const double pointsToDevice = printer.resolution() / 72.0;
    painter.scale(pointsToDevice, pointsToDevice);
}

// The text's lines, each broken where it would run off the paper, so that nothing is cut off.
QStringList PrintLines(const QString& text, const QFont& font, double width) {
    QStringList lines;
    for (const QString& paragraph : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        if (paragraph.isEmpty()) {
            lines << QString();
            continue;
        }
        QTextLayout layout(paragraph, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            lines << paragraph.mid(line.textStart(), line.textLength());
        }
        layout.endLayout();
    }
    return lines;
}

QString WindowText(QWidget* window, int controlId) {
    return GetControlText(FindControl(window, controlId));
}

} // namespace

void PageSetup() {
    RunPageSetupDialog();
}

bool PrintText(const QString& text) {
    if (!RunPrintDialog()) return false;
    QPrinter& printer = ProgramPrinter();
    printer.setFullPage(true);
    const bool   landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    const int    linesPerPage = landscape ? LandscapeLinesPerPage : PortraitLinesPerPage;
    const QSizeF paper = printer.pageLayout().fullRectPoints().size();
    const double firstTop = paper.height() - (landscape ? LandscapeFirstLineTop : PortraitFirstLineTop);

    // Lucida Grande 10, or the closest family installed; sized in points through the painter's scale.
    RegisterFontFamilies();
    QFont font(FontFamilyForNumber(LucidaGrandeFontNumber));
    font.setPixelSize(10);
    font.setHintingPreference(QFont::PreferNoHinting);
    const QStringList lines = PrintLines(text, font, paper.width() - 2 * TextLeft);

    QPainter painter;
    if (!painter.begin(&printer)) return false;
    ScaleToPoints(painter, printer);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetricsF metrics(font); // a pixel size measures the same on every device
    double              top = firstTop;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0 && i % linesPerPage == 0) {
            printer.newPage();
            top = firstTop;
        }
        const QString line = lines[i];
        const double  width = metrics.horizontalAdvance(line);
        painter.fillRect(QRectF(BoxMargin, top, width + 2 * BoxMargin, BoxHeight), Qt::white);
        painter.drawText(QPointF(TextLeft, top + BaselineDrop), line);
        top += PrintLinePitch;
    }
    return painter.end();
}

bool PrintThisWindow(int windowId) {
    QWidget* window = FindWindowById(windowId);
    if (!window) {
        ShowAlert(AlertStyle::Informational, QStringLiteral("fn PrintThisWindow: WindowFindByID failed"),
                  QString());
        return false;
    }
    // Taken before the dialog opens, which could otherwise lie over the window.
    const QImage picture = CaptureWindowImage(window);
    if (picture.isNull()) return false;
    if (!RunPrintDialog()) return false;

    // The picture always goes on a landscape page; the page format chosen for text is left as it was.
    QPrinter&                      printer = ProgramPrinter();
    const QPageLayout::Orientation chosen = printer.pageLayout().orientation();
    printer.setFullPage(false);
    printer.setPageOrientation(QPageLayout::Landscape);
    bool     printed = false;
    QPainter painter;
    if (painter.begin(&printer)) {
        ScaleToPoints(painter, printer);
        // One screen pixel is one point; a window too large for the page at 60 % is made to fit.
        const QSizeF area = printer.pageLayout().paintRectPoints().size();
        QSizeF       size = QSizeF(picture.size() / picture.devicePixelRatio()) * PictureScale;
        if (size.width() > area.width() || size.height() > area.height())
            size.scale(area, Qt::KeepAspectRatio);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(QPointF(0, 0), size), picture);
        printed = painter.end();
    }
    printer.setPageOrientation(chosen);
    return printed;
}

void PrintFrontWindow() {
    QWidget* window = FrontWindow();
    if (!window) return;
    const int id = GetWindowId(window);
    // What the window shows is what prints, saved or not.
    if (IsDaynoteWindowId(id)) {
        // An empty daynote window holds no daynote, and there is nothing to print.
        const QString text = WindowText(window, DaynoteTextControl);
        if (!text.isEmpty()) PrintText(text);
    } else if (id >= FirstUserNoteWindowId && id <= LastUserNoteWindowId) {
        PrintText(WindowText(window, UserNoteTextControl));
    } else {
        PrintThisWindow(id);
    }
}
