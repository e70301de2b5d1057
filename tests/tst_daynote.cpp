// The daynote window and its reminder sheet on the offscreen platform. Recurring daynotes: the sheet opened
// from a daynote window, the copies it makes every so many weeks, months or years, appending to daynotes
// already there, and what changes nothing (summer time begins on 28 March 2027 in Berlin). The daynote list
// and find: rows, sorting, write-back, keeper box, counts, find. Events: the elapsed-time texts, the list
// window's sorting, add, change and delete written to the file at once, the duplicate case and events made
// daynotes. (The events file as plistlib reads and writes it: the black-box test_app_reopen.py.) Printing to
// PDF files, read back with poppler's pdftotext and pdfinfo.
#include "calendar/calendar_window.h"
#include "core/datafiles.h"
#include "helpers/test_support.h"
#include "notes/daynote_list.h"
#include "notes/daynote_window.h"
#include "notes/events.h"
#include "notes/find.h"
#include "notes/recurring.h"
#include "notes/reminder_sheet.h"
#include "notes/reminders.h"
#include "platform/list_view.h"
#include "platform/print_dialogs.h"
#include "tools/printing.h"

#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextEdit>

using namespace Qt::StringLiterals;

namespace {

const bool privateSession = StartPrivateSessionBus(); // before the application connects to the bus

RecordArray& Notes() {
    return App().daynotes;
}

QWidget* Open(int month, int day, int year) {
    return OpenDaynote(month, day, year, Notes());
}

void Type(QWidget* window, const QString& text) {
    TypeAtEnd(FindControl(window, DaynoteTextControl), text);
}

// Whether the calendar draws the day's cell in a daynote colour rather than plain black.
bool CellMarked(int day) {
    const NoteFontStyle c =
        GetControlFontStyle(FindControl(FindWindowById(CalendarWindowId), FindDayCell(day)));
    return c.fgRed || c.fgGreen || c.fgBlue;
}

QWidget* OpenSheet(int month, int day, int year) {
    QTest::mouseClick(FindControl(Open(month, day, year), ReminderButton), Qt::LeftButton);
    return FindWindowById(ReminderSheetId);
}

using KeeperBoxRow = std::tuple<int, int>;
using TextIsStoredAsItWasRow = std::tuple<QString, QStringList, int, QString>;
using SaveMarksOnlyTheShownDayRow = std::tuple<int, QDate, bool>;
using ReminderSheetStoresEveryFieldRow = std::tuple<bool, int>;
using CopiesRow = std::tuple<QDate, int, QString, QString, QList<QDate>>;
using CopiesOntoTakenDaysRow = std::tuple<QString, bool, QString, QString>;

// Every daynote as "date|text|type", and "|reminder" with one, so a test sees any record that changed.
QStringList AllNotes() {
    QStringList all;
    for (int i = 0; i < int(Notes().size()); ++i) {
        double date = 0;
        int8_t type = 0;
        GetRecordDate(Notes(), i, NoteDateKey, &date);
        GetRecordByte(Notes(), i, NoteTypeKey, &type);
        const Value* v = GetRecordValue(Notes(), i, NoteDataKey);
        all << u"%1|%2|%3"_s
                       .arg(FormatDate(u"yyyy-M-d H:m"_s, date),
                            v && ValueText(*v) ? *ValueText(*v) : QString())
                       .arg(type) +
                   (GetRecordValue(Notes(), i, ReminderDateKey) ? u"|reminder"_s : QString());
    }
    return all;
}

QWidget* Sheet() {
    return FindWindowById(RecurringWindowId);
}

// Opens the base date's daynote window, and the sheet with its recurring button.
QWidget* OpenRecurring(QDate base) {
    QWidget* window = OpenDaynote(base.month(), base.day(), base.year(), Notes());
    ClickIn(window, RecurringButton);
    return Sheet();
}

// Fills the sheet as a user would: the period by arrow keys on the pop-up, the figures typed.
void FillAndCopy(int period, const QString& count, const QString& spacing) {
    QWidget* sheet = Sheet();
    QWidget* popUp = FindControl(sheet, RecurringPeriodPopUp);
    for (int i = 1; i < period; ++i) QTest::keyClick(popUp, Qt::Key_Down);
    QTest::keyClicks(FindControl(sheet, RecurringCountField), count);
    QTest::keyClicks(FindControl(sheet, RecurringSpacingField), spacing);
    ClickIn(sheet, RecurringCopyButton);
}

// Selects a row as a click would: through the list, so the program's selection handler runs.
const auto ChooseRow = [](int row) { SetListSelection(ControlOf(ListWindowId, DaynoteListView), {row}); };

// Three daynotes in March 2024; the second has a reminder.
void AddThree() {
    AddDaynote(3, 4, 2024, NoteHoliday, u"first"_s);
    AddDaynote(3, 5, 2024, NoteStandard, u"second"_s);
    AddDaynote(3, 6, 2024, NoteStandard, u"third"_s);
    SetRecordDate(Notes(), 1, ReminderDateKey, DateTimeToAbsTime(2, 1, 2024, 9, 0));
}

using SortingRow = std::tuple<int, int, QList<int>>;
using WriteBackRow = std::tuple<QString, QString, QString>;
using FindRow = std::tuple<QString, QStringList>;

const auto EventWindow = [] { return FindWindowById(EventListWindowId); };
const auto EventSheet = [] { return FindWindowById(AddEventSheetId); };
const auto EventRows = [] { return FindControl(EventWindow(), EventList); };

void OpenEventList() {
    RunCommand(MakeFourCC("Evet"));
    QVERIFY(QTest::qWaitForWindowExposed(EventWindow()));
}

QStringList ShownNames() {
    QStringList names;
    for (int row : GetListOrder(EventRows())) names << GetListCellText(EventRows(), row, 0);
    return names;
}

// The events file as the program reads it: name, date text and unit of each.
QStringList StoredEvents() {
    RecordArray stored;
    if (!LoadEventFile(&stored)) return {u"unreadable"_s};
    QStringList events;
    for (const Value& v : EventListFromStored(stored, ElapsedTimeText)) {
        const Record* r = ValueRecord(v);
        int8_t        unit = 0;
        if (!r) continue;
        RecordByte(*r, EventUnitKey, &unit);
        events << u"%1|%2|%3"_s
                      .arg(*ValueText(*FindField(*r, EventNameKey)), *ValueText(*FindField(*r, EventDateKey)))
                      .arg(unit);
    }
    return events;
}

void FillSheet(const QString& name, int month, int day, int year, int unit, int choice) {
    QVERIFY(EventSheet() && IsWindowVisible(EventSheet()));
    SetControlText(FindControl(EventSheet(), EventNameField), name);
    SetControlDateTime(FindControl(EventSheet(), EventDatePicker), year, month, day, 0, 0);
    SetControlValue(FindControl(EventSheet(), EventUnitPopUp), unit);
    SetControlValue(FindControl(EventSheet(), EventDaynoteChoicePopUp), choice);
}

using ElapsedRow = std::tuple<QDate, int, const char*, QString>;
using SortRow = std::tuple<int, int, QStringList>;
using ToDaynotesRow = std::tuple<int, QList<int>, QStringList, QStringList>;

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

class TestDaynote : public QObject {
    Q_OBJECT

    ZoneScope     zone{"Europe/Berlin"};
    LocaleScope   locale{"en_US"};
    FakeDesktop   dock;
    AlertRecorder unexpected; // an alert no test waits for answers at once instead of hanging the run

    QTemporaryDir            folder;
    QString                  pdf;
    int                      printDialogs = 0;
    bool                     cancel = false;
    QPageLayout::Orientation pageSetupAnswer = QPageLayout::Portrait;

    void ChooseOrientation(QPageLayout::Orientation orientation) {
        pageSetupAnswer = orientation;
        RunCommand(MakeFourCC("page"));
    }
    static double DaysAgo(int days) { return AddDateUnits(DateToAbsTime(12, 5, 2026), -days, AddDays); }

  private slots:
    void initTestCase() {
        QVERIFY(privateSession);
        QVERIFY(dock.Serve(false));
        QLocale::setDefault(QLocale(u"en_US"_s));
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

    // Emptying the daynote of a due reminder takes it off the launcher's count.
    void deletingADueReminderUpdatesTheBadge() {
        AddDaynote(12, 1, 2026, NoteStandard, u"due"_s);
        SetRecordDate(Notes(), NoteIndex(DateToAbsTime(12, 1, 2026)), ReminderDateKey,
                      DateToAbsTime(12, 1, 2026));
        CheckReminders(false, Notes());
        QTRY_COMPARE(dock.badge.value(u"count"_s), QVariant(qlonglong(1)));
        QWidget* window = Open(12, 1, 2026);
        ClearText(FindControl(window, DaynoteTextControl));
        CloseAndSettle(window);
        QTRY_COMPARE(dock.badge.value(u"count"_s), QVariant(qlonglong(0)));
        QCOMPARE(dock.badge.value(u"count-visible"_s), QVariant(false));
    }

    void init() {
        SetTestClock(DateTimeToAbsTime(12, 5, 2026, 10, 0));
        Notes().clear();
        QFile::remove(GetDataFileURL(EventFileName));
        pdf = folder.filePath(u"%1 %2.pdf"_s.arg(QTest::currentTestFunction(), QTest::currentDataTag()));
        printDialogs = 0;
        cancel = false;
        Prefs() = Preferences{};
        App().dayMark = 5;
        ShowCalendar();
    }

    void cleanup() {
        DisposeDocumentWindows();
        CloseDaynoteList();
    }

    // Typing and closing creates the daynote; emptying it deletes the record, reminder and all.
    void typingCreatesEmptyingDeletes() {
        const double date = DateToAbsTime(12, 12, 2026);
        QTest::mouseClick(FindControl(FindWindowById(CalendarWindowId), FindDayCell(12)), Qt::LeftButton);
        QWidget* window = FrontWindow();
        QCOMPARE(Open(12, 12, 2026), window); // one window for the day, another for another day
        QVERIFY(Open(12, 13, 2026) != window);
        Type(window, u"Dentist"_s);
        QCOMPARE(NoteIndex(date), -1); // nothing is stored while the window is open
        CloseAndSettle(window);
        QCOMPARE(StoredText(date), u"Dentist"_s);

        SetRecordDate(Notes(), NoteIndex(date), ReminderDateKey, DateToAbsTime(12, 11, 2026));
        window = Open(12, 12, 2026);
        ClearText(FindControl(window, DaynoteTextControl));
        CloseAndSettle(window);
        QVERIFY(Notes().empty());
        QVERIFY(!CellMarked(12));
        CloseAndSettle(Open(12, 21, 2026)); // an empty new window stores nothing either
        QVERIFY(Notes().empty());
    }

    void keeperBox_data() {
        // saved: the box is clicked when it differs from stored
        AddRows<KeeperBoxRow>({
            {"standard, box on: keeper", {1, 4}},
            {"keeper, box off: standard", {4, 1}},
            {"holiday, box left off: keeps holiday", {2, 2}},
        });
    }
    void keeperBox() {
        FETCH_ROW(KeeperBoxRow, stored, saved);
        AddDaynote(12, 8, 2026, stored, u"x"_s);
        QWidget* window = Open(12, 8, 2026);
        QCOMPARE(GetControlValue(FindControl(window, KeeperCheckBox)), stored == 4 ? 1 : 0);
        if (stored != saved)
            QTest::mouseClick(FindControl(window, KeeperCheckBox), Qt::LeftButton, {}, QPoint(4, 4));
        CloseAndSettle(window);
        QCOMPARE(StoredType(DateToAbsTime(12, 8, 2026)), saved);
    }

    void fontCommandChangesTheStoredStyle() {
        QWidget* window = Open(12, 10, 2026);
        Type(window, u"x"_s);
        window->activateWindow();
        QTRY_VERIFY(FrontWindow() == window);
        RunCommand(MakeFourCC("Gen4"));
        CloseAndSettle(window);
        NoteFontStyle stored;
        QVERIFY(GetRecordFontStyle(Notes(), NoteIndex(DateToAbsTime(12, 10, 2026)), NoteCFSKey, &stored));
        QCOMPARE(stored.font, GenevaFontNumber);
        QCOMPARE(stored.size, int16_t(14));
    }

    // Opening and closing a daynote stores its text and font record as they were, every character; an edit
    // changes only what was edited, and a line the user adds ends in a carriage return.
    void textIsStoredAsItWas_data() {
        const QString nbsp(QChar(0x00A0)), lineSep(QChar(0x2028));
        const QString mixed = u"10"_s + nbsp + u"am"_s + lineSep + u"Dr\r\nroom 4\nbring\tcard\r"_s;
        // typedLines: typed at the end, Return between them
        AddRows<TextIsStoredAsItWasRow>({
            {"CR LF lines gain no empty line", {u"one\r\ntwo\r\n"_s, QStringList(), 3, u"one\r\ntwo\r\n"_s}},
            {"all of them", {mixed, QStringList(), 4, mixed}},
            {"new line ends in CR",
             {u"one\r\ntwo"_s, QStringList{QString(), u"three"_s}, 2, u"one\r\ntwo\rthree"_s}},
        });
    }
    void textIsStoredAsItWas() {
        FETCH_ROW(TextIsStoredAsItWasRow, stored, typedLines, shownLines, saved);
        const double date = DateToAbsTime(12, 17, 2026);
        AddDaynote(12, 17, 2026, NoteStandard, stored);
        NoteFontStyle foreign; // as another program may write it
        foreign.flags = 0x000F;
        foreign.font = GenevaFontNumber;
        SetRecordFontStyle(Notes(), NoteIndex(date), foreign, NoteCFSKey);
        const Value style = *GetRecordValue(Notes(), NoteIndex(date), NoteCFSKey);
        QWidget*    window = Open(12, 17, 2026);
        QWidget*    view = FindControl(window, DaynoteTextControl);
        QCOMPARE(qobject_cast<QTextEdit*>(view)->document()->blockCount(), shownLines);
        view->setFocus();
        QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
        for (qsizetype i = 0; i < typedLines.size(); ++i) {
            if (i) QTest::keyClick(view, Qt::Key_Return);
            QTest::keyClicks(view, typedLines[i]);
        }
        CloseAndSettle(window);
        QCOMPARE(StoredText(date), saved);
        // Twice round: nothing creeps in on the second opening either.
        CloseAndSettle(Open(12, 17, 2026));
        QCOMPARE(StoredText(date), saved);
        QVERIFY(*GetRecordValue(Notes(), NoteIndex(date), NoteCFSKey) == style);
    }

    // The cell redrawn after a save is the day's own (same month and year as shown), and today's day of
    // the month in another year is marked as a daynote, never as today.
    void saveMarksOnlyTheShownDay_data() {
        // shownYear: December of that year is on show
        AddRows<SaveMarksOnlyTheShownDayRow>({
            {"shown month", {2026, QDate(2026, 12, 12), true}},
            {"same month a year later", {2026, QDate(2027, 12, 12), false}},
            {"today's day a year later", {2027, QDate(2027, 12, 5), true}},
        });
    }
    void saveMarksOnlyTheShownDay() {
        FETCH_ROW(SaveMarksOnlyTheShownDayRow, shownYear, date, marked);
        ShowCalendarMonth(shownYear, 12);
        QWidget* window = Open(date.month(), date.day(), date.year());
        Type(window, u"elsewhere"_s);
        CloseAndSettle(window);
        QVERIFY(NoteIndex(DateToAbsTime(date.month(), date.day(), date.year())) >= 0);
        QWidget* cell = FindControl(FindWindowById(CalendarWindowId), FindDayCell(date.day()));
        QCOMPARE(CellMarked(date.day()), marked);
        QVERIFY(!IsControlEmphasised(cell));
        QVERIFY(!(GetControlFontStyle(cell).style & 1)); // not bold
        ShowCalendarMonth(2026, 12);
    }

    // The sheet ends by its button, Return (the default button) or Escape; all but Escape store the reminder.
    // Opened again, Remove takes all five keys away.
    void reminderSheetStoresEveryField_data() {
        // boxes: the web address and e-mail boxes ticked and filled in; key: 0: the Save button
        AddRows<ReminderSheetStoresEveryFieldRow>({
            {"web address and e-mail", {true, 0}},
            {"boxes off: single blanks", {false, 0}},
            {"Return saves", {true, int(Qt::Key_Return)}},
            {"Escape cancels", {true, int(Qt::Key_Escape)}},
        });
    }
    void reminderSheetStoresEveryField() {
        FETCH_ROW(ReminderSheetStoresEveryFieldRow, boxes, key);
        AddDaynote(12, 15, 2026, NoteStandard, u"Pay rent\rbefore noon"_s);
        QWidget* sheet = OpenSheet(12, 15, 2026);
        QVERIFY(sheet);
        SetControlDateTime(FindControl(sheet, ReminderDayPicker), 2026, 12, 14, 0, 0);
        SetControlDateTime(FindControl(sheet, ReminderTimePicker), 2026, 12, 14, 9, 45);
        auto click = [&](int id) {
            QTest::mouseClick(FindControl(sheet, id), Qt::LeftButton, {}, QPoint(4, 4));
        };
        if (boxes) {
            click(ReminderUrlCheckBox);
            QTest::keyClicks(FindControl(sheet, ReminderUrlField), u"https://example.org/rent"_s);
            click(ReminderMailCheckBox);
            QTest::keyClicks(FindControl(sheet, ReminderAddressField), u"me@example.org"_s);
        }
        if (key) {
            FindControl(sheet, ReminderUrlCheckBox)->setFocus();
            QTest::keyClick(FindControl(sheet, ReminderUrlCheckBox), Qt::Key(key));
        } else {
            click(ReminderSaveButton);
        }
        QTRY_VERIFY(!FindWindowById(ReminderSheetId));
        const int index = NoteIndex(DateToAbsTime(12, 15, 2026));
        double    when = 0;
        QCOMPARE(GetRecordDate(Notes(), index, ReminderDateKey, &when), key != Qt::Key_Escape);
        if (key == Qt::Key_Escape) return;
        QCOMPARE(when, DateTimeToAbsTime(12, 14, 2026, 9, 45));
        auto text = [&](const QString& key) { return *ValueText(*GetRecordValue(Notes(), index, key)); };
        QCOMPARE(text(URLKey), boxes ? u"https://example.org/rent"_s : u" "_s);
        QCOMPARE(text(EmailAddrKey), boxes ? u"me@example.org"_s : u" "_s);
        QCOMPARE(text(EmailSubjectKey), boxes ? u"Reminder Daynote on date: 15  December  2026"_s : u" "_s);
        QCOMPARE(text(EmailMessageKey), boxes ? u"Pay rent\rbefore noon"_s : u" "_s);
        sheet = OpenSheet(12, 15, 2026);
        click(ReminderRemoveButton);
        QTest::qWait(0);
        for (const QString* k :
             {&ReminderDateKey, &URLKey, &EmailAddrKey, &EmailSubjectKey, &EmailMessageKey})
            QVERIFY(!GetRecordValue(Notes(), index, *k));
    }

    void recurringSheetOpensEmptyEachTime() {
        AddDaynote(3, 1, 2027, NoteStandard, u"Gym"_s);
        QWidget* sheet = OpenRecurring(QDate(2027, 3, 1));
        QVERIFY(sheet && QTest::qWaitForWindowActive(sheet));
        QCOMPARE(QApplication::focusWidget(), FindControl(sheet, RecurringCountField));
        QTest::keyClicks(FindControl(sheet, RecurringCountField), u"12"_s);
        QTest::keyClick(FindControl(sheet, RecurringPeriodPopUp), Qt::Key_Down);
        // Emptied again, the count makes no copies; the sheet is put away for the next use.
        ClearText(FindControl(sheet, RecurringCountField));
        QTest::keyClicks(FindControl(sheet, RecurringSpacingField), u"5"_s);
        ClickIn(sheet, RecurringCopyButton);
        QVERIFY(!IsWindowVisible(sheet));
        QCOMPARE(int(Notes().size()), 1);
        // Opened again, nothing of the last use is left.
        QCOMPARE(OpenRecurring(QDate(2027, 3, 1)), sheet);
        QCOMPARE(GetControlText(FindControl(sheet, RecurringSpacingField)), QString());
        QCOMPARE(GetControlValue(FindControl(sheet, RecurringPeriodPopUp)), int(RecurWeeks));
    }

    void copies_data() {
        AddRows<CopiesRow>({
            {"weeks, k = 1, across summer time",
             {QDate(2027, 3, 1), 1, u"3"_s, u"1"_s,
              QList<QDate>{{2027, 3, 15}, {2027, 3, 29}, {2027, 4, 12}}}},
            {"weeks, empty spacing counts 0",
             {QDate(2027, 3, 22), 1, u"2"_s, QString(), QList<QDate>{{2027, 3, 29}, {2027, 4, 5}}}},
            {"months from the 31st continue from February's last day",
             {QDate(2027, 1, 31), 2, u"2"_s, u"0"_s, QList<QDate>{{2027, 2, 28}, {2027, 3, 28}}}},
            {"years, every second",
             {QDate(2026, 6, 10), 3, u"2"_s, u"1"_s, QList<QDate>{{2028, 6, 10}, {2030, 6, 10}}}},
        });
    }
    void copies() {
        FETCH_ROW(CopiesRow, base, period, count, spacing, expected);
        AddDaynote(base.month(), base.day(), base.year(), NoteKeeper, u"Gym\rbring shoes"_s);
        NoteFontStyle style = FontPreset(9, NoteFontStyle{});
        SetRecordFontStyle(Notes(), 0, style, NoteCFSKey);
        ShowCalendar();
        ShowCalendarMonth(expected[0].year(), expected[0].month());
        QVERIFY(OpenRecurring(base));
        FillAndCopy(period, count, spacing);
        QVERIFY(!IsWindowVisible(Sheet()));
        QStringList want; // at midnight, whatever the summer time
        for (const QDate& day : QList<QDate>{base} + expected)
            want << u"%1-%2-%3 0:0|Gym\rbring shoes|4"_s.arg(day.year()).arg(day.month()).arg(day.day());
        QCOMPARE(AllNotes(), want);
        for (int i = 1; i < int(Notes().size()); ++i) {
            NoteFontStyle copied;
            QVERIFY(GetRecordFontStyle(Notes(), i, NoteCFSKey, &copied) && copied == style);
        }
        // The calendar shows the first copy's month with the copy marked.
        const int cell = FindDayCell(expected[0].day());
        QVERIFY(cell != 9999);
        QVERIFY(AccessibleText(FindControl(FindWindowById(CalendarWindowId), cell)).contains(u"daynote"_s));
    }

    // A copy onto a day with a daynote is appended to it; the daynote keeps its type and reminder. A window
    // left open on that day would otherwise write its own text over the copy when it closes.
    void copiesOntoTakenDays_data() {
        AddRows<CopiesOntoTakenDaysRow>({
            {"another text", {u"Dentist"_s, false, QString(), u"Dentist\rGym"_s}},
            {"open, empty window", {QString(), true, QString(), u"Gym"_s}},
            {"open, unsaved words", {QString(), true, u"Plan"_s, u"Plan\rGym"_s}},
            {"open, saved daynote", {u"Dentist"_s, true, QString(), u"Dentist\rGym"_s}},
        });
    }
    void copiesOntoTakenDays() {
        FETCH_ROW(CopiesOntoTakenDaysRow, existing, open, typed, after);
        const double eighth = DateToAbsTime(3, 8, 2027), reminder = DateTimeToAbsTime(3, 7, 2027, 9, 0);
        AddDaynote(3, 1, 2027, NoteStandard, u"Gym"_s);
        AddDaynote(3, 10, 2027, NoteStandard, u"Untouched"_s);
        if (!existing.isEmpty()) {
            AddDaynote(3, 8, 2027, NoteHoliday, existing);
            SetRecordDate(Notes(), NoteIndex(eighth), ReminderDateKey, reminder);
        }
        QWidget* target = open ? OpenDaynote(3, 8, 2027, Notes()) : nullptr;
        if (target) TypeAtEnd(FindControl(target, DaynoteTextControl), typed);
        OpenRecurring(QDate(2027, 3, 1));
        FillAndCopy(RecurWeeks, u"1"_s, u"0"_s);
        if (target) {
            // An untouched window shows the copy at once; one typed into keeps the words until it closes.
            QCOMPARE(GetControlText(FindControl(target, DaynoteTextControl)),
                     typed.isEmpty() ? after : typed);
            CloseAndSettle(target);
        }
        QCOMPARE(StoredText(eighth), after);
        QCOMPARE(StoredText(DateToAbsTime(3, 10, 2027)), u"Untouched"_s);
        double kept = 0;
        QCOMPARE(StoredType(eighth), int(existing.isEmpty() ? NoteStandard : NoteHoliday));
        QCOMPARE(GetRecordDate(Notes(), NoteIndex(eighth), ReminderDateKey, &kept), !existing.isEmpty());
        QCOMPARE(kept, existing.isEmpty() ? 0 : reminder);
    }

    // Words typed but not yet saved are no daynote for a reminder or copies, and the calendar window is no
    // place to start copies from: the alert, no sheet, and nothing changes.
    void sheetsRefusedWithoutASavedDaynote_data() {
        AddRows<int>({{"reminder, unsaved words", ReminderButton},
                      {"recurring, unsaved words", RecurringButton},
                      {"recurring from the calendar window", 0}},
                     "button");
    }
    void sheetsRefusedWithoutASavedDaynote() {
        QFETCH(int, button);
        AddDaynote(3, 10, 2027, NoteStandard, u"Other"_s);
        const QStringList before = AllNotes();
        AlertRecorder     recorder;
        if (!button) {
            QVERIFY(!OpenRecurringSheet(FindWindowById(CalendarWindowId), DateToAbsTime(3, 1, 2027)));
        } else {
            QWidget* window = Open(3, 1, 2027);
            Type(window, u"typed only"_s);
            ClickIn(window, button);
            if (button == RecurringButton) FillAndCopy(RecurWeeks, u"3"_s, u"0"_s);
        }
        QCOMPARE(AllNotes(), before);
        QVERIFY(!Sheet() || !IsWindowVisible(Sheet()));
        QVERIFY(!FindWindowById(ReminderSheetId));
        QCOMPARE(recorder.alerts.size(), 1);
    }

    // With no daynotes the command explains instead of opening an empty window.
    void emptyArrayAlert() {
        AlertRecorder recorder;
        RunCommand(MakeFourCC("List"));
        QVERIFY(!FindWindowById(ListWindowId));
        QCOMPARE(recorder.alerts.size(), 1);
        QCOMPARE(recorder.alerts[0].message, u"There are no Daynotes to List"_s);
    }

    // The reminder column shows the reminder's local day (a leap day here), not its day in UTC.
    void rowTexts() {
        AddDaynote(3, 5, 2024, NoteKeeper);
        SetRecordDate(Notes(), 0, ReminderDateKey, DateTimeToAbsTime(2, 29, 2024, 0, 30));
        RunCommand(MakeFourCC("List"));
        QWidget* list = ControlOf(ListWindowId, DaynoteListView);
        QVERIFY(list);
        QCOMPARE(GetListCellText(list, 1, 0), u"05  March  2024  Keeper"_s);
        QCOMPARE(GetListCellText(list, 1, 1), u"29  February  2024"_s);
        QCOMPARE(ListRowDateKey(MakeFourCC("C002"), 1), u"20240229"_s);
    }

    void sorting_data() {
        // days: of March 2024, top first
        AddRows<SortingRow>({
            {"reminder column: none first", {1, 1, QList<int>{4, 6, 7, 5}}},
            {"reminder column, reversed", {1, 2, QList<int>{5, 7, 4, 6}}},
        });
    }
    void sorting() {
        FETCH_ROW(SortingRow, column, clicks, days);
        AddThree();
        AddDaynote(3, 7, 2024, NoteStandard, u"fourth"_s);
        SetRecordDate(Notes(), 3, ReminderDateKey, DateTimeToAbsTime(1, 15, 2024, 9, 0));
        ShowDaynoteList();
        QWidget* list = ControlOf(ListWindowId, DaynoteListView);
        ChooseRow(3);
        ClickColumnTitle(list, column, clicks);
        QList<int> shown;
        for (int row : GetListOrder(list)) {
            DateValue date;
            QVERIFY(ListRowDate(MakeFourCC("C001"), row, &date));
            shown << AbsTimeToDate(date.absTime).day;
        }
        QCOMPARE(shown, days);
        QCOMPARE(GetControlText(ControlOf(ListWindowId, ListTextView)),
                 u"third"_s); // the selection stays on its daynote
    }

    // What the user typed for a row reaches its daynote however the row is left.
    void writeBack_data() {
        // typed: "<clear>" empties the text
        AddRows<WriteBackRow>({
            {"arrow key", {u"arrow"_s, u" too"_s, u"second too"_s}},
            {"closing the window", {u"close"_s, u" too"_s, u"second too"_s}},
            {"quitting", {u"quit"_s, u" too"_s, u"second too"_s}},
            {"emptied, another row", {u"row"_s, u"<clear>"_s, QString()}},
        });
    }
    void writeBack() {
        FETCH_ROW(WriteBackRow, how, typed, stored);
        AddThree();
        ShowDaynoteList();
        ChooseRow(2);
        if (typed == u"<clear>"_s)
            ClearText(ControlOf(ListWindowId, ListTextView));
        else
            TypeAtEnd(ControlOf(ListWindowId, ListTextView), typed);
        const double second = DateToAbsTime(3, 5, 2024);
        QCOMPARE(StoredText(second), u"second"_s); // not before the row is left
        if (how == u"row"_s) {
            ChooseRow(3);
        } else if (how == u"arrow"_s) {
            QTest::keyClick(ControlOf(ListWindowId, DaynoteListView), Qt::Key_Down);
        } else if (how == u"close"_s) {
            CloseWindow(FindWindowById(ListWindowId));
            QTest::qWait(0);
        } else {
            CloseAllForQuit();
        }
        QCOMPARE(StoredText(second), stored);
        QCOMPARE(NoteIndex(second) >= 0, !stored.isEmpty());
        if (how == u"row"_s || how == u"arrow"_s) {
            // The row chosen shows its own daynote, also when an emptied one went from before it.
            QCOMPARE(GetControlText(ControlOf(ListWindowId, ListTextView)), u"third"_s);
            QCOMPARE(GetControlText(ControlOf(ListWindowId, ListDateLabel)), u"Wednesday, 06 March 2024"_s);
        }
        QCOMPARE(StoredText(DateToAbsTime(3, 6, 2024)), u"third"_s);
    }

    // The keeper box and Delete act on the chosen row; the counts follow.
    void keeperBoxDeleteAndCounts() {
        const auto counts = [] { // daynotes, keepers, reminders
            return QStringList{GetControlText(ControlOf(ListWindowId, ListDaynoteCount)),
                               GetControlText(ControlOf(ListWindowId, ListKeeperCount)),
                               GetControlText(ControlOf(ListWindowId, ListReminderCount))}
                .join(u' ');
        };
        const double first = DateToAbsTime(3, 4, 2024);
        AddThree();
        ShowDaynoteList();
        QCOMPARE(counts(), u"3 0 1"_s);
        QVERIFY(!IsControlEnabled(ControlOf(ListWindowId, ListDeleteButton)));
        ChooseRow(1);
        ClickIn(ListWindowId, ListKeeperCheckBox);
        QCOMPARE(StoredType(first), int(NoteKeeper));
        QCOMPARE(counts(), u"3 1 1"_s);
        // Off again, the holiday it was becomes a standard daynote.
        ClickIn(ListWindowId, ListKeeperCheckBox);
        QCOMPARE(StoredType(first), int(NoteStandard));
        ChooseRow(2);
        ClickIn(ListWindowId, ListDeleteButton);
        QCOMPARE(NoteIndex(DateToAbsTime(3, 5, 2024)), -1);
        QCOMPARE(ListRowCount(ControlOf(ListWindowId, DaynoteListView)), 2);
        QCOMPARE(counts(), u"2 0 0"_s);
        QVERIFY(!IsControlEnabled(ControlOf(ListWindowId, ListTextView))); // nothing chosen to type into
    }

    // A daynote added before the selected one elsewhere moves its row; what is typed still goes to it.
    void followsChangesElsewhere() {
        AddThree();
        ShowDaynoteList();
        ChooseRow(2);
        TypeAtEnd(ControlOf(ListWindowId, ListTextView), u"!"_s);
        AddDaynote(3, 1, 2024, NoteStandard, u"new"_s);
        RefreshDaynoteList();
        QCOMPARE(GetListSelection(ControlOf(ListWindowId, DaynoteListView)), QList<int>{3});
        ChooseRow(1);
        QCOMPARE(StoredText(DateToAbsTime(3, 5, 2024)), u"second!"_s);
        QCOMPARE(StoredText(DateToAbsTime(3, 6, 2024)), u"third"_s);
        // An untouched text shows what another window wrote.
        SetRecordValue(Notes(), 0, NoteDataKey, Value(u"changed"_s));
        RefreshDaynoteList();
        QCOMPARE(GetControlText(ControlOf(ListWindowId, ListTextView)), u"changed"_s);
    }

    void find_data() {
        AddRows<FindRow>({
            {"capitals", {u"DENTIST AT"_s, QStringList{u"06  March  2024"_s, u"04  March  2024"_s}}},
            {"across two daynotes", {u"ten\rbuy"_s, QStringList{}}},
            {"across the end of one", {u"tenbuy"_s, QStringList{}}},
        });
    }
    void find() {
        FETCH_ROW(FindRow, text, found);
        AddDaynote(3, 4, 2024, NoteStandard, u"the dentist at ten"_s);
        AddDaynote(3, 5, 2024, NoteStandard, u"buy milk"_s);
        AddDaynote(3, 6, 2024, NoteStandard, u"Dentist at noon"_s);
        RunCommand(MakeFourCC("Sear"));
        QVERIFY(QTest::qWaitForWindowActive(FindWindowById(FindWindowId)));
        QCOMPARE(QApplication::focusWidget(), ControlOf(FindWindowId, FindTextField));
        SetControlText(ControlOf(FindWindowId, FindTextField), text);
        AlertRecorder recorder;
        QTest::mouseClick(ControlOf(FindWindowId, FindButton), Qt::LeftButton);
        QStringList shown;
        for (int row : GetListOrder(ControlOf(FindWindowId, FoundDatesList)))
            shown << GetListCellText(ControlOf(FindWindowId, FoundDatesList), row, 0);
        QCOMPARE(shown, found);
        QCOMPARE(recorder.alerts.size(), found.isEmpty() ? 1 : 0);
        if (found.isEmpty()) return;
        // Enter (as a double-click) on a found date opens its daynote.
        QWidget* list = ControlOf(FindWindowId, FoundDatesList);
        SetListSelection(list, {2});
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(DaynoteWindowTitles(), QStringList{u"04  March  2024"_s});
    }

    void elapsedTimeText_data() {
        const QDate longAgo(2023, 9, 30);
        AddRows<ElapsedRow>({
            {"3 y 2 m 5 d", {longAgo, 4, "en_US", u"3 Years   2 Months   5 Days"_s}},
            {"3 y 2 m 5 d in days", {longAgo, 3, "en_US", u"1,162 Days"_s}},
            {"3 y 2 m 5 d in months: all of them", {longAgo, 2, "en_US", u"38 Months  "_s}},
            {"3 y 2 m 5 d in years", {longAgo, 1, "en_US", u"3 Years  "_s}},
            {"one month in months", {QDate(2026, 11, 5), 2, "en_US", u"1 Month   "_s}},
            {"one year and a half in years", {QDate(2025, 6, 5), 1, "en_US", u"1 Year   "_s}},
            {"future, as far as the past",
             {QDate(2029, 2, 10), 4, "en_US", u"2 Years   2 Months   5 Days"_s}},
            {"1.234 days in German", {QDate(2023, 7, 20), 3, "de_DE", u"1.234 Days"_s}},
        });
    }
    void elapsedTimeText() {
        FETCH_ROW(ElapsedRow, date, unit, localeName, text);
        LocaleScope scope(localeName);
        QCOMPARE(ElapsedTimeText(DateToAbsTime(date.month(), date.day(), date.year()), int8_t(unit)), text);
    }

    // Names compare case-sensitively; the elapsed column orders by the date, never by its text.
    void sortByColumnTitle_data() {
        AddRows<SortRow>({
            {"name", {0, 1, {"Bob", "Carl", "anna"}}},
            {"elapsed", {2, 1, {"anna", "Bob", "Carl"}}},
            {"elapsed twice", {2, 2, {"Carl", "Bob", "anna"}}},
        });
    }
    void sortByColumnTitle() {
        FETCH_ROW(SortRow, column, clicks, order);
        // As texts "1,200 Days" < "10 Days" < "900 Days"; as dates anna < Bob < Carl.
        WriteEvents(
            {{u"Carl"_s, DaysAgo(10), 3}, {u"anna"_s, DaysAgo(1200), 3}, {u"Bob"_s, DaysAgo(900), 3}});
        OpenEventList();
        QCOMPARE(ShownNames(), (QStringList{"Carl", "anna", "Bob"}));
        ClickColumnTitle(EventRows(), column, clicks);
        QCOMPARE(ShownNames(), order);
    }

    // Each change reaches the file before the window closes, so a crash loses nothing the user saw.
    void addChangeDeleteWrittenAtOnce() {
        OpenEventList();
        ClickIn(EventWindow(), EventAddButton);
        FillSheet(u"Moved to Berlin"_s, 3, 1, 2020, 1, 3);
        ClickIn(EventSheet(), EventCreateButton);
        QVERIFY(!EventSheet());
        QCOMPARE(StoredEvents(), QStringList{u"Moved to Berlin|01  March  2020|1"_s});

        SetListSelection(EventRows(), {1});
        ClickIn(EventWindow(), EventChangeButton); // the sheet comes filled in: the date below is the event's
        SetControlText(FindControl(EventSheet(), EventNameField), u"Moved to Hamburg"_s);
        SetControlValue(FindControl(EventSheet(), EventUnitPopUp), 3);
        ClickIn(EventSheet(), EventCreateButton);
        QCOMPARE(StoredEvents(), QStringList{u"Moved to Hamburg|01  March  2020|3"_s});
        QCOMPARE(ListRowCount(EventRows()), 1);

        SetListSelection(EventRows(), {1});
        ClickIn(EventWindow(), EventDeleteButton);
        QCOMPARE(ListRowCount(EventRows()), 0);
        QCOMPARE(StoredEvents(), QStringList{});
        QVERIFY(QFile::exists(GetDataFileURL(EventFileName)));
    }

    // A daynote asked for whose date already holds the name: the alert, the sheet stays, nothing changes.
    void duplicateKeepsSheetOpen() {
        AddDaynote(3, 1, 2020, NoteStandard, u"Lunch\rMOVED TO BERLIN"_s);
        const RecordArray daynotesBefore = App().daynotes;
        WriteEvents({{u"Other"_s, DaysAgo(5), 4}});
        const QByteArray fileBefore = ReadBytes(GetDataFileURL(EventFileName));
        RunCommand(MakeFourCC("Evet"));
        ClickIn(EventWindow(), EventAddButton);
        FillSheet(u"Moved to Berlin"_s, 3, 1, 2020, 4, 2);
        AlertRecorder alerts;
        ClickIn(EventSheet(), EventCreateButton);
        QCOMPARE(alerts.alerts.size(), 1);
        QVERIFY(alerts.alerts[0].message.startsWith(u"There is already a daynote"_s));
        QVERIFY(EventSheet() && IsWindowVisible(EventSheet()));
        QCOMPARE(ListRowCount(EventRows()), 1);
        QVERIFY(App().daynotes == daynotesBefore);
        QCOMPARE(ReadBytes(GetDataFileURL(EventFileName)), fileBefore);
    }

    // Selected events become event daynotes on their day of this year; a duplicate stops the run there.
    void eventsToDaynotes_data() {
        const QString added = u"Daynote(s)/Reminder(s) Successfully Added"_s;
        const QString anna = u"2026-3-14 0:0|Anna|3"_s, party = u"2026-7-4 0:0|party|1"_s;
        // The button, the rows chosen, the alerts, the daynotes afterwards.
        AddRows<ToDaynotesRow>({
            {"446 two events", {446, {1, 3}, {added}, {anna, u"2026-7-4 0:0|party\rBob|1"_s}}},
            {"447 with reminders", {447, {1}, {added}, {anna + u"|reminder"_s, party}}},
            {"duplicate stops the run",
             {446,
              {3, 2, 1},
              {u"There is already a daynote for ' Party' on this date in 2026"_s, added},
              {anna, party}}},
        });
    }
    void eventsToDaynotes() {
        FETCH_ROW(ToDaynotesRow, button, selected, messages, daynotes);
        AddDaynote(7, 4, 2026, NoteStandard, u"party"_s);
        WriteEvents({{u"Anna"_s, DateToAbsTime(3, 14, 1990), 1},
                     {u"Party"_s, DateToAbsTime(7, 4, 2010), 1},
                     {u"Bob"_s, DateToAbsTime(7, 4, 2001), 1}});
        OpenEventList();
        SetListSelection(EventRows(), selected);
        AlertRecorder alerts;
        ClickIn(EventWindow(), button);
        QStringList shown;
        for (const AlertRequest& a : alerts.alerts) shown << a.message;
        QCOMPARE(shown, messages);
        QCOMPARE(AllNotes(), daynotes);
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

QTEST_MAIN(TestDaynote)
#include "tst_daynote.moc"
