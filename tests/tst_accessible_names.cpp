// Every control of the program's windows has a name for assistive technology and is reached from the
// keyboard. One row per window definition: a new window is covered by adding its row and how it opens.
#include "calendar/calendar_window.h"
#include "core/backups.h"
#include "helpers/test_support.h"
#include "notes/daynote_list.h"
#include "notes/reminder_sheet.h"
#include "platform/list_view.h"
#include "tools/about.h"
#include "tools/countdown.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSet>
#include <QTextEdit>

using namespace Qt::StringLiterals;

namespace {

// The window as the program opens it, named by its definition, with as many controls enabled as it allows.
QWidget* OpenWindow(const QString& definition) {
    RecordArray& notes = App().daynotes;
    if (notes.empty()) {
        AddDaynote(12, 15, 2026, NoteStandard, u"Dentist"_s);
        SetRecordDate(notes, 0, ReminderDateKey, DateTimeToAbsTime(12, 14, 2026, 9, 0));
        SetRecordValue(notes, 0, URLKey, Value(u"https://example.org"_s));
        SetRecordValue(notes, 0, EmailAddrKey, Value(u"me@example.org"_s));
    }
    ShowCalendar(); // the countdown and Go To Year belong to it
    if (definition == QLatin1String("CD")) {
        ToggleCountdown();
        return FindWindowById(CountdownWindowId);
    }
    if (definition == QLatin1String("UserNote")) {
        const QString           path = QDir::home().filePath(u"names.vrdxnote"_s);
        const OpenFilePresenter previous =
            SetOpenFilePresenter([path](const OpenFileRequest&) { return path; });
        RunCommand(MakeFourCC("Cusr"));
        SetOpenFilePresenter(previous);
        return DocumentWindows().value(0);
    }
    return OpenDefinition(definition, true, [](QWidget* window) {
        if (GetWindowId(window) == ListWindowId)
            SetListSelection(FindControl(window, DaynoteListView), {1}); // row controls on
    });
}

int ControlIdOf(QWidget* w) {
    for (; w; w = w->parentWidget())
        if (int id = GetControlId(w)) return id;
    return 0;
}

// A radio group takes the focus through its buttons.
bool TakesTabFocus(QWidget* control) {
    if (control->focusPolicy() & Qt::TabFocus) return true;
    for (QRadioButton* radio : control->findChildren<QRadioButton*>())
        if (ControlIdOf(radio) == GetControlId(control)) return true;
    return false;
}

QList<QWidget*> Controls(QWidget* window) {
    QList<QWidget*> controls;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (GetControlId(w) && window->isAncestorOf(w)) controls << w; // not a sheet's; a drawer's too
    return controls;
}

// A text view that types Tab is left with Ctrl+Tab.
bool TypesTab(const QWidget* w) {
    if (auto* t = qobject_cast<const QTextEdit*>(w)) return !t->tabChangesFocus();
    if (auto* t = qobject_cast<const QPlainTextEdit*>(w)) return !t->tabChangesFocus();
    return false;
}

} // namespace

class TestAccessibleNames : public QObject {
    Q_OBJECT

    ZoneScope   zone{"Europe/Berlin"};
    LocaleScope locale{"en_US"};

  private slots:
    void initTestCase() {
        SetTestClock(DateTimeToAbsTime(12, 5, 2026, 10, 0));
        QVERIFY(SetUpProgramWindows());
        Prefs().countDownMode = CountDownUsesMessage; // the preferences' message field enabled
        QVERIFY(QDir().mkpath(BackupFolder()));       // a backup to restore from
        QVERIFY(QFile::copy(u":/resources/ui/RestoreBackup.ui"_s,
                            BackupFolder() + u"/VRDX DayNotes 2026-12-01"_s));
    }

    void cleanup() { DisposeDocumentWindows(); }

    // Every control has a name; Tab (Ctrl+Tab out of a text view) visits every enabled control that takes
    // the focus (none in the countdown drawer and the About window).
    void namedAndReached_data() {
        QTest::addColumn<QString>("definition");
        for (const char* name :
             {"Daynote", "ReminderSheet", "Recurring", "Calendar", "12MonthCalWnd", "UserNote", "CD"})
            QTest::newRow(name) << QString::fromLatin1(name);
        for (const WindowOpener& o : WindowOpeners())
            QTest::newRow(o.definition) << QString::fromLatin1(o.definition);
    }
    void namedAndReached() {
        QFETCH(QString, definition);
        QWidget* window = OpenWindow(definition);
        QVERIFY(window);
        const QList<QWidget*> controls = Controls(window);
        QVERIFY(!controls.isEmpty());
        QSet<int> expected;
        for (QWidget* control : controls) {
            // A disabled day cell outside the month is no control at that moment.
            if (!control->isEnabled() && GetControlText(control).isEmpty()) continue;
            // A label showing a value is named by the value and says what it is in its description, which
            // is all it has to say while the value is empty.
            const bool label =
                QAccessible::queryAccessibleInterface(control)->role() == QAccessible::StaticText;
            const QString said = AccessibleText(control) +
                                 (label ? AccessibleText(control, QAccessible::Description) : QString());
            QVERIFY2(!said.trimmed().isEmpty(),
                     qPrintable(u"control %1 has no name"_s.arg(GetControlId(control))));
            if (control->isEnabled() && control->isVisibleTo(window) && TakesTabFocus(control))
                expected << GetControlId(control);
        }
        if (definition == u"CD"_s || GetWindowId(window) == AboutWindowId) return;
        QVERIFY(!expected.isEmpty());
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        if (definition == QLatin1String("ReminderSheet"))
            QVERIFY(expected.contains(ReminderMessageField) && expected.contains(ReminderRemoveButton));
        QSet<int> reached;
        for (int i = 0; i < 2 * int(expected.size()) + 2; ++i) {
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus && focus->window() == window);
            const int id = ControlIdOf(focus);
            reached << id;
            QTest::keyClick(focus, Qt::Key_Tab,
                            TypesTab(FindControl(window, id)) ? Qt::ControlModifier : Qt::NoModifier);
        }
        reached.remove(0);
        QCOMPARE(reached, expected);
    }
};

QTEST_MAIN(TestAccessibleNames)
#include "tst_accessible_names.moc"
