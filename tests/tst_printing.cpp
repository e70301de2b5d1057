// Printing to PDF files, read back with poppler's pdftotext and pdfinfo.
#include "calendar/calendar_window.h"
#include "helpers/test_support.h"
#include "notes/daynote_window.h"
#include "platform/print_dialogs.h"
#include "tools/printing.h"

#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of each page, as the lines pdftotext finds on it (empty ones left out).
QList<QStringList> PageLines(const QString& pdf) {
    QList<QStringList> pages;
    QStringList        texts =
        Run(RequireProgram(u"pdftotext"_s), {u"-enc"_s, u"UTF-8"_s, pdf, u"-"_s}).split(QChar('\f'));
    if (!texts.isEmpty() && texts.last().trimmed().isEmpty()) texts.removeLast();
    for (const QString& page : texts) {
        QStringList lines;
        for (const QString& line : page.split(QChar('\n')))
            if (!line.trimmed().isEmpty()) lines << line.trimmed();
        pages << lines;
    }
    return pages;
}

// Width and height of the first page in points, as pdfinfo reports them.
QSizeF PageSize(const QString& pdf) {
    const QRegularExpressionMatch m = QRegularExpression(u"Page size:\\s+([\\d.]+) x ([\\d.]+)"_s)
                                          .match(Run(RequireProgram(u"pdfinfo"_s), {pdf}));
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

struct Printout {
    QString    text;
    bool       landscape;
    QList<int> perPage; // lines on each page; none: one page, where the long line wraps
};

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT

    QTemporaryDir            folder;
    QString                  pdf;
    int                      printDialogs = 0;
    bool                     cancel = false;
    QPageLayout::Orientation pageSetupAnswer = QPageLayout::Portrait;

    void ChooseOrientation(QPageLayout::Orientation orientation) {
        pageSetupAnswer = orientation;
        RunCommand(MakeFourCC("page"));
    }

  private slots:
    void initTestCase() {
        SetTestClock(DateTimeToAbsTime(12, 5, 2026, 10, 0));
        QVERIFY(SetUpProgramWindows());
        ProgramPrinter().setOutputFormat(QPrinter::PdfFormat);
        SetPrintDialogPresenter([this](PrintDialogKind kind, QPrinter* printer) {
            if (kind == PrintDialogKind::PageSetup) {
                printer->setPageOrientation(pageSetupAnswer);
                return true;
            }
            ++printDialogs;
            printer->setOutputFileName(pdf);
            return !cancel;
        });
    }
    void init() {
        const QString name = u"%1 %2"_s.arg(QTest::currentTestFunction(), QTest::currentDataTag());
        pdf = folder.filePath(QString(name).replace(u' ', u'_') + u".pdf"_s);
        printDialogs = 0;
        cancel = false;
        ChooseOrientation(QPageLayout::Portrait);
    }
    void cleanup() {
        DisposeDocumentWindows();
        App().daynotes.clear();
    }

    // Each page holds its count of lines, in order, and nothing is lost between pages; a line wider than the
    // paper goes on over the next lines instead of off the edge; every script prints as it is.
    void printedText_data() {
        QTest::addColumn<Printout>("row");
        const auto numbered = [](int count) {
            QStringList lines;
            for (int i = 1; i <= count; ++i) lines << u"line %1"_s.arg(i);
            return lines.join(u'\r');
        };
        QStringList words;
        for (int i = 1; i <= 60; ++i) words << u"word%1"_s.arg(i);
        QTest::newRow("43 lines portrait") << Printout{numbered(43), false, {42, 1}};
        QTest::newRow("61 lines landscape") << Printout{numbered(61), true, {30, 30, 1}};
        QTest::newRow("every script")
            << Printout{u"Grüße aus Zürich €\rПривет, мир\rΚαλημέρα\rŁódź ŞİĞ ő"_s, false, {4}};
        QTest::newRow("long line of words")
            << Printout{u"before\r"_s + words.join(u' ') + u"\rafter"_s, false, {}};
        QTest::newRow("no blank to break at")
            << Printout{u"before\r"_s + QString(400, u'x') + u"\rafter"_s, false, {}};
    }
    void printedText() {
        QFETCH(Printout, row);
        ChooseOrientation(row.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        QVERIFY(PrintText(row.text));
        const QSizeF size = PageSize(pdf);
        QCOMPARE(size.width() > size.height(), row.landscape);
        const QList<QStringList> pages = PageLines(pdf);
        const QStringList        lines = row.text.split(u'\r');
        QStringList              printed;
        for (const QStringList& page : pages) printed << page;
        if (row.perPage.isEmpty()) { // the long middle line wrapped
            QCOMPARE(pages.size(), 1);
            QVERIFY(printed.size() > lines.size());
            QCOMPARE(printed.first() + printed.last(), lines.first() + lines.last());
            QCOMPARE(printed.join(QString()).remove(u' '), lines.join(QString()).remove(u' '));
            return;
        }
        QCOMPARE(pages.size(), row.perPage.size());
        for (int p = 0; p < pages.size(); ++p) QCOMPARE(pages[p].size(), row.perPage[p]);
        QCOMPARE(printed, lines);
    }

    // What the window shows prints, not the older text the daynote array still holds.
    void daynoteWindowPrintsItsText() {
        AddDaynote(12, 15, 2026, NoteStandard, u"stored text"_s);
        QWidget* window = OpenDaynote(12, 15, 2026, App().daynotes);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QWidget* view = FindControl(window, DaynoteTextControl);
        ClearText(view);
        QTest::keyClicks(view, u"typed just now"_s);
        QCOMPARE(StoredText(DateToAbsTime(12, 15, 2026)), u"stored text"_s);
        RunCommand(MakeFourCC("prnt"));
        QCOMPARE(printDialogs, 1);
        QCOMPARE(PageLines(pdf), QList<QStringList>{{u"typed just now"_s}});
    }

    // An empty daynote window, a missing window or a cancelled dialog: no print.
    void nothingToPrintOrCancelled() {
        QVERIFY(QTest::qWaitForWindowActive(OpenDaynote(12, 16, 2026, App().daynotes)));
        RunCommand(MakeFourCC("prnt"));
        QCOMPARE(printDialogs, 0);
        AlertRecorder recorder;
        QVERIFY(!PrintThisWindow(HolidaysWindowId));
        QCOMPARE(recorder.alerts.size(), 1);
        QCOMPARE(printDialogs, 0);
        cancel = true;
        QVERIFY(!PrintText(u"never"_s));
        ShowCalendar();
        QVERIFY(!PrintThisWindow(CalendarWindowId));
        QCOMPARE(printDialogs, 2);
        QVERIFY(!QFile::exists(pdf));
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
