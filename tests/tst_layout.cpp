// Every window and sheet looks finished at its opening size, with real content in it: it is painted, every
// label and button shows its whole text, and it fits on a 1366 x 768 screen. The same rows run a second time
// under QT_SCALE_FACTOR=2 (a second CTest entry). Windows that remember their size come back at it. Every
// control has a name for assistive technology and is reached from the keyboard. What assistive technology
// gets from the windows: the values they show, check boxes it toggles, and text that stays readable on the
// desktop's colours, light or dark.
#include "calendar/calendar_window.h"
#include "calendar/colours.h"
#include "calendar/holidays.h"
#include "calendar/monthly_view.h"
#include "calendar/twelve_month.h"
#include "calendar/weekly_view.h"
#include "core/backups.h"
#include "helpers/test_support.h"
#include "notes/daynote_list.h"
#include "notes/daynote_window.h"
#include "notes/find.h"
#include "notes/reminder_sheet.h"
#include "platform/list_view.h"
#include "tools/countdown.h"
#include "tools/preferences_window.h"
#include "tools/shutdown.h"
#include "tools/time_log.h"
#include "tools/time_zones.h"
#include "tools/timer.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTextEdit>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr QSize SmallScreen(1366, 768);
constexpr int   TitleBar = 30; // what a window manager adds above the content, at most

// A month whose every week has a daynote of a few lines, the first and the last week too; the 15th's has a
// reminder with a web address and an e-mail.
void AddSampleDaynotes() {
    RecordArray& notes = App().daynotes;
    if (!notes.empty()) return;
    for (int day : {1, 5, 9, 15, 17, 24, 31}) AddDaynote(12, day, 2026, NoteStandard, u"Dentist 9:30\nTNQ"_s);
    const int index = NoteIndex(DateToAbsTime(12, 15, 2026));
    SetRecordDate(notes, index, ReminderDateKey, DateTimeToAbsTime(12, 14, 2026, 9, 0));
    SetRecordValue(notes, index, URLKey, Value(u"https://example.org"_s));
    SetRecordValue(notes, index, EmailAddrKey, Value(u"me@example.org"_s));
}

// A timer running with a message of 40 characters, a time log running with a long project name.
void StartSampleTools() {
    if (!IsTimerActive()) {
        QWidget* sheet = FindWindowById(TimerSheetId);
        SetControlText(FindControl(sheet, TimerMessageField),
                       QString(u"Take the bread out of the oven, and turn"_s));
        SetControlText(FindControl(sheet, TimerHoursField), u"1"_s);
        SetControlText(FindControl(sheet, TimerMinutesField), u"30"_s);
        StartTimer();
    }
    if (!IsTimeLogRunning()) {
        SetControlText(FindControl(FindWindowById(TimeLogSheetId), TimeLogProjectField),
                       u"Garden shed, phase 2: roof and gutters"_s);
        StartTimeLog();
        Advance(3 * 3600 + 25 * 60 + 7);
    }
}

// The calendar comes back for the countdown drawer (CD), once the drawer has slid out whole. Sheets come with
// their boxes ticked when asked, and the daynote list with its first row chosen.
QWidget* OpenWindow(const QString& name, bool tickBoxes = false) {
    AddSampleDaynotes();
    ShowCalendar();
    if (name == QLatin1String("CD")) {
        QWidget* drawer = FindWindowById(CountdownWindowId);
        if (!drawer || !IsDrawerOpen(drawer)) ToggleCountdown();
        drawer = FindWindowById(CountdownWindowId);
        (void)QTest::qWaitFor([drawer] { return drawer && drawer->width() >= drawer->sizeHint().width(); });
        return FindWindowById(CalendarWindowId);
    }
    if (name == QLatin1String("UserNote")) {
        DialogAnswer answer(QDir::home().filePath(u"names.vrdxnote"_s));
        RunCommand(MakeFourCC("Cusr"));
        return DocumentWindows().value(0);
    }
    return OpenDefinition(name, tickBoxes, [&name](QWidget* window) {
        if (GetWindowId(window) == ListWindowId) SetListSelection(FindControl(window, DaynoteListView), {1});
        if (name != QLatin1String("Timer") && name != QLatin1String("TimeLog")) return;
        StartSampleTools();
        TickOnce();
    });
}

QString Describe(const QWidget* w) {
    const int id = GetControlId(w);
    return u"%1 %2%3"_s.arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(),
                            id ? u" (%1)"_s.arg(id) : QString());
}

QString Shown(QString text, bool mnemonic) {
    if (mnemonic)
        text.replace(u"&&"_s, QChar(0xFFFF)).remove(QLatin1Char('&')).replace(QChar(0xFFFF), u"&"_s);
    return text;
}

// "needs W x H, has W x H", when the room is short of what the text needs.
QString Short(const QString& text, QSize need, QSize room) {
    return u"\"%1\" needs %2 x %3, has %4 x %5"_s.arg(text.left(30))
        .arg(need.width())
        .arg(need.height())
        .arg(room.width())
        .arg(room.height());
}

// What is wrong with a widget's text: empty when all of it shows.
QString TextProblem(QWidget* w) {
    const QFontMetrics metrics(w->font());
    if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->text().trimmed().isEmpty() || Qt::mightBeRichText(label->text())) return {};
        const QString text = Shown(label->text(), label->buddy() != nullptr);
        const int     m = label->margin();
        const QRect   room = label->contentsRect().adjusted(m, m, -m, -m);
        const QRect   need = label->wordWrap() ? metrics.boundingRect(QRect(0, 0, room.width(), 1 << 20),
                                                                      Qt::TextWordWrap, text)
                                               : metrics.boundingRect(QRect(0, 0, 1 << 20, 1 << 20), 0, text);
        if (need.height() <= room.height() && (label->wordWrap() || need.width() <= room.width())) return {};
        return Short(text, need.size(), room.size());
    }
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        const QSize need = button->minimumSizeHint();
        if (button->text().isEmpty() ||
            (button->width() >= need.width() && button->height() >= need.height()))
            return {};
        return Short(Shown(button->text(), true), need, button->size());
    }
    if (auto* bar = qobject_cast<QMenuBar*>(w)) {
        if (bar->width() >= bar->sizeHint().width()) return {};
        return u"menus hidden behind \u00BB: needs %1, has %2"_s.arg(bar->sizeHint().width())
            .arg(bar->width());
    }
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w))
        return area->horizontalScrollBar()->isVisible() ? u"scrolls sideways"_s : QString();
    if (auto* box = qobject_cast<QGroupBox*>(w)) {
        const int need = metrics.horizontalAdvance(Shown(box->title(), true));
        if (box->title().isEmpty() || need <= box->width()) return {};
        return u"title \"%1\" needs %2, has %3"_s.arg(box->title()).arg(need).arg(box->width());
    }
    return {};
}

// A grid of day boxes (the monthly view) has six rows of one height, each day's text below its number and
// inside its box.
QString GridProblem(QWidget* window) {
    if (!FindControl(window, FirstMonthlyFrame)) return {};
    int lowest = 1 << 20, highest = 0;
    for (int k = 0; k < MonthlyPositions; ++k) {
        QWidget* frame = FindControl(window, FirstMonthlyFrame + k);
        QWidget* number = FindControl(window, FirstMonthlyNumber + k);
        QWidget* note = FindControl(window, FirstMonthlyNote + k);
        lowest = std::min(lowest, frame->height()), highest = std::max(highest, frame->height());
        const QRect box(frame->mapTo(window, QPoint()), frame->size());
        const QRect numberRect(number->mapTo(window, QPoint()), number->size());
        const QRect noteRect(note->mapTo(window, QPoint()), note->size());
        if (!box.contains(noteRect) || noteRect.top() < numberRect.bottom())
            return u"box %1: its text is not below the number inside the box"_s.arg(k);
    }
    if (highest - lowest > 1) return u"rows of %1 to %2 pixels"_s.arg(lowest).arg(highest);
    return {};
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

using KeyRow = std::tuple<QString, int, Qt::Key>;
using SizeRow = std::tuple<const char*, int>;

bool OneColour(const QImage& image) {
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            if (image.pixel(x, y) != first) return false;
    return true;
}

// Saturday 10:07:20 in Berlin, once the test's zone is in force.
double Now() {
    return DateTimeToAbsTime(12, 5, 2026, 10, 7) + 20;
}
double Dentist() {
    return DateToAbsTime(12, 15, 2026);
}

// The window of the definition (CD: the countdown drawer) as a row looks at it: over the calendar, the time
// log running, the list's first row chosen, the weekly view with a daynote to delete whichever day starts the
// week.
QWidget* OpenScene(const QString& definition) {
    ShowCalendar();
    if (definition == u"CD"_s) {
        ToggleCountdown();
        RefreshCountdown(FindWindowById(CountdownWindowId));
        return FindWindowById(CountdownWindowId);
    }
    if (definition == u"Weekly"_s)
        for (int day : {29, 30}) AddDaynote(11, day, 2026, NoteStandard);
    QWidget* window = OpenDefinition(definition, false, [](QWidget* w) {
        if (GetWindowId(w) == ListWindowId) SetListSelection(FindControl(w, DaynoteListView), {1});
    });
    if (definition == u"TimeLog"_s) {
        ClickIn(window, TimeLogNewButton);
        SetControlText(FindControl(FindWindowById(TimeLogSheetId), TimeLogProjectField), u"Garden shed"_s);
        ClickIn(FindWindowById(TimeLogSheetId), TimeLogStartButton);
    }
    return window;
}

// Every node under the interface, depth first.
QList<QAccessibleInterface*> Tree(QAccessibleInterface* node) {
    QList<QAccessibleInterface*> nodes{node};
    for (int i = 0; node && i < node->childCount(); ++i) nodes << Tree(node->child(i));
    return nodes;
}

// What a screen reader reads as the node's content: its name, else the whole of its text.
QString Spoken(QAccessibleInterface* node) {
    const QString name = node->text(QAccessible::Name);
    if (!name.isEmpty() || !node->textInterface()) return name;
    return node->textInterface()->text(0, node->textInterface()->characterCount());
}

// 1 when the setting and what it governs are both on, 0 both off, -1 when they disagree.
int Agree(bool setting, bool shown) {
    return setting == shown ? int(setting) : -1;
}

QWidget* CalendarWindow() {
    return FindWindowById(CalendarWindowId);
}

int SecondsShown() {
    CalendarTick(CalendarWindow());
    const QString clock = GetControlText(FindControl(CalendarWindow(), CalendarClockControl));
    return Agree(Prefs().showSeconds, clock.count(u':') == 2);
}
int MessageNamesTheCountdown() {
    return Agree(Prefs().countDownMode == CountDownUsesMessage,
                 IsControlEnabled(FindControl(FindWindowById(PreferencesWindowId), CountdownMessageField)));
}
int Enabled(int windowId, int controlId) {
    return IsControlEnabled(FindControl(FindWindowById(windowId), controlId)) ? 1 : 0;
}

using ValueRow = std::tuple<QString, int, QString, QString>;
using ToggleRow = std::tuple<QString, int, int (*)()>;
using ColourRow = std::tuple<QString, int>;

enum Place { StandardCell = 1, HolidayCell, EventCell, KeeperCell, PlainCell, DaynoteText };

QPalette DarkPalette() {
    QPalette p;
    for (const auto& [role, colour] : std::initializer_list<std::pair<QPalette::ColorRole, QColor>>{
             {QPalette::Window, QColor(0x35, 0x35, 0x35)},
             {QPalette::WindowText, Qt::white},
             {QPalette::Base, QColor(0x2A, 0x2A, 0x2A)},
             {QPalette::AlternateBase, QColor(0x42, 0x42, 0x42)},
             {QPalette::Text, Qt::white},
             {QPalette::Button, QColor(0x35, 0x35, 0x35)},
             {QPalette::ButtonText, Qt::white},
             {QPalette::Highlight, QColor(0x2A, 0x82, 0xDA)},
             {QPalette::HighlightedText, Qt::white}})
        p.setColor(role, colour);
    return p;
}

// Measured here, not by the program's own arithmetic.
double ContrastOf(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto ch = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * ch(c.redF()) + 0.7152 * ch(c.greenF()) + 0.0722 * ch(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

class TestLayout : public QObject {
    Q_OBJECT

    ZoneScope     zone{"Europe/Berlin"};
    LocaleScope   locale{"en_US"};
    AlertRecorder alerts; // nobody is there to answer
    QPalette      light;
    bool          styled = false;

    // What the accessibility rows look at: the desktop's light colours, the calendar's extras off, a
    // countdown of 1 d 2 h 3 min 4.7 s, zones of a half hour ahead and an hour behind, two daynotes.
    void AccessibilityScene() {
        if (!styled) {
            styled = true;
            QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
            light = QApplication::style()->standardPalette();
        }
        SetTestClock(Now());
        QApplication::setPalette(light);
        Preferences& p = Prefs();
        p.showSeconds = p.showWeekNumber = p.showSunLine = false;
        p.countDownMode = CountDownUsesDate;
        p.countDownDate = Now() + 86400 + 2 * 3600 + 3 * 60 + 4.7;
        p.timeZone1Name = u"Delhi"_s, p.timeZone1Offset = 11;
        p.timeZone2Name = u"Reykjavík"_s, p.timeZone2Offset = -2;
        App().daynotes.clear();
        AddDaynote(12, 15, 2026, NoteStandard, u"Dentist"_s);
        AddDaynote(12, 24, 2026, NoteKeeper, u"Christmas Eve"_s);
    }

  private slots:
    void initTestCase() {
        SetTestClock(DateTimeToAbsTime(12, 5, 2026, 10, 0));
        QVERIFY(SetUpProgramWindows());
        Prefs().timeZone1Name = u"Honolulu"_s, Prefs().timeZone1Offset = -20;
        Prefs().timeZone2Name = u"Kathmandu"_s, Prefs().timeZone2Offset = 11;
        QVERIFY(QDir().mkpath(BackupFolder())); // the restore window lists what there is to restore
        QVERIFY(QFile::copy(u":/resources/ui/RestoreBackup.ui"_s,
                            BackupFolder() + u"/VRDX DayNotes 2026-12-01"_s));
        Prefs().countDownMode = CountDownUsesMessage; // the preferences' message field enabled
        QCOMPARE(QGuiApplication::primaryScreen()->geometry().size(), SmallScreen);
    }

    void cleanup() {
        if (IsTimerActive()) StopTimer();
        DisposeAllWindows();
        ResetTimeLog();
        App().daynotes.clear();
    }

    void looksFinished_data() {
        QTest::addColumn<QString>("name");
        for (const char* name : {"Calendar", "CD", "12MonthCalWnd", "Daynote", "ReminderSheet", "Recurring"})
            QTest::newRow(name) << QString::fromLatin1(name);
        for (const WindowOpener& o : WindowOpeners())
            QTest::newRow(o.definition) << QString::fromLatin1(o.definition);
    }
    void looksFinished() {
        QFETCH(QString, name);
        QWidget* window = OpenWindow(name);
        QVERIFY2(window, qPrintable(name + u" did not open"_s));
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTest::qWait(0); // layouts settle
        QVERIFY2(!OneColour(window->grab().toImage()), qPrintable(name + u" is not painted"_s));
        QStringList problems;
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(window) || w->window() != window) continue;
            const QString problem = TextProblem(w);
            if (!problem.isEmpty()) problems << Describe(w) + u": "_s + problem;
        }
        if (const QString grid = GridProblem(window); !grid.isEmpty()) problems << grid;
        QVERIFY2(problems.isEmpty(), qPrintable(name + u": "_s + problems.join(u"; "_s)));
        const QSize size = window->frameGeometry().size();
        QVERIFY2(size.width() <= SmallScreen.width() && size.height() + TitleBar <= SmallScreen.height(),
                 qPrintable(u"%1 is %2 x %3"_s.arg(name).arg(size.width()).arg(size.height())));
    }

    // Every control has a name; Tab (Ctrl+Tab out of a text view) visits every enabled control that takes
    // the focus (none in the countdown drawer and the About window).
    void namedAndReached_data() {
        looksFinished_data();
        QTest::newRow("UserNote") << u"UserNote"_s;
    }
    void namedAndReached() {
        QFETCH(QString, name);
        QWidget* window =
            name == u"CD"_s ? (OpenWindow(name), FindWindowById(CountdownWindowId)) : OpenWindow(name, true);
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
        if (name == u"CD"_s || GetWindowId(window) == AboutWindowId) return;
        QVERIFY(!expected.isEmpty());
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        if (name == QLatin1String("ReminderSheet"))
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
    // Return and Enter press the default button of a window from its text field (what it holds selected or
    // not); Escape cancels a sheet. (Return in Go To Year, Escape in the timer and reminder sheets: their own
    // tests.)
    void keyboardDefaults_data() {
        AddRows<KeyRow>({
            {"Holidays Return", {u"Holidays"_s, HolidaysYearField, Qt::Key_Return}},
            {"ShutDownTimer Return", {u"ShutDownTimer"_s, ShutdownPasswordField, Qt::Key_Return}},
            {"FindDaynotes Return", {u"FindDaynotes"_s, FindTextField, Qt::Key_Return}},
            {"FindDaynotes Enter", {u"FindDaynotes"_s, FindTextField, Qt::Key_Enter}},
            {"GoToYearWnd Enter", {u"GoToYearWnd"_s, GoToYearField, Qt::Key_Enter}},
            {"GoToYearWnd Escape", {u"GoToYearWnd"_s, GoToYearField, Qt::Key_Escape}},
        });
    }
    void keyboardDefaults() {
        FETCH_ROW(KeyRow, name, field, key);
        QWidget* window = OpenWindow(name);
        QVERIFY(window && QTest::qWaitForWindowExposed(window));
        QWidget*     control = FindControl(window, field);
        QPushButton* pressed = nullptr;
        for (QPushButton* b : window->findChildren<QPushButton*>())
            if (b->isDefault()) pressed = b;
        QVERIFY2(pressed, "no default button");
        QSignalSpy clicks(pressed, &QAbstractButton::clicked);
        window->activateWindow();
        SetFocusToControl(control);
        if (name == QLatin1String("FindDaynotes")) QTest::keyClicks(control, u"TNQ"_s);
        QTest::keyClick(control, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        if (key == Qt::Key_Escape)
            QVERIFY2(!window->isVisible(), "the sheet stays");
        else
            QCOMPARE(clicks.size(), 1);
    }

    // Closed at a size of the user's, opened again at that size.
    void reopensAtItsSize_data() {
        AddRows<SizeRow>({{"Timer", {"ShTM", TimerWindowId}},
                          {"TimeZones", {"ShTZ", TimeZonesWindowId}},
                          {"TimeLog", {"ShTL", TimeLogWindowId}}});
    }
    void reopensAtItsSize() {
        FETCH_ROW(SizeRow, code, window);
        QWidget* first = OpenByCommand(code, window);
        QVERIFY(QTest::qWaitForWindowExposed(first));
        const QSize chosen = first->size() + QSize(57, 31);
        first->resize(chosen);
        QTest::qWait(0);
        CloseAndSettle(first);
        QVERIFY(!FindWindowById(window));
        QWidget* again = OpenByCommand(code, window);
        QVERIFY(QTest::qWaitForWindowExposed(again));
        QCOMPARE(again->size(), chosen);
    }

    // A label that shows a value gives the value as its name and says what it is in its description, so a
    // screen reader reads "1, days"; the value is the one on screen.
    void valuesInTheTree_data() {
        const QString local = u"Saturday, December 05, 2026, 10:07:20 AM"_s;
        AddRows<ValueRow>({
            {"countdown days", {u"CD"_s, CountdownDays, u"days"_s, u"1"_s}},
            {"countdown seconds", {u"CD"_s, CountdownSeconds, u"seconds"_s, u"4"_s}},
            {"local clock", {u"TimeZones"_s, LocalClockText, u"local time"_s, local}},
            {"zone 1 difference", {u"TimeZones"_s, ZoneOffset1Text, u"zone 1 difference"_s, u"+ 5 h 30m"_s}},
            {"zone 1 clock",
             {u"TimeZones"_s, ZoneClock1Text, u"zone 1 time"_s,
              u"Saturday, December 05, 2026, 3:37:20 PM"_s}},
            {"zone 2 name", {u"TimeZones"_s, ZoneName2Text, u"zone 2 name"_s, u"Reykjavík"_s}},
            {"zone 2 difference", {u"TimeZones"_s, ZoneOffset2Text, u"zone 2 difference"_s, u"- 1 h "_s}},
            {"zone 2 clock",
             {u"TimeZones"_s, ZoneClock2Text, u"zone 2 time"_s,
              u"Saturday, December 05, 2026, 9:07:20 AM"_s}},
            {"time log project", {u"TimeLog"_s, TimeLogProjectText, u"project"_s, u"Garden shed"_s}},
            {"time log start", {u"TimeLog"_s, TimeLogStartText, u"started"_s, local}},
            {"time log elapsed", {u"TimeLog"_s, TimeLogElapsedText, u"elapsed time"_s, u"01:02:03"_s}},
            {"calendar clock", {u"Calendar"_s, CalendarClockControl, u"Clock"_s, u"10:07 AM"_s}},
            {"list daynote count", {u"ListNotes"_s, ListDaynoteCount, u"daynotes"_s, u"2"_s}},
            {"list keeper count", {u"ListNotes"_s, ListKeeperCount, u"keepers"_s, u"1"_s}},
        });
    }
    void valuesInTheTree() {
        AccessibilityScene();
        FETCH_ROW(ValueRow, scene, controlId, role, value);
        QWidget* window = OpenScene(scene);
        QVERIFY(window);
        if (scene == u"TimeLog"_s) Advance(3723);
        TickOnce();
        const QString shown = GetControlText(FindControl(window, controlId));
        QCOMPARE(shown, value);
        QStringList found;
        for (QAccessibleInterface* node : Tree(QAccessible::queryAccessibleInterface(window)))
            if (node->text(QAccessible::Description) == role) found << Spoken(node);
        QCOMPARE(found, QStringList{shown});
    }

    // A check box toggled by assistive technology (its Toggle action, no click) changes the setting and what
    // the setting governs, and toggled again changes them back; a radio button turned on chooses.
    void assistiveToggle_data() {
        AddRows<ToggleRow>({
            {"show seconds", {u"Preferences"_s, ShowSecondsBox, SecondsShown}},
            {"countdown names the message",
             {u"Preferences"_s, CountdownNamingGroup, MessageNamesTheCountdown}},
            {"zone 1 in use",
             {u"TimeZoneSheet"_s, Zone1UseCheckBox, [] { return Enabled(TimeZoneSheetId, Zone1Group); }}},
            {"timer repeats",
             {u"TimerSheet"_s, TimerRepeatCheckBox,
              [] { return Enabled(TimerSheetId, TimerRepetitionsField); }}},
            {"reminder opens a web address",
             {u"ReminderSheet"_s, ReminderUrlCheckBox,
              [] { return Enabled(ReminderSheetId, ReminderUrlField); }}},
            {"list keeper",
             {u"ListNotes"_s, ListKeeperCheckBox, [] { return int(StoredType(Dentist()) == NoteKeeper); }}},
            {"weekly delete box",
             {u"Weekly"_s, FirstDeleteBox, [] { return Enabled(WeeklyWindowId, DeleteDaysButton); }}},
        });
    }
    void assistiveToggle() {
        AccessibilityScene();
        FETCH_ROW(ToggleRow, scene, controlId, effect);
        QWidget* window = OpenScene(scene);
        QVERIFY(window);
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(FindControl(window, controlId));
        QVERIFY(control);
        QList<QAccessibleInterface*> radios;
        for (QAccessibleInterface* node : Tree(control))
            if (node->role() == QAccessible::RadioButton) radios << node;
        const int before = effect();
        QCOMPARE(before, radios.isEmpty() ? GetControlValue(FindControl(window, controlId)) : 0);
        // A check box twice; the second radio button, then the first.
        for (int step = 0; step < 2; ++step) {
            QAccessibleInterface* target = radios.isEmpty() ? control : radios.value(1 - step);
            QVERIFY(target && target->actionInterface());
            const QString toggle = QAccessibleActionInterface::toggleAction();
            QVERIFY(target->actionInterface()->actionNames().contains(toggle));
            target->actionInterface()->doAction(toggle);
            QCOMPARE(effect(), step == 0 ? 1 - before : before);
        }
    }

    // Day numbers in the type colours and a daynote's text read as small text (4.5 : 1) on a light and a
    // dark desktop, and when the desktop turns dark while they show.
    void readableOnTheDesktopColours_data() {
        QTest::addColumn<QString>("theme");
        QTest::addColumn<int>("place");
        const std::pair<const char*, int> places[] = {
            {"standard cell", StandardCell}, {"holiday cell", HolidayCell}, {"event cell", EventCell},
            {"keeper cell", KeeperCell},     {"plain cell", PlainCell},     {"daynote text", DaynoteText}};
        for (const char* theme : {"light", "dark", "light, then dark"})
            for (const auto& [name, place] : places)
                QTest::addRow("%s, %s", theme, name) << QString::fromLatin1(theme) << place;
    }
    void readableOnTheDesktopColours() {
        AccessibilityScene();
        QFETCH(QString, theme);
        QFETCH(int, place);
        QApplication::setPalette(theme == u"dark"_s ? DarkPalette() : light);
        App().daynotes.clear();
        if (place <= KeeperCell) AddDaynote(12, 10, 2026, place);
        ShowCalendar();
        QWidget* shown = place == DaynoteText ? OpenDaynote(12, 10, 2026, App().daynotes)
                                              : FindControl(CalendarWindow(), FindDayCell(10));
        QVERIFY(shown);
        if (place == DaynoteText) {
            TypeAtEnd(FindControl(shown, DaynoteTextControl), u"Dentist"_s);
            shown = FindControl(shown, DaynoteTextControl);
        }
        if (theme == u"light, then dark"_s) {
            QApplication::setPalette(DarkPalette());
            QCoreApplication::processEvents();
        }
        const QPalette palette = shown->palette();
        const bool     text = place == DaynoteText;
        const QColor   ink = palette.color(text ? QPalette::Text : QPalette::WindowText);
        const QColor   ground = palette.color(text ? QPalette::Base : QPalette::Window);
        const double   contrast = ContrastOf(ink, ground);
        QVERIFY2(contrast >= 4.5, qPrintable(u"%1 on %2: %3"_s.arg(ink.name(), ground.name()).arg(contrast)));
        // Still the type's colour, only lighter or darker.
        if (place <= KeeperCell) QCOMPARE(ink.hslHue(), TypeColour(place).hslHue());
    }
};

// A screen of 1366 x 768 at any scale factor, so every row sees the room a small laptop gives.
int main(int argc, char** argv) {
    if (!StartPrivateSessionBus() || UsePrivateHome().isEmpty()) qFatal("no private session bus");
    const double  scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                              ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
                              : 1.0;
    QTemporaryDir dir;
    const QString config = dir.filePath(u"screen.json"_s);
    QFile         file(config);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write the screen description");
    file.write(
        u"{\"screens\": [{\"name\": \"laptop\", \"x\": 0, \"y\": 0, \"width\": %1, \"height\": %2, "
        "\"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}"_s.arg(qRound(SmallScreen.width() * scale))
            .arg(qRound(SmallScreen.height() * scale))
            .toUtf8());
    file.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
    QApplication app(argc, argv);
    TestLayout   test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_layout.moc"
