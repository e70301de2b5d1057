// Lines other programs add to or remove from daynotes: FromVRDX signals over a private session bus.
#include "core/daynote_requests.h"
#include "helpers/test_support.h"
#include "platform/session.h"

#include <QDBusMessage>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace {

const bool privateSession = StartPrivateSessionBus() && !UsePrivateHome().isEmpty(); // before QApplication

const QString Line = ExternalDaynoteText(u"a"_s, u"b"_s);

// The daynote of 5 December 2026: its text (empty when there is none) and whether it has a reminder.
QString Note(bool* reminder) {
    const double date = DateToAbsTime(12, 5, 2026);
    double       when = 0;
    *reminder = GetRecordDate(App().daynotes, NoteIndex(date), ReminderDateKey, &when);
    if (*reminder && when != DateToAbsTime(11, 28, 2026)) return u"(reminder elsewhere)"_s;
    return StoredText(date);
}

} // namespace

class TestDaynoteRequests : public QObject {
    Q_OBJECT

    int             received = 0;
    QDBusConnection sender = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"sender"_s);

    void Send(const QString& object, const QString& path = u"/"_s) {
        QDBusMessage signal = QDBusMessage::createSignal(path, u"org.vrdx.VRDX"_s, u"FromVRDX"_s);
        signal << object;
        QVERIFY(sender.send(signal));
    }

  private slots:
    void initTestCase() {
        QVERIFY(privateSession);
        QVERIFY(sender.isConnected());
        SetTestClock(DateTimeToAbsTime(11, 1, 2026, 10, 0));
        SessionHandlers handlers;
        handlers.daynoteRequest = [this](const QString& object) {
            ++received;
            ExternalDaynoteRequest(object, App().daynotes);
        };
        WatchSessionEvents(handlers);
    }

    void init() {
        App().daynotes.clear();
        AddDaynote(12, 6, 2026, NoteStandard, u"the next day"_s);
        received = 0;
    }

    void requests_data() {
        QTest::addColumn<QString>("existing"); // a standard daynote on 5 December 2026 before the requests
        QTest::addColumn<QStringList>("objects");
        QTest::addColumn<QString>("text"); // of that daynote afterwards; empty when it is gone
        QTest::addColumn<bool>("reminder");
        const QString add = u"a;b;20261205;A"_s, remove = u"a;b;20261205;R"_s;
        QTest::newRow("second add") << QString() << QStringList{add, add} << Line << true;
        QTest::newRow("add to a daynote")
            << u"Dentist"_s << QStringList{add} << u"Dentist\r"_s + Line << true;
        QTest::newRow("remove the line alone") << QString() << QStringList{add, remove} << QString() << false;
        QTest::newRow("remove from one holding more")
            << u"Dentist"_s << QStringList{add, remove} << u"Dentist\r"_s + Line << false;
        const QString sameLength(Line.size(), u'x');
        QTest::newRow("unrelated daynote of the same length")
            << sameLength << QStringList{remove} << sameLength << false;
        QTest::newRow("remove with nothing there") << QString() << QStringList{remove} << QString() << false;
        // Requests not of four fields with a real date in eight digits change nothing.
        for (const QString& bad :
             {u"a;b;20261205"_s, u"a;b;20261205;A;x"_s, u"a;b;2026125;A"_s, u"a;b;20260230;A"_s})
            QTest::newRow(qPrintable(bad)) << u"Dentist"_s << QStringList{bad} << u"Dentist"_s << false;
    }
    void requests() {
        QFETCH(QString, existing);
        QFETCH(QStringList, objects);
        QFETCH(QString, text);
        QFETCH(bool, reminder);
        if (!existing.isEmpty()) AddDaynote(12, 5, 2026, NoteStandard, existing);
        for (const QString& object : objects) Send(object);
        QTRY_COMPARE(received, objects.size());
        bool hasReminder = false;
        QCOMPARE(Note(&hasReminder), text);
        QCOMPARE(hasReminder, reminder);
        QCOMPARE(int(App().daynotes.size()), text.isEmpty() ? 1 : 2); // and the next day's is untouched
    }

    // The example of the README, from another program to the root path, and a signal of other arguments.
    void fromAnotherProgram() {
        QDBusMessage wrong = QDBusMessage::createSignal(u"/x"_s, u"org.vrdx.VRDX"_s, u"FromVRDX"_s);
        wrong << 20261205;
        QVERIFY(sender.send(wrong));
        QCOMPARE(QProcess::execute(RequireProgram(u"dbus-send"_s),
                                   {u"--session"_s, u"--type=signal"_s, u"/"_s, u"org.vrdx.VRDX.FromVRDX"_s,
                                    u"string:a;b;20261205;A"_s}),
                 0);
        QTRY_COMPARE(received, 1);
        bool reminder = false;
        QCOMPARE(Note(&reminder), u"TNQ DayNote/Reminder for: a\rand task: b\r"_s);
    }
};

int main(int argc, char** argv) {
    QApplication        app(argc, argv);
    TestDaynoteRequests test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_daynote_requests.moc"
