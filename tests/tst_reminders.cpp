// Reminders on a private session bus, with a fake sendmail, a fake notification server and a listening dock.
#include "helpers/test_support.h"
#include "notes/daynote_window.h"
#include "notes/reminders.h"
#include "platform/mail.h"
#include "platform/notify.h"
#include "platform/speech.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace {

const bool privateSession = StartPrivateSessionBus() && !UsePrivateHome().isEmpty(); // before QApplication

// Daynotes on the given dates, with a reminder at each moment that is not NaN.
RecordArray Daynotes(const QList<double>& dates, const QList<double>& at = {}) {
    RecordArray notes;
    for (int i = 0; i < dates.size(); ++i) {
        SetDaynote(notes, i, u"Note %1\rsecond line"_s.arg(i + 1), dates[i], NoteStandard, {});
        if (i < at.size() && !qIsNaN(at[i])) SetRecordDate(notes, i, ReminderDateKey, at[i]);
    }
    return notes;
}

using CheckAndAnnounceRow = std::tuple<QList<double>, QList<int>, QString>;
using MailFieldsStayUntilTakenRow = std::tuple<QString, int, bool, QString>;

} // namespace

class TestReminders : public QObject {
    Q_OBJECT

    FakeDesktop   desktop;
    AlertRecorder alerts;
    QStringList   spoken;
    const QString sent = qEnvironmentVariable("HOME") + u"/sent"_s; // the fake sendmail's mail
    ZoneScope     zone{"Europe/Berlin"};
    LocaleScope   locale{"en_GB"};

    static double At(int m, int d, int y, int h = 0) { return DateTimeToAbsTime(m, d, y, h, 0); }

    QByteArrayList SentMail() {
        if (!QTest::qWaitFor([] { return PendingMailCount() == 0; }, 30000)) qWarning("sendmail still runs");
        QByteArrayList mails;
        for (const QString& name : QDir(sent).entryList({u"mail.*"_s}, QDir::Dirs)) {
            QFile in(sent + QLatin1Char('/') + name + u"/stdin"_s);
            mails << (in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray());
        }
        return mails;
    }

    static bool WorkDone() {
        return QTest::qWaitFor([] { return !ReminderWorkPending(); }, 30000);
    }

    // The bus keeps the order of what one connection sends: once this notification arrives, all before have.
    bool Sync() {
        PostDesktopNotification(u"sync"_s, QString());
        return QTest::qWaitFor([&] { return desktop.posted.removeAll(u"sync|"_s) > 0; }, 10000);
    }

  private slots:
    void initTestCase() {
        QVERIFY(privateSession);
        qputenv("FAKE_SENDMAIL_DIR", sent.toUtf8());
        SetSpeechSink([this](const QString& text) { spoken << text; });
        QVERIFY(desktop.Serve(true));
        desktop.HandleUrls(u"mailto"_s);
    }
    void init() {
        FinishReminderWork();
        DisposeDaynoteWindows();
        ClearTestClock();
        QVERIFY(Sync());
        QVERIFY(QDir(sent).removeRecursively() && QDir().mkpath(sent));
        spoken.clear();
        desktop.posted.clear();
        desktop.badge.clear();
        desktop.opened.clear();
        alerts.alerts.clear();
        qputenv("VRDX_SENDMAIL", qgetenv("VRDX_SOURCE_DIR") + "/tests/fake-sendmail");
        qunsetenv("FAKE_SENDMAIL_EXIT");
        RemindersChanged();
    }

    void checkAndAnnounce_data() {
        const double none = qQNaN();
        // offsets: reminder moments from now in seconds, NaN for none; fired: the records that fire, in order
        AddRows<CheckAndAnnounceRow>({
            {"none due", {QList<double>{1, none, 86400}, QList<int>{}, u""_s}},
            {"one due", {QList<double>{none, -60, 60}, QList<int>{1}, u"1 reminder is pending"_s}},
            {"two due, the last record first",
             {QList<double>{-172800, none, 0}, QList<int>{2, 0}, u"2 reminders are pending"_s}},
        });
    }
    void checkAndAnnounce() {
        FETCH_ROW(CheckAndAnnounceRow, offsets, fired, said);
        const double      now = At(12, 5, 2026, 12);
        const QStringList days{"Tuesday, 1", "Saturday, 5", "Thursday, 10"};
        QList<double>     reminders;
        QStringList       posts;
        for (double offset : offsets) reminders << now + offset;
        for (int i : fired) posts << QString("Reminder: %1 December 2026|Note %2").arg(days[i]).arg(i + 1);
        RecordArray notes = Daynotes({At(12, 1, 2026), At(12, 5, 2026), At(12, 10, 2026)}, reminders);
        SetTestClock(now);
        QCOMPARE(CheckReminders(false, notes), fired.size()); // counting only fires nothing
        QCOMPARE(DisposeDaynoteWindows(), 0);
        QCOMPARE(AnnounceReminders(notes), fired.size());
        QVERIFY(WorkDone());
        QCOMPARE(DisposeDaynoteWindows(), fired.size());
        QCOMPARE(spoken, said.isEmpty() ? QStringList() : QStringList{said});
        QVERIFY(Sync());
        QCOMPARE(desktop.posted, posts);
        QCOMPARE(desktop.badge.value(u"count"_s), QVariant(qlonglong(fired.size())));
        QCOMPARE(desktop.badge.value(u"count-visible"_s), QVariant(!fired.isEmpty()));
    }

    // An e-mail's fields go only once a mail program has taken it; otherwise they stay for the next check.
    // The reminder's date and web address stay either way.
    void mailFieldsStayUntilTaken_data() {
        const QString me = u"me@example.org"_s;
        // sendmail: the fake sendmail's exit status; -1: no sendmail at all; client: a mail client takes
        // mailto URLs; alert: the start of the one alert
        AddRows<MailFieldsStayUntilTakenRow>({
            {"single blanks are no e-mail", {u" "_s, 0, true, QString()}},
            {"sendmail takes it", {me, 0, false, QString()}},
            {"sendmail refuses", {me, 75, false, u"The reminder e-mail could not be sent"_s}},
            {"no sendmail, the client composes", {me, -1, true, QString()}},
            {"no sendmail, no client", {me, -1, false, u"A sendmail-compatible mail program"_s}},
        });
    }
    void mailFieldsStayUntilTaken() {
        FETCH_ROW(MailFieldsStayUntilTakenRow, address, sendmail, client, alert);
        RecordArray notes = Daynotes({At(12, 5, 2026)}, {At(1, 1, 2020)});
        const bool  blank = address.size() < 2, kept = blank || !alert.isEmpty();
        SetRecordValue(notes, 0, EmailAddrKey, address);
        SetRecordValue(notes, 0, EmailSubjectKey, blank ? address : u"Tea & cake? 2=2 #1 100%"_s);
        SetRecordValue(notes, 0, EmailMessageKey, blank ? address : u"Line 1\rLine 2 & 3"_s);
        SetRecordValue(notes, 0, URLKey, u" "_s);
        const Record before = *GetRecord(notes, 0, false);
        if (sendmail < 0) qputenv("VRDX_SENDMAIL", (sent + u"/no-sendmail"_s).toUtf8());
        qputenv("FAKE_SENDMAIL_EXIT", QByteArray::number(qMax(sendmail, 0)));
        if (!client) desktop.StopHandlingUrls(u"mailto"_s);
        QCOMPARE(CheckReminders(true, notes), 1);
        QCOMPARE(CheckReminders(true, notes), 1); // while the first is still on its way: no second e-mail
        QVERIFY(WorkDone());
        QTest::qWait(20); // the alert comes from the event loop
        desktop.HandleUrls(u"mailto"_s);
        QCOMPARE(SentMail().size(), sendmail >= 0 && !blank ? 1 : 0);
        const QString url = sendmail < 0 && client
                                ? u"mailto:me@example.org?subject=Tea%20%26%20cake%3F%202%3D2%20"
                                  u"%231%20100%25&body=Line%201%0D%0ALine%202%20%26%203"_s
                                : QString();
        QCOMPARE(desktop.opened.size(), url.isEmpty() ? 0 : 1);
        if (!url.isEmpty()) QCOMPARE(desktop.opened[0].toString(QUrl::FullyEncoded), url);
        if (kept)
            QCOMPARE(*GetRecord(notes, 0, false), before);
        else
            for (const QString* key : {&EmailAddrKey, &EmailSubjectKey, &EmailMessageKey})
                QVERIFY(!GetRecordValue(notes, 0, *key));
        QVERIFY(GetRecordValue(notes, 0, ReminderDateKey) && GetRecordValue(notes, 0, URLKey));
        QCOMPARE(alerts.alerts.size(), alert.isEmpty() ? 0 : 1);
        if (!alert.isEmpty())
            QVERIFY2(alerts.alerts[0].message.startsWith(alert), qPrintable(alerts.alerts[0].message));
    }

    // Many due reminders: the latest daynotes open, one alert tells of the others, and Show Reminders goes
    // through all of them a page at a time. (E-mails and windows at start-up: test_app_reminder_flood.py.)
    void manyDueOpenTheLatestAndPage() {
        const int     count = RemindersOpenedAtOnce * 2 + 5;
        QList<double> dates, at;
        for (int i = 0; i < count; ++i) {
            dates << At(1, 1, 2026) + i * 86400.0;
            at << At(1, 1, 2020);
        }
        RecordArray notes = Daynotes(dates, at);
        QCOMPARE(CheckReminders(true, notes), count);
        QVERIFY(WorkDone());
        QTRY_COMPARE(alerts.alerts.size(), 1); // one alert tells of the others
        const QStringList latest = DaynoteWindowTitles();
        QCOMPARE(latest.size(), RemindersOpenedAtOnce);
        QVERIFY(latest.contains(FormatDate(u"dd  LLLL  yyyy"_s, dates.last())));
        DisposeDaynoteWindows();
        QSet<QString> seen; // three pages hold every due daynote, the fourth starts again from the latest
        for (int call = 0; call < 4; ++call) {
            ShowAllReminders(notes);
            QVERIFY(WorkDone());
            const QStringList page = DaynoteWindowTitles();
            if (call == 0 || call == 3) QCOMPARE(page, latest);
            seen.unite(QSet<QString>(page.begin(), page.end()));
            DisposeDaynoteWindows();
        }
        QCOMPARE(seen.size(), count);
    }

    // Subjects and bodies as a mail program reads them: Python's email package decodes what sendmail got.
    // Line breaks in a subject become blanks, so that no header can be slipped in.
    void mailArrivesExactly_data() {
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("subjectOut"); // empty: as given
        const auto row = [](const char* name, const QString& subject, const QString& body,
                            const QString& subjectOut = {}) {
            QTest::newRow(name) << subject << body << (subjectOut.isEmpty() ? subject : subjectOut);
        };
        const QString cake = u"🎂🎉"_s;
        row("one to four octets, every offset", u"aé€🎂"_s.repeated(25), u"é \r\tb\t\rc  "_s);
        row("line of 999 octets, emoji across the soft breaks; what a shell would expand",
            u"He said \"stop\"; 'ok' $(echo x) `echo y`; $HOME \\"_s,
            u"a"_s + cake.repeated(124) + u"aaaaaa"_s);
        row("a dot alone, equals signs, ASCII that looks encoded", u"=?UTF-8?B?SGVsbG8=?= =?x"_s,
            u".\r=41=\r."_s);
        row("line breaks of every kind", u"first\nsecond"_s, u"one\ntwo\r\nthree\rfour"_s, u"first second"_s);
        row("header after CRLF in the subject", u"x\r\nBcc: evil@example.org"_s, u"b"_s,
            u"x Bcc: evil@example.org"_s);
    }
    void mailArrivesExactly() {
        QFETCH(QString, subject);
        QFETCH(QString, body);
        QFETCH(QString, subjectOut);
        SendReminderMail(u"me@example.org"_s, QString(), subject, body, [](MailResult, const QString&) {});
        const QByteArrayList mails = SentMail();
        QCOMPARE(mails.size(), 1);
        QFile file(sent + u"/message"_s);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(mails[0]) == mails[0].size());
        file.close();
        const QJsonObject read = PythonReading(u"mail_reader.py"_s, file.fileName());
        QVERIFY(!read.isEmpty());
        const QStringList problems = read.value(u"problems"_s).toVariant().toStringList();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1String("; "))));
        QCOMPARE(read.value(u"subject"_s).toString(), subjectOut);
        QString expected = body;
        expected.replace(u"\r\n"_s, u"\n"_s).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        if (!expected.endsWith(QLatin1Char('\n'))) expected += QLatin1Char('\n');
        QCOMPARE(read.value(u"body"_s).toString(), expected);
    }

    void defaultReminderIsAWeekBeforeAtMidnight() {
        RecordArray notes = Daynotes({At(3, 10, 2026, 15), At(4, 2, 2026)}); // across the clock change
        double      first = 0, second = 0;
        for (int i : {0, 1}) SetDefaultReminder(notes, i);
        QVERIFY(GetRecordDate(notes, 0, ReminderDateKey, &first) &&
                GetRecordDate(notes, 1, ReminderDateKey, &second));
        QCOMPARE(first, At(3, 3, 2026));
        QCOMPARE(second, At(3, 26, 2026));
    }

    // Reminders a minute ahead, between two ticks, and due before the ticks began: each fires once or never.
    void remindersReachedByTheClockFireOnce() {
        const double start = At(12, 5, 2026, 14);
        RecordArray  notes =
            Daynotes({start - 86400, start, start + 86400}, {start + 60, start + 60.2, start - 1});
        QList<double> fired;
        for (double now = 0.5; now <= 180; now += 0.5) { // the clock tick's half-second steps
            SetTestClock(start + now);
            FireRemindersReached(start + now - 0.5, start + now, notes);
            QVERIFY(WorkDone());
            for (qsizetype n = DisposeDaynoteWindows(); n > 0; --n) fired << now;
        }
        QCOMPARE(fired, (QList<double>{60, 60.5}));
        QVERIFY(Sync());
        QCOMPARE(desktop.posted.size(), 2);
        QVERIFY(spoken.isEmpty());
    }
};

QTEST_MAIN(TestReminders)
#include "tst_reminders.moc"
