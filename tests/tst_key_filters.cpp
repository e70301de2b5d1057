// Key filters on a real line edit: typed keys, editing keys, shortcuts and pasted text, with the beeps heard.
#include "helpers/test_support.h"
#include "platform/beep.h"
#include "platform/key_filters.h"
#include "platform/windows.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

namespace {

constexpr int FieldId = 309;

KeyFilter FilterNamed(const QString& name) {
    if (name == QLatin1String("2")) return TwoDigitFilter;
    if (name == QLatin1String("4")) return FourDigitFilter;
    if (name == QLatin1String("40")) return TextFilter40;
    return TextFilter39;
}

// Keys as a short script: "\b" backspace, "<" and ">" the arrows, "^a" and "^v" Ctrl+A and Ctrl+V; anything
// else types itself.
void Press(QWidget* field, const QString& keys) {
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const QChar c = keys[i];
        if (c == QLatin1Char('\b'))
            QTest::keyClick(field, Qt::Key_Backspace);
        else if (c == QLatin1Char('<'))
            QTest::keyClick(field, Qt::Key_Left);
        else if (c == QLatin1Char('>'))
            QTest::keyClick(field, Qt::Key_Right);
        else if (c == QLatin1Char('^'))
            QTest::keyClick(field, keys[++i].toLatin1(), Qt::ControlModifier);
        else
            QTest::keyClick(field, c.toLatin1());
    }
}

} // namespace

class TestKeyFilters : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        UsePrivateHome();
        AddDefinitionFolder(TestDefinitionFolder());
    }

    void typing_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("beeps");
        const QString x37(37, QLatin1Char('x')), x39(39, QLatin1Char('x')), x40(40, QLatin1Char('x'));
        const QString p40(40, QLatin1Char('p'));
        auto row = [](const char* name, const char* filter, const QString& start, const QString& clipboard,
                      const QString& keys, const QString& result, int beeps) {
            QTest::newRow(name) << QString::fromLatin1(filter) << start << clipboard << keys << result
                                << beeps;
        };
        row("third digit refused", "2", "", "", "123", "12", 1);
        row("letter in a full field beeps twice", "2", "12", "", "a", "12", 2);
        row("Ctrl shortcut in a full field", "2", "12", "", "^a\b7", "7", 0);
        row("40th character", "40", x39, "", "y", x39 + "y", 0);
        row("41st character refused", "40", x40, "", "yz", x40, 2);
        row("40th character refused at 39", "39", x39, "", "y", x39, 1);
        row("backspace and arrow at 39", "39", x39, "", "\b<y", x37 + "yx", 0);
        row("paste keeps what fits", "2", "", "12a", "^v", "12", 1);
        row("paste keeps the digits", "4", "", "a1b2c3", "^v", "123", 1);
        row("long paste cut at 40", "40", "", p40 + "ppppp", "^v", p40, 1);
        row("text already there", "2", "123", "", "", "12", 1);
    }
    void typing() {
        QFETCH(QString, filter);
        QFETCH(QString, start);
        QFETCH(QString, clipboard);
        QFETCH(QString, keys);
        QFETCH(QString, result);
        QFETCH(int, beeps);
        QWidget* panel = CreateWindowFromDefinition(QStringLiteral("TestPanel"));
        QVERIFY(panel);
        QWidget* field = FindControl(panel, FieldId);
        SetControlText(field, start);
        const int before = BeepCount();
        InstallKeyFilter(panel, FieldId, FilterNamed(filter));
        QApplication::clipboard()->setText(clipboard);
        ShowWindow(panel);
        QVERIFY(QTest::qWaitForWindowActive(panel));
        field->setFocus();
        static_cast<QLineEdit*>(field)->end(false);
        Press(field, keys);
        QCOMPARE(GetControlText(field), result);
        QCOMPARE(BeepCount() - before, beeps);
        DisposeWindow(panel);
    }
};

QTEST_MAIN(TestKeyFilters)
#include "tst_key_filters.moc"
