// The About window: lines left out when the build names no value, the copyright year of the day the window
// was made.
#include "helpers/test_support.h"
#include "tools/about.h"

using namespace Qt::StringLiterals;
using LinesRow = std::tuple<QString, QString, QString, QString>;

class TestAbout : public QObject {
    Q_OBJECT

    static QString Line(int controlId) {
        QWidget* line = FindControl(FindWindowById(AboutWindowId), controlId);
        return IsControlVisible(line) ? GetControlText(line) : u"(left out)"_s;
    }

  private slots:
    void initTestCase() { QVERIFY(SetUpProgramWindows()); }
    void init() { SetTestClock(DateTimeToAbsTime(3, 1, 2027, 10, 0)); }
    void cleanup() { DisposeDocumentWindows(); }

    void lines_data() {
        AddRows<LinesRow>({
            {"no support address",
             {QString(), u"Example Maker"_s, u"(left out)"_s, u"Copyright \u00A9 2027 Example Maker"_s}},
            {"no holder", {u"help@example.org"_s, QString(), u"Email: help@example.org"_s, u"(left out)"_s}},
        });
    }
    void lines() {
        FETCH_ROW(LinesRow, support, holder, supportLine, copyrightLine);
        ShowAbout({u"3.4"_s, support, holder});
        QCOMPARE(Line(AboutSupportLine), supportLine);
        QCOMPARE(Line(AboutCopyrightLine), copyrightLine);
    }

    // Brought forward, the window keeps what it showed; made anew, it shows the year of that day.
    void yearOfTheDayItWasMade() {
        const AboutInfo info{u"1.0"_s, QString(), u"Maker"_s};
        ShowAbout(info);
        SetTestClock(DateTimeToAbsTime(1, 2, 2028, 10, 0));
        ShowAbout(info);
        QCOMPARE(Line(AboutCopyrightLine), u"Copyright \u00A9 2027 Maker"_s);
        CloseWindow(FindWindowById(AboutWindowId));
        QTest::qWait(0);
        QVERIFY(!FindWindowById(AboutWindowId));
        ShowAbout(info);
        QCOMPARE(Line(AboutCopyrightLine), u"Copyright \u00A9 2028 Maker"_s);
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
