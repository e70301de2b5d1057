// Key filters on a real line edit: typed keys, editing keys, shortcuts and pasted text, with the beeps heard.
#include "helpers/test_support.h"
#include "platform/beep.h"
#include "platform/key_filters.h"

#include <QClipboard>
#include <QLineEdit>

namespace {

constexpr int FieldId = 309;

struct Typing {
    KeyFilter filter;
    QString   start, clipboard, keys, result;
    int       beeps;
};

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
        QTest::addColumn<Typing>("row");
        const QString x37(37, u'x'), x39(39, u'x'), x40(40, u'x'), p40(40, u'p');
        QTest::newRow("third digit refused") << Typing{TwoDigitFilter, "", "", "123", "12", 1};
        QTest::newRow("letter in a full field beeps twice") << Typing{TwoDigitFilter, "12", "", "a", "12", 2};
        QTest::newRow("Ctrl shortcut in a full field") << Typing{TwoDigitFilter, "12", "", "^a\b7", "7", 0};
        QTest::newRow("40th character") << Typing{TextFilter40, x39, "", "y", x39 + "y", 0};
        QTest::newRow("41st character refused") << Typing{TextFilter40, x40, "", "yz", x40, 2};
        QTest::newRow("40th character refused at 39") << Typing{TextFilter39, x39, "", "y", x39, 1};
        QTest::newRow("backspace and arrow at 39") << Typing{TextFilter39, x39, "", "\b<y", x37 + "yx", 0};
        QTest::newRow("paste keeps what fits") << Typing{TwoDigitFilter, "", "12a", "^v", "12", 1};
        QTest::newRow("paste keeps the digits") << Typing{FourDigitFilter, "", "a1b2c3", "^v", "123", 1};
        QTest::newRow("long paste cut at 40") << Typing{TextFilter40, "", p40 + "ppppp", "^v", p40, 1};
        QTest::newRow("text already there") << Typing{TwoDigitFilter, "123", "", "", "12", 1};
    }
    void typing() {
        QFETCH(Typing, row);
        QWidget* panel = CreateWindowFromDefinition(QStringLiteral("TestPanel"));
        QVERIFY(panel);
        QWidget* field = FindControl(panel, FieldId);
        SetControlText(field, row.start);
        const int before = BeepCount();
        InstallKeyFilter(panel, FieldId, row.filter);
        QApplication::clipboard()->setText(row.clipboard);
        ShowWindow(panel);
        QVERIFY(QTest::qWaitForWindowActive(panel));
        field->setFocus();
        static_cast<QLineEdit*>(field)->end(false);
        Press(field, row.keys);
        QCOMPARE(GetControlText(field), row.result);
        QCOMPARE(BeepCount() - before, row.beeps);
        DisposeWindow(panel);
    }
};

QTEST_MAIN(TestKeyFilters)
#include "tst_key_filters.moc"
