// Reminders on a private session bus, with a fake sendmail, a fake notification server and a listening dock.
#include "core/dates.h"
#include "helpers/test_support.h"
#include "helpers/zone_scope.h"
#include "notes/daynote_window.h"
#include "notes/reminders.h"
#include "platform/badge.h"
#include "platform/clock.h"
#include "platform/mail.h"
#include "platform/notify.h"
#include "platform/speech.h"
#include "platform/web.h"
#include "platform/windows.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <algorithm>
#include <cmath>
#include <optional>

// The notification server of the tests. It sits on a connection of its own, so calls really cross the bus.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    struct Posted {
        QString     appName;
        uint        replacesId = 0;
        QString     icon, summary, body;
        QStringList actions;
        QVariantMap hints;
        int         timeout = 0;
    };
    QList<Posted> posted;
    bool          markup = false;

  public slots:
    QStringList GetCapabilities() {
        QStringList caps{QStringLiteral("body")};
        if (markup) caps << QStringLiteral("body-markup");
        return caps;
    }
    uint Notify(const QString& appName, uint replacesId, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout) {
        posted << Posted{appName, replacesId, icon, summary, body, actions, hints, timeout};
        return uint(posted.size());
    }
};

// Launcher entry signals as a dock sees them, and the markers that tell when earlier signals have all come.
class BusListener : public QObject {
    Q_OBJECT

  public:
    struct Badge {
        QString     appUri;
        QVariantMap properties;
        QString     path, signature;
    };
    QList<Badge> badges;
    int          lastMarker = 0;

  public slots:
    void OnUpdate(const QString& appUri, const QVariantMap& properties, const QDBusMessage& message) {
        badges << Badge{appUri, properties, message.path(), message.signature()};
    }
    void OnMarker(int serial) { lastMarker = serial; }
};

// The "mailto" and "https" handlers of the desktop, as QDesktopServices calls them.
class UrlCatcher : public QObject {
    Q_OBJECT

  public:
    QList<QUrl> urls;

  public slots:
    void HandleUrl(const QUrl& url) { urls << url; }
};

namespace {

const QString MarkerInterface = QStringLiteral("org.vrdx.Test");

double At(int month, int day, int year, int hour = 0, int minute = 0) {
    return DateTimeToAbsTime(month, day, year, hour, minute);
}

// Daynotes on the given dates, with a reminder at the given moment where it is not NaN.
RecordArray Daynotes(const QList<double>& dates, const QList<double>& reminders) {
    RecordArray notes;
    for (int i = 0; i < dates.size(); ++i) {
        SetDaynote(notes, i, QStringLiteral("Note %1\rsecond line").arg(i + 1), dates[i], NoteStandard,
                   NoteFontStyle{});
        if (i < reminders.size() && !std::isnan(reminders[i]))
            SetRecordDate(notes, i, ReminderDateKey, reminders[i]);
    }
    return notes;
}

QList<QWidget*> DaynoteWindowsInOpeningOrder() {
    QList<QWidget*> windows;
    for (QWidget* w : DocumentWindows())
        if (IsDaynoteWindowId(GetWindowId(w))) windows << w;
    std::sort(windows.begin(), windows.end(),
              [](const QWidget* a, const QWidget* b) { return GetWindowId(a) < GetWindowId(b); });
    return windows;
}

QList<double> OpenedDaynoteDates() {
    QList<double> dates;
    for (QWidget* w : DaynoteWindowsInOpeningOrder()) {
        DateValue date;
        dates << (WindowTitleDate(w, &date) ? date.absTime : qQNaN());
    }
    return dates;
}

void CloseDaynoteWindows() {
    for (QWidget* w : DaynoteWindowsInOpeningOrder()) DisposeWindow(w);
}

struct Mail {
    QStringList                           argv;
    QByteArray                            raw;
    QList<std::pair<QString, QByteArray>> headers; // unfolded, in order
    QByteArray                            body;

    QList<QByteArray> Header(const QString& name) const {
        QList<QByteArray> values;
        for (const auto& [n, v] : headers)
            if (n.compare(name, Qt::CaseInsensitive) == 0) values << v;
        return values;
    }
};

Mail ParseMail(const QString& folder) {
    Mail  mail;
    QFile argv(folder + QStringLiteral("/argv"));
    QFile in(folder + QStringLiteral("/stdin"));
    if (!argv.open(QIODevice::ReadOnly) || !in.open(QIODevice::ReadOnly)) return mail;
    mail.argv = QString::fromUtf8(argv.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    mail.raw = in.readAll();
    const qsizetype  split = mail.raw.indexOf("\r\n\r\n");
    const QByteArray head = mail.raw.left(split);
    mail.body = split < 0 ? QByteArray() : mail.raw.mid(split + 4);
    for (const QByteArray& line : head.split('\n')) {
        const QByteArray l = line.endsWith('\r') ? line.chopped(1) : line;
        if ((l.startsWith(' ') || l.startsWith('\t')) && !mail.headers.isEmpty())
            mail.headers.last().second += l;
        else {
            const qsizetype colon = l.indexOf(':');
            mail.headers.push_back({QString::fromLatin1(l.left(colon)), l.mid(colon + 1).trimmed()});
        }
    }
    return mail;
}

// RFC 2047 words as this program writes them: B-encoded UTF-8, separated by folding white space. Each word
// is decoded by itself, as a mail reader may: a character split across two words would not survive.
QString DecodeHeader(const QByteArray& value) {
    static const QRegularExpression word(QStringLiteral("^=\\?UTF-8\\?B\\?([A-Za-z0-9+/=]*)\\?=$"));
    const QList<QByteArray>         parts = value.simplified().split(' ');
    QString                         text;
    for (const QByteArray& part : parts) {
        const QRegularExpressionMatch m = word.match(QString::fromLatin1(part));
        if (!m.hasMatch()) return QString::fromUtf8(value);
        text += QString::fromUtf8(QByteArray::fromBase64(m.captured(1).toLatin1()));
    }
    return text;
}

QByteArray DecodeQuotedPrintable(QByteArray text) {
    text.replace("=\r\n", "");
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size()) {
            out += char(text.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else
            out += text[i];
    }
    return out;
}

bool HasBareLineFeed(const QByteArray& text) {
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return true;
    return false;
}

} // namespace

class TestReminders : public QObject {
    Q_OBJECT

    QDBusConnection   serverBus{QString()};
    FakeNotifications server;
    BusListener       listener;
    UrlCatcher        mailClient;
    UrlCatcher        browser;
    AlertRecorder     alerts;
    QTemporaryDir     sent; // the fake sendmail's messages
    QTemporaryDir     scratch;
    QStringList       spoken;
    int               markerSerial = 0;

    std::optional<ZoneScope>   zoneScope;
    std::optional<LocaleScope> localeScope;

    QString FakeSendmail() {
        return qEnvironmentVariable("VRDX_SOURCE_DIR") + QStringLiteral("/tests/fake-sendmail");
    }

    // Every mail program finished, then the messages it received.
    QList<Mail> SentMail() {
        if (!QTest::qWaitFor([] { return PendingMailCount() == 0; }, 30000))
            qWarning("a mail program still runs");
        QList<Mail> mails;
        for (const QString& name : QDir(sent.path()).entryList({QStringLiteral("mail.*")}, QDir::Dirs))
            mails << ParseMail(sent.filePath(name));
        return mails;
    }

    // Signals sent before this one have reached the listener once it arrives: the bus keeps their order.
    bool SyncBus() {
        const int    serial = ++markerSerial;
        QDBusMessage marker = QDBusMessage::createSignal(QStringLiteral("/org/vrdx/Test"), MarkerInterface,
                                                         QStringLiteral("Marker"));
        marker << serial;
        QDBusConnection::sessionBus().send(marker);
        return QTest::qWaitFor([&] { return listener.lastMarker == serial; }, 10000);
    }

    // A last notification follows the same two steps as any before it, so when it arrives they all have.
    bool FlushNotifications() {
        const QString sentinel = QStringLiteral("sentinel %1").arg(++markerSerial);
        PostDesktopNotification(sentinel, QString());
        const bool arrived = QTest::qWaitFor(
            [&] { return !server.posted.isEmpty() && server.posted.last().summary == sentinel; }, 10000);
        if (arrived) server.posted.removeLast();
        return arrived;
    }

    // Steps the test clock by half seconds as the tick does; returns the moments at which a daynote opened.
    QList<double> TickThrough(double from, double to, RecordArray& notes,
                              const std::function<void(double)>& between = {}) {
        QList<double> opened;
        double        previous = from;
        for (double now = from + 0.5; now <= to; now += 0.5) {
            if (between) between(now);
            SetTestClock(now);
            FireRemindersReached(previous, now, notes);
            if (!DaynoteWindowsInOpeningOrder().isEmpty()) {
                opened << now;
                CloseDaynoteWindows();
            }
            previous = now;
        }
        return opened;
    }

  private slots:
    void initTestCase() {
        QVERIFY(sent.isValid() && scratch.isValid());
        zoneScope.emplace("Europe/Berlin"); // a spring clock change on 29 March 2026
        localeScope.emplace("en_GB");
        qputenv("VRDX_SENDMAIL", FakeSendmail().toUtf8());
        qputenv("FAKE_SENDMAIL_DIR", sent.path().toUtf8());
        SetSpeechSink([this](const QString& text) { spoken << text; });

        serverBus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-desktop"));
        QVERIFY(serverBus.isConnected());
        QVERIFY(serverBus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                         QDBusConnection::ExportAllSlots));
        QVERIFY(serverBus.registerService(QStringLiteral("org.freedesktop.Notifications")));
        QVERIFY(serverBus.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                  QStringLiteral("Update"), &listener,
                                  SLOT(OnUpdate(QString, QVariantMap, QDBusMessage))));
        QVERIFY(serverBus.connect(QString(), QString(), MarkerInterface, QStringLiteral("Marker"), &listener,
                                  SLOT(OnMarker(int))));
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &mailClient, "HandleUrl");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "HandleUrl");
    }

    void cleanupTestCase() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }

    void init() {
        QVERIFY(SyncBus());
        QVERIFY(FlushNotifications());
        QCOMPARE(PendingMailCount(), 0);
        for (const QString& name : QDir(sent.path()).entryList({QStringLiteral("mail.*")}, QDir::Dirs))
            QDir(sent.filePath(name)).removeRecursively();
        spoken.clear();
        server.posted.clear();
        server.markup = false;
        listener.badges.clear();
        alerts.alerts.clear();
        mailClient.urls.clear();
        browser.urls.clear();
        qputenv("VRDX_SENDMAIL", FakeSendmail().toUtf8());
        qunsetenv("FAKE_SENDMAIL_EXIT");
        RemindersChanged();
    }

    void cleanup() {
        CloseDaynoteWindows();
        ClearTestClock();
    }

    void checkRemindersCountsAndFiresLastFirst_data() {
        QTest::addColumn<QList<double>>("offsets"); // reminder moments from now in seconds, NaN for none
        QTest::addColumn<bool>("fire");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("opened"); // records whose daynotes open, in order
        const double none = qQNaN();
        QTest::newRow("nothing due yet") << QList<double>{1, none, 86400} << true << 0 << QList<int>{};
        QTest::newRow("one due among three") << QList<double>{none, -3600, 60} << true << 1 << QList<int>{1};
        QTest::newRow("all due fire from the last record to the first")
            << QList<double>{-172800, -1, 0} << true << 3 << QList<int>{2, 1, 0};
        QTest::newRow("counting only opens nothing")
            << QList<double>{-172800, -1, 0} << false << 3 << QList<int>{};
    }
    void checkRemindersCountsAndFiresLastFirst() {
        QFETCH(QList<double>, offsets);
        QFETCH(bool, fire);
        QFETCH(int, count);
        QFETCH(QList<int>, opened);
        const double        now = At(12, 5, 2026, 12, 0);
        const QList<double> dates{At(12, 1, 2026), At(12, 5, 2026), At(12, 10, 2026)};
        QList<double>       reminders;
        for (double offset : offsets) reminders << now + offset;
        RecordArray notes = Daynotes(dates, reminders);
        SetTestClock(now);

        QCOMPARE(CheckReminders(fire, notes), count);

        QList<double> expected;
        for (int i : opened) expected << dates[i];
        QCOMPARE(OpenedDaynoteDates(), expected);
        QVERIFY(SyncBus());
        QVERIFY(!listener.badges.isEmpty());
        QCOMPARE(listener.badges.last().properties.value(QStringLiteral("count")).toLongLong(), count);
        QVERIFY(FlushNotifications());
        QCOMPARE(server.posted.size(), opened.size());
    }

    void mailGoesOutOnceAndItsFieldsGo_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("mails");
        QTest::newRow("with an address") << "someone@example.org" << 1;
        QTest::newRow("a single blank is no address") << " " << 0;
    }
    void mailGoesOutOnceAndItsFieldsGo() {
        QFETCH(QString, address);
        QFETCH(int, mails);
        const double now = At(12, 5, 2026, 9, 0);
        RecordArray  notes = Daynotes({At(12, 5, 2026)}, {now - 60});
        SetRecordValue(notes, 0, EmailAddrKey, address);
        SetRecordValue(notes, 0, EmailSubjectKey, QStringLiteral("Dentist"));
        SetRecordValue(notes, 0, EmailMessageKey, QStringLiteral("Bring the card.\rAt 14:00."));
        SetRecordValue(notes, 0, URLKey, QStringLiteral(" "));
        SetTestClock(now);

        QCOMPARE(CheckReminders(true, notes), 1);
        QCOMPARE(CheckReminders(true, notes), 1);

        for (const QString* key : {&EmailAddrKey, &EmailSubjectKey, &EmailMessageKey})
            QVERIFY2(!GetRecordValue(notes, 0, *key), qPrintable(*key));
        QVERIFY(GetRecordValue(notes, 0, ReminderDateKey));
        QVERIFY(GetRecordValue(notes, 0, URLKey));
        const QList<Mail> sentMail = SentMail();
        QCOMPARE(sentMail.size(), mails);
        QVERIFY(browser.urls.isEmpty());
        QVERIFY(alerts.alerts.isEmpty());
        if (!mails) return;
        const Mail& mail = sentMail.first();
        QCOMPARE(mail.argv, (QStringList{QStringLiteral("-t"), QStringLiteral("-i")}));
        QCOMPARE(mail.Header(QStringLiteral("To")), QList<QByteArray>{"someone@example.org"});
        QCOMPARE(mail.Header(QStringLiteral("Subject")), QList<QByteArray>{"Dentist"});
        QVERIFY(mail.Header(QStringLiteral("Cc")).isEmpty());
        QCOMPARE(mail.Header(QStringLiteral("MIME-Version")), QList<QByteArray>{"1.0"});
        QCOMPARE(mail.Header(QStringLiteral("Content-Type")), QList<QByteArray>{"text/plain; charset=UTF-8"});
        QCOMPARE(mail.Header(QStringLiteral("Content-Transfer-Encoding")), QList<QByteArray>{"8bit"});
        QCOMPARE(mail.Header(QStringLiteral("Date")).size(), 1);
        QVERIFY(QDateTime::fromString(QString::fromLatin1(mail.Header(QStringLiteral("Date")).first()),
                                      Qt::RFC2822Date)
                    .isValid());
        QCOMPARE(mail.body, QByteArray("Bring the card.\r\nAt 14:00.\r\n"));
        QVERIFY(!HasBareLineFeed(mail.raw));
    }

    void mailArrivesIntactAndRunsNothing_data() {
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("expectedSubject");
        QTest::addColumn<QByteArray>("expectedBody");
        // PWNED stands for a file that a shell would create.
        QTest::newRow("quotes and semicolons")
            << "He said \"stop\"; 'ok'"
            << "a \"b\"; c 'd'"
            << "He said \"stop\"; 'ok'" << QByteArray("a \"b\"; c 'd'\r\n");
        QTest::newRow("command substitution")
            << "$(touch PWNED)"
            << "$(touch PWNED); rm -rf $(pwd)"
            << "$(touch PWNED)" << QByteArray("$(touch PWNED); rm -rf $(pwd)\r\n");
        QTest::newRow("backquotes") << "`touch PWNED`"
                                    << "`touch PWNED`"
                                    << "`touch PWNED`" << QByteArray("`touch PWNED`\r\n");
        QTest::newRow("line breaks of every kind")
            << "first\nsecond"
            << "one\ntwo\r\nthree\rfour"
            << "first second" << QByteArray("one\r\ntwo\r\nthree\r\nfour\r\n");
        QTest::newRow("a line with a single dot") << "dot"
                                                  << "one\r.\rtwo"
                                                  << "dot" << QByteArray("one\r\n.\r\ntwo\r\n");
        QTest::newRow("non-ASCII subject")
            << QString::fromUtf8("Café à 14 h — n'oubliez pas ✓") << QString::fromUtf8("Ça va ?")
            << QString::fromUtf8("Café à 14 h — n'oubliez pas ✓")
            << QString::fromUtf8("Ça va ?\r\n").toUtf8();
        QTest::newRow("long non-ASCII subject")
            << QString(200, QChar(0x00E9)) << "x" << QString(200, QChar(0x00E9)) << QByteArray("x\r\n");
        QTest::newRow("text that looks encoded") << "=?UTF-8?B?ZXZpbA==?="
                                                 << "x"
                                                 << "=?UTF-8?B?ZXZpbA==?=" << QByteArray("x\r\n");
    }
    void mailArrivesIntactAndRunsNothing() {
        QFETCH(QString, subject);
        QFETCH(QString, body);
        QFETCH(QString, expectedSubject);
        QFETCH(QByteArray, expectedBody);
        const QString pwned = scratch.filePath(QStringLiteral("pwned"));
        subject.replace(QLatin1String("PWNED"), pwned);
        body.replace(QLatin1String("PWNED"), pwned);
        expectedSubject.replace(QLatin1String("PWNED"), pwned);
        expectedBody.replace("PWNED", pwned.toUtf8());

        SendReminderMail(QStringLiteral("me@example.org"), QString(), subject, body);

        const QList<Mail> mails = SentMail();
        QCOMPARE(mails.size(), 1);
        const Mail& mail = mails.first();
        QCOMPARE(mail.Header(QStringLiteral("Subject")).size(), 1);
        QCOMPARE(DecodeHeader(mail.Header(QStringLiteral("Subject")).first()), expectedSubject);
        QCOMPARE(mail.body, expectedBody);
        QVERIFY(!HasBareLineFeed(mail.raw));
        for (const QByteArray& line : mail.raw.split('\n')) QVERIFY(line.size() <= 998);
        QVERIFY(!QFile::exists(pwned));
        QVERIFY(alerts.alerts.isEmpty());
    }

    void longParagraphGoesQuotedPrintable() {
        QString paragraph;
        for (int i = 0; paragraph.size() < 3000; ++i) paragraph += QString::fromUtf8("mot %1 é = ").arg(i);
        SendReminderMail(QStringLiteral("me@example.org"), QString(), QStringLiteral("Long"),
                         paragraph + QStringLiteral("\rend "));
        const QList<Mail> mails = SentMail();
        QCOMPARE(mails.size(), 1);
        QCOMPARE(mails.first().Header(QStringLiteral("Content-Transfer-Encoding")),
                 QList<QByteArray>{"quoted-printable"});
        for (const QByteArray& line : mails.first().raw.split('\n')) QVERIFY(line.size() <= 78);
        QCOMPARE(DecodeQuotedPrintable(mails.first().body),
                 (paragraph + QStringLiteral("\r\nend \r\n")).toUtf8());
    }

    void lineBreaksAddNoHeader_data() {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("subject");
        QTest::newRow("line feed in the subject") << "me@example.org"
                                                  << "x\nBcc: evil@example.org";
        QTest::newRow("CRLF in the subject") << "me@example.org"
                                             << "x\r\nBcc: evil@example.org";
        QTest::newRow("carriage return in the subject") << "me@example.org"
                                                        << "x\rBcc: evil@example.org";
        QTest::newRow("line feed and blank in the subject") << "me@example.org"
                                                            << "x\n Bcc: evil@example.org";
        QTest::newRow("line feed in a non-ASCII subject")
            << "me@example.org" << QString::fromUtf8("é\nBcc: evil@example.org");
        QTest::newRow("line feed in the address") << "me@example.org\nBcc: evil@example.org"
                                                  << "x";
    }
    void lineBreaksAddNoHeader() {
        QFETCH(QString, to);
        QFETCH(QString, subject);
        SendReminderMail(to, QString(), subject, QStringLiteral("body"));
        const QList<Mail> mails = SentMail();
        QCOMPARE(mails.size(), 1);
        const Mail& mail = mails.first();
        QVERIFY(mail.Header(QStringLiteral("Bcc")).isEmpty());
        QCOMPARE(mail.Header(QStringLiteral("To")).size(), 1);
        QCOMPARE(mail.Header(QStringLiteral("Subject")).size(), 1);
        QVERIFY(!DecodeHeader(mail.Header(QStringLiteral("Subject")).first()).contains(QLatin1Char('\n')));
        QCOMPARE(mail.body, QByteArray("body\r\n"));
        QStringList names;
        for (const auto& [name, value] : mail.headers) names << name;
        QCOMPARE(names, (QStringList{"To", "Subject", "Date", "MIME-Version", "Content-Type",
                                     "Content-Transfer-Encoding", "Auto-Submitted"}));
    }

    void copyAddressGetsItsHeader() {
        SendReminderMail(QStringLiteral("me@example.org"), QStringLiteral("you@example.org"),
                         QStringLiteral("s"), QStringLiteral("b"));
        const QList<Mail> mails = SentMail();
        QCOMPARE(mails.size(), 1);
        QCOMPARE(mails.first().Header(QStringLiteral("Cc")), QList<QByteArray>{"you@example.org"});
    }

    void failingMailProgramIsReported() {
        qputenv("FAKE_SENDMAIL_EXIT", "75");
        SendReminderMail(QStringLiteral("me@example.org"), QString(), QStringLiteral("s"),
                         QStringLiteral("b"));
        QCOMPARE(SentMail().size(), 1);
        QCOMPARE(alerts.alerts.size(), 1);
        QCOMPARE(alerts.alerts.first().message, QStringLiteral("The reminder e-mail could not be sent"));
        QVERIFY2(alerts.alerts.first().informative.contains(QLatin1String("75")),
                 qPrintable(alerts.alerts.first().informative));
        QVERIFY(alerts.alerts.first().informative.contains(QLatin1String("refusing as told")));
    }

    void mailAvailable_data() {
        QTest::addColumn<QString>("program"); // FAKE for the test program, else a path in a scratch folder
        QTest::addColumn<bool>("available");
        QTest::newRow("the test program") << "FAKE" << true;
        QTest::newRow("a missing program") << "missing" << false;
        QTest::newRow("a file that cannot run") << "not-executable" << false;
        QTest::newRow("a folder") << "." << false;
    }
    void mailAvailable() {
        QFETCH(QString, program);
        QFETCH(bool, available);
        QFile plain(scratch.filePath(QStringLiteral("not-executable")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        qputenv("VRDX_SENDMAIL",
                (program == QLatin1String("FAKE") ? FakeSendmail() : scratch.filePath(program)).toUtf8());
        QCOMPARE(MailAvailable(), available);
    }

    void withoutSendmailTheMailClientComposes() {
        qputenv("VRDX_SENDMAIL", scratch.filePath(QStringLiteral("no-sendmail")).toUtf8());
        const QString subject = QStringLiteral("Tea & cake? 2=2 #1 100%");
        SendReminderMail(QStringLiteral("me@example.org"), QString(), subject,
                         QStringLiteral("Line 1\rLine 2 & 3"));

        QCOMPARE(mailClient.urls.size(), 1);
        const QUrl    url = mailClient.urls.first();
        const QString encoded = url.toString(QUrl::FullyEncoded);
        QCOMPARE(url.scheme(), QStringLiteral("mailto"));
        QCOMPARE(url.path(), QStringLiteral("me@example.org"));
        QVERIFY2(encoded.contains(QLatin1String("subject=Tea%20%26%20cake%3F%202%3D2%20%231%20100%25")),
                 qPrintable(encoded));
        const QUrlQuery query(url);
        QCOMPARE(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded), subject);
        QCOMPARE(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded),
                 QStringLiteral("Line 1\r\nLine 2 & 3"));
        QVERIFY(alerts.alerts.isEmpty());
        QCOMPARE(SentMail().size(), 0);
    }

    void withoutAnyMailProgramAnAlertSaysSo() {
        qputenv("VRDX_SENDMAIL", scratch.filePath(QStringLiteral("no-sendmail")).toUtf8());
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        // The offscreen platform opens no URL: as on a desktop without a mail client.
        SendReminderMail(QStringLiteral("me@example.org"), QString(), QStringLiteral("s"),
                         QStringLiteral("b"));
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &mailClient, "HandleUrl");
        QCOMPARE(alerts.alerts.size(), 1);
        QCOMPARE(
            alerts.alerts.first().message,
            QStringLiteral(
                "A sendmail-compatible mail program must be installed BEFORE sending an email reminder "));
        QVERIFY(alerts.alerts.first().informative.contains(QLatin1String("msmtp-mta")));
    }

    void mailtoTextIsTheComposedRecord() {
        QCOMPARE(
            MailtoText(QStringLiteral("a@b.org"), QString(), QStringLiteral("s & t"), QStringLiteral("b")),
            QStringLiteral("mailTo:a@b.org?cc=&subject=s & t&body=b"));
    }

    void openUrlText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("opened"); // what the https handler receives, fully encoded
        QTest::newRow("web address with a query")
            << "https://example.org/a?b=c&d=%26#f" << 0 << "https://example.org/a?b=c&d=%26#f";
        QTest::newRow("surrounding blanks") << "  https://example.org/  " << 0 << "https://example.org/";
        QTest::newRow("empty") << "" << URLStatusInvalid << "";
        QTest::newRow("a single blank") << " " << URLStatusInvalid << "";
        QTest::newRow("relative") << "example.org/page" << URLStatusInvalid << "";
        QTest::newRow("blank inside the host") << "https://exa mple.org/" << URLStatusInvalid << "";
        QTest::newRow("nothing opens the scheme") << "ftp://example.org/" << URLStatusNotOpened << "";
    }
    void openUrlText() {
        QFETCH(QString, text);
        QFETCH(int, status);
        QFETCH(QString, opened);
        QCOMPARE(OpenURLText(text), status);
        QStringList seen;
        for (const QUrl& url : browser.urls) seen << url.toString(QUrl::FullyEncoded);
        QCOMPARE(seen, opened.isEmpty() ? QStringList() : QStringList{opened});
    }

    void reminderOpensItsWebAddressUnchanged_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QStringList>("opened");
        QTest::newRow("web address") << "https://example.org/?q=a&b=c"
                                     << QStringList{"https://example.org/?q=a&b=c"};
        QTest::newRow("a single blank is no address") << " " << QStringList{};
        QTest::newRow("one character is no address") << "h" << QStringList{};
    }
    void reminderOpensItsWebAddressUnchanged() {
        QFETCH(QString, url);
        QFETCH(QStringList, opened);
        const double now = At(12, 5, 2026, 9, 0);
        RecordArray  notes = Daynotes({At(12, 5, 2026)}, {now});
        SetRecordValue(notes, 0, URLKey, url);
        SetTestClock(now);
        QCOMPARE(CheckReminders(true, notes), 1);
        QStringList seen;
        for (const QUrl& u : browser.urls) seen << u.toString(QUrl::FullyEncoded);
        QCOMPARE(seen, opened);
    }

    void announceSaysHowMany_data() {
        QTest::addColumn<QList<double>>("offsets");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("said");
        QTest::newRow("none pending") << QList<double>{60, 3600} << 0 << QStringList{};
        QTest::newRow("one pending") << QList<double>{-60, 3600} << 1 << QStringList{"1 reminder is pending"};
        QTest::newRow("two pending") << QList<double>{-60, -86400} << 2
                                     << QStringList{"2 reminders are pending"};
    }
    void announceSaysHowMany() {
        QFETCH(QList<double>, offsets);
        QFETCH(int, count);
        QFETCH(QStringList, said);
        const double  now = At(12, 5, 2026, 9, 0);
        QList<double> reminders;
        for (double offset : offsets) reminders << now + offset;
        RecordArray notes = Daynotes({At(12, 5, 2026), At(12, 12, 2026)}, reminders);
        SetTestClock(now);

        QCOMPARE(AnnounceReminders(notes), count);

        QCOMPARE(spoken, said);
        QVERIFY(SyncBus());
        QCOMPARE(listener.badges.size(), 1);
        const QVariantMap badge = listener.badges.last().properties;
        QCOMPARE(badge.value(QStringLiteral("count")).toLongLong(), qint64(count));
        QCOMPARE(badge.value(QStringLiteral("count-visible")).toBool(), count > 0);
    }

    void badgeSignalCarriesTheCount_data() {
        QTest::addColumn<int>("count");
        QTest::newRow("no badge") << 0;
        QTest::newRow("one") << 1;
        QTest::newRow("many") << 42;
    }
    void badgeSignalCarriesTheCount() {
        QFETCH(int, count);
        SetLauncherBadge(count);
        QVERIFY(SyncBus());
        QCOMPARE(listener.badges.size(), 1);
        const BusListener::Badge& badge = listener.badges.first();
        QCOMPARE(badge.appUri, QStringLiteral("application://org.vrdx.VRDX.desktop"));
        QCOMPARE(badge.path, QString::fromLatin1(LauncherEntryPath));
        QCOMPARE(badge.signature, QStringLiteral("sa{sv}"));
        QCOMPARE(badge.properties.value(QStringLiteral("count")).metaType(),
                 QMetaType::fromType<qlonglong>());
        QCOMPARE(badge.properties.value(QStringLiteral("count")).toLongLong(), qint64(count));
        QCOMPARE(badge.properties.value(QStringLiteral("count-visible")).metaType(),
                 QMetaType::fromType<bool>());
        QCOMPARE(badge.properties.value(QStringLiteral("count-visible")).toBool(), count > 0);
    }

    void notificationNamesTheDateAndFirstLine_data() {
        QTest::addColumn<bool>("markup");
        QTest::addColumn<QString>("body");
        QTest::newRow("server showing plain text") << false << "Tea & <cake> at Ann's";
        QTest::newRow("server reading markup") << true << "Tea &amp; &lt;cake&gt; at Ann's";
    }
    void notificationNamesTheDateAndFirstLine() {
        QFETCH(bool, markup);
        QFETCH(QString, body);
        server.markup = markup;
        const double now = At(12, 5, 2026, 9, 0);
        RecordArray  notes = Daynotes({At(12, 5, 2026)}, {now});
        SetRecordValue(notes, 0, NoteDataKey, QStringLiteral("Tea & <cake> at Ann's\rsecond line\rthird"));
        SetTestClock(now);

        QCOMPARE(CheckReminders(true, notes), 1);

        QTRY_COMPARE(server.posted.size(), 1);
        const FakeNotifications::Posted& n = server.posted.first();
        QCOMPARE(n.summary, QStringLiteral("Reminder: Saturday, 5 December 2026"));
        QCOMPARE(n.body, body);
        QCOMPARE(n.appName, QStringLiteral("VRD X"));
        QCOMPARE(n.replacesId, 0u);
        QCOMPARE(n.icon, QStringLiteral("org.vrdx.VRDX"));
        QVERIFY(n.actions.isEmpty());
        QCOMPARE(n.hints.value(QStringLiteral("desktop-entry")).toString(), QStringLiteral("org.vrdx.VRDX"));
        QCOMPARE(n.hints.value(QStringLiteral("urgency")).metaType(), QMetaType::fromType<uchar>());
        QCOMPARE(n.hints.value(QStringLiteral("urgency")).toInt(), 1);
        QCOMPARE(n.timeout, -1);
    }

    void defaultReminderIsAWeekBeforeAtMidnight_data() {
        QTest::addColumn<double>("noteDate");
        QTest::addColumn<double>("reminder");
        QTest::newRow("10 March to 3 March") << At(3, 10, 2026) << At(3, 3, 2026);
        QTest::newRow("a daynote date with a time") << At(3, 10, 2026, 15, 30) << At(3, 3, 2026);
        QTest::newRow("across the end of February") << At(3, 5, 2026) << At(2, 26, 2026);
        QTest::newRow("across a leap day") << At(3, 3, 2024) << At(2, 25, 2024);
        QTest::newRow("across the spring clock change") << At(4, 2, 2026) << At(3, 26, 2026);
        QTest::newRow("across the autumn clock change") << At(10, 30, 2026) << At(10, 23, 2026);
        QTest::newRow("across the new year") << At(1, 4, 2027) << At(12, 28, 2026);
    }
    void defaultReminderIsAWeekBeforeAtMidnight() {
        QFETCH(double, noteDate);
        QFETCH(double, reminder);
        RecordArray notes = Daynotes({noteDate}, {});
        SetTestClock(At(1, 1, 2020));

        SetDefaultReminder(notes, 0);

        double set = 0;
        QVERIFY(GetRecordDate(notes, 0, ReminderDateKey, &set));
        QCOMPARE(FormatDate(QStringLiteral("yyyy-MM-dd HH:mm"), set),
                 FormatDate(QStringLiteral("yyyy-MM-dd HH:mm"), reminder));
        QCOMPARE(set, reminder);
        for (const QString* key : {&EmailAddrKey, &EmailSubjectKey, &EmailMessageKey})
            QCOMPARE(*GetRecordValue(notes, 0, *key), Value(QString()));
        QCOMPARE(*GetRecordValue(notes, 0, URLKey), Value(QStringLiteral(" ")));
        QVERIFY(SyncBus());
        QCOMPARE(listener.badges.size(), 1);
        QCOMPARE(listener.badges.first().properties.value(QStringLiteral("count")).toLongLong(), 0);
    }

    void defaultReminderLeavesAnExistingOneAlone() {
        RecordArray notes = Daynotes({At(3, 10, 2026)}, {At(3, 9, 2026, 18, 0)});
        SetRecordValue(notes, 0, EmailAddrKey, QStringLiteral("me@example.org"));
        const RecordArray before = notes;
        SetDefaultReminder(notes, 0);
        QVERIFY(notes == before);
    }

    void showAllRemindersOpensTheirDaynotes() {
        const QList<double> dates{At(12, 1, 2026), At(12, 2, 2026), At(12, 3, 2026), At(12, 4, 2026)};
        RecordArray notes = Daynotes(dates, {At(1, 1, 2030), qQNaN(), At(1, 1, 2020), At(12, 1, 2026)});
        ShowAllReminders(notes);
        QCOMPARE(OpenedDaynoteDates(), (QList<double>{dates[3], dates[2], dates[0]}));
        QVERIFY(FlushNotifications());
        QVERIFY(server.posted.isEmpty());
    }

    void reminderReachedByTheClockFiresOnce_data() {
        QTest::addColumn<double>("offset");       // of the reminder from the first tick's start
        QTest::addColumn<QList<double>>("fired"); // offsets of the ticks that fire it
        QTest::newRow("a minute ahead") << 60.0 << QList<double>{60};
        QTest::newRow("between two ticks") << 60.2 << QList<double>{60.5};
        QTest::newRow("due before the ticks began") << -1.0 << QList<double>{};
        QTest::newRow("at the first tick's start") << 0.0 << QList<double>{};
        QTest::newRow("beyond the last tick") << 200.0 << QList<double>{};
    }
    void reminderReachedByTheClockFiresOnce() {
        QFETCH(double, offset);
        QFETCH(QList<double>, fired);
        const double start = At(12, 5, 2026, 13, 59);
        RecordArray  notes = Daynotes({At(12, 4, 2026), At(12, 5, 2026)}, {qQNaN(), start + offset});
        SetRecordValue(notes, 1, EmailAddrKey, QStringLiteral("me@example.org"));
        SetRecordValue(notes, 1, EmailSubjectKey, QStringLiteral("Call Ann"));
        SetRecordValue(notes, 1, EmailMessageKey, QStringLiteral("Now."));

        const QList<double> opened = TickThrough(start, start + 180, notes);

        QList<double> expected;
        for (double f : fired) expected << start + f;
        QCOMPARE(opened, expected);
        QCOMPARE(SentMail().size(), int(fired.size()));
        QVERIFY(FlushNotifications());
        QCOMPARE(server.posted.size(), int(fired.size()));
        QVERIFY(spoken.isEmpty());
        QVERIFY(SyncBus());
        if (!fired.isEmpty()) {
            QVERIFY(!listener.badges.isEmpty());
            QCOMPARE(listener.badges.last().properties.value(QStringLiteral("count")).toLongLong(), 1);
        }
    }

    void clockGoingBackFiresNothing() {
        const double start = At(12, 5, 2026, 13, 59);
        RecordArray  notes = Daynotes({At(12, 5, 2026)}, {start + 60});
        SetTestClock(start);
        FireRemindersReached(start + 120, start, notes);
        QVERIFY(DaynoteWindowsInOpeningOrder().isEmpty());
        // Coming forward again over the moment fires it then.
        QCOMPARE(TickThrough(start, start + 90, notes), QList<double>{start + 60});
    }

    void changedRemindersAreSeenByTheTick_data() {
        QTest::addColumn<bool>("grow"); // a new record, else a changed one announced by RemindersChanged
        QTest::newRow("reminder added to a daynote and announced") << false;
        QTest::newRow("new daynote with a reminder") << true;
    }
    void changedRemindersAreSeenByTheTick() {
        QFETCH(bool, grow);
        const double start = At(12, 5, 2026, 13, 59);
        RecordArray  notes = Daynotes({At(12, 5, 2026)}, {});
        notes.reserve(4); // the new record then leaves the array where it was
        QVERIFY(TickThrough(start, start + 10, notes).isEmpty());
        const QList<double> opened = TickThrough(start + 10, start + 60, notes, [&](double now) {
            if (now != start + 20) return;
            if (grow) {
                SetDaynote(notes, 1, QStringLiteral("new"), At(12, 6, 2026), NoteStandard, NoteFontStyle{});
                SetRecordDate(notes, 1, ReminderDateKey, start + 30);
            } else {
                SetRecordDate(notes, 0, ReminderDateKey, start + 30);
                RemindersChanged();
            }
        });
        QCOMPARE(opened, QList<double>{start + 30});
    }

    void speakingWithoutAudioReturns() {
        // No audio device here: the sentence fails or plays, and either way the call comes back.
        const SpeechSink previous = SetSpeechSink({});
        SpeakAndWait(QStringLiteral("1 reminder is pending"));
        SpeakAndWait(QStringLiteral("2 reminders are pending"));
        SetSpeechSink(previous);
        QVERIFY(spoken.isEmpty());
    }
};

int main(int argc, char** argv) {
    if (!StartPrivateSessionBus()) qFatal("no dbus-daemon");
    UsePrivateHome();
    QApplication  app(argc, argv);
    TestReminders test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_reminders.moc"
