// The Sync group of the Preferences window on the offscreen platform, against a real Secret Service
// (gnome-keyring, unlocked on the test's own session bus): the controls as assistive technology names them,
// the fields open only while sync is on, what reaches the preferences file and what only the keyring holds.
#include "calendar/calendar_window.h"
#include "core/preferences.h"
#include "core/secrets.h"
#include "core/sync.h"
#include "helpers/test_support.h"
#include "tools/preferences_window.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

const QString     OnBox = u"Sync with a CalDAV server"_s;
const QStringList Fields{u"Server address"_s, u"User name"_s, u"Password"_s, u"Calendar"_s,
                         u"Sync every (minutes)"_s};

// The Preferences window's one control that assistive technology reads under the name; null when none or
// more than one do.
QWidget* Named(const QString& name) {
    QWidget* found = nullptr;
    for (QWidget* w : FindWindowById(PreferencesWindowId)->findChildren<QWidget*>()) {
        if (AccessibleText(w) != name) continue;
        if (found) return nullptr;
        found = w;
    }
    return found;
}

// What the keyring holds under the account name, waiting for its answer; empty when nothing.
QString KeyringHolds(const QString& account) {
    bool    answered = false;
    QString held;
    ReadSecretPassword(account, [&](bool found, const QString& password, const QString&) {
        answered = true;
        held = found ? password : QString();
    });
    if (!QTest::qWaitFor([&] { return answered; }, 30000)) return u"<no answer>"_s;
    return held;
}

bool KeyringTakes(const QString& account, const QString& password) {
    bool answered = false, ok = false;
    WriteSecretPassword(account, password,
                        [&](bool written, const QString&) { answered = true, ok = written; });
    return QTest::qWaitFor([&] { return answered; }, 30000) && ok;
}

struct Toggle {
    bool on;         // sync on before
    bool byKeyboard; // Space on the check box, or the accessibility toggle action
};

struct Account {
    QString server;
    bool    typed;     // the password typed in the window; otherwise stored by an older version
    QString neighbour; // another server on the same host, with a password of its own
};

} // namespace

class TestSyncPreferences : public QObject {
    Q_OBJECT

    QTemporaryDir keyringHome;
    QProcess      keyring;

  private slots:
    void initTestCase() {
        QVERIFY(SetUpProgramWindows());
        // A keyring of its own, unlocked, its files away from the program's home.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
            env.insert(QString::fromLatin1(name), keyringHome.path());
        keyring.setProcessEnvironment(env);
        keyring.start(RequireProgram(u"gnome-keyring-daemon"_s),
                      {u"--unlock"_s, u"--components=secrets"_s, u"--foreground"_s});
        QVERIFY(keyring.waitForStarted());
        keyring.write("keyring unlock words");
        keyring.closeWriteChannel();
        // Asked before this daemon owns the name, the bus would start another one that wants a prompt.
        QVERIFY(QTest::qWaitFor(
            [] {
                return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                    u"org.freedesktop.secrets"_s);
            },
            30000));
    }

    void cleanupTestCase() {
        keyring.terminate();
        keyring.waitForFinished();
    }

    void init() {
        Prefs().sync = SyncSettings{};
        SaveSyncPreferences();
    }

    void cleanup() { DisposeAllWindows(); }

    void fieldsFollowTheCheckBox_data() {
        QTest::addColumn<Toggle>("row");
        QTest::newRow("Space turns sync on") << Toggle{false, true};
        QTest::newRow("Space turns sync off") << Toggle{true, true};
        QTest::newRow("toggle action turns sync on") << Toggle{false, false};
        QTest::newRow("toggle action turns sync off") << Toggle{true, false};
    }
    void fieldsFollowTheCheckBox() {
        QFETCH(Toggle, row);
        Prefs().sync.enabled = row.on;
        SyncSettingsChanged();
        ShowCalendar();
        QWidget* line = FindControl(FindWindowById(CalendarWindowId), CalendarSyncStatusControl);
        QCOMPARE(IsControlVisible(line), row.on);
        QVERIFY(OpenPreferences());
        QWidget* box = Named(OnBox);
        QVERIFY(box);
        QCOMPARE(GetControlValue(box), int(row.on));
        for (const QString& name : Fields) {
            QVERIFY2(Named(name), qPrintable(name));
            QVERIFY2(IsControlEnabled(Named(name)) == row.on, qPrintable(name));
        }
        if (row.byKeyboard) {
            QVERIFY(QTest::qWaitForWindowActive(FindWindowById(PreferencesWindowId)));
            box->setFocus();
            QTest::keyClick(box, Qt::Key_Space);
        } else {
            QAccessibleActionInterface* actions =
                QAccessible::queryAccessibleInterface(box)->actionInterface();
            QVERIFY(actions && actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
            actions->doAction(QAccessibleActionInterface::toggleAction());
        }
        QTRY_COMPARE(Prefs().sync.enabled,
                     !row.on); // the action clicks the way a mouse would, a moment later
        for (const QString& name : Fields)
            QVERIFY2(IsControlEnabled(Named(name)) == !row.on, qPrintable(name));
        // The calendar's status line follows at once.
        QCOMPARE(IsControlVisible(line), !row.on);
        QCOMPARE(GetControlText(line).isEmpty(), row.on);
        // Stored at once, not only at closing.
        Prefs().sync = SyncSettings{};
        LoadPreferences();
        QCOMPARE(Prefs().sync.enabled, !row.on);
    }

    // Closing takes the fields: the minutes into the preferences file, the password into the keyring under
    // the account's own key, and never into the file.
    void accountStored_data() {
        QTest::addColumn<Account>("row");
        QTest::newRow("password typed") << Account{u"http://127.0.0.1:9/dav/"_s, true, {}};
        QTest::newRow("password of an older version moves to the account's key")
            << Account{u"127.0.0.1:9"_s, false, {}};
        QTest::newRow("another port on the host keeps its own password")
            << Account{u"http://127.0.0.1:9/"_s, true, u"http://127.0.0.1:7/"_s};
        QTest::newRow("another path on the host keeps its own password")
            << Account{u"https://127.0.0.1:9/one/"_s, true, u"https://127.0.0.1:9/two/"_s};
    }
    void accountStored() {
        QFETCH(Account, row);
        const QString user = u"grace"_s, password = u"Secret-%1"_s.arg(QTest::currentDataTag());
        const QString older = user + u"@127.0.0.1"_s, neighbour = u"the neighbour's password"_s;
        for (const QString& account : {older, SyncAccount(row.server, user)})
            QVERIFY(KeyringTakes(account, {}));
        if (!row.neighbour.isEmpty()) QVERIFY(KeyringTakes(SyncAccount(row.neighbour, user), neighbour));
        if (!row.typed) QVERIFY(KeyringTakes(older, password));
        Prefs().sync.enabled = true;
        QVERIFY(OpenPreferences());
        for (const auto& [name, text] : {std::pair{u"Server address"_s, row.server},
                                         {u"User name"_s, user},
                                         {u"Password"_s, row.typed ? password : QString()},
                                         {u"Sync every (minutes)"_s, u"45"_s}}) {
            ClearText(Named(name));
            QTest::keyClicks(Named(name), text);
        }
        CloseWindow(FindWindowById(PreferencesWindowId));
        QTest::qWait(0);

        Prefs().sync = SyncSettings{};
        LoadPreferences();
        QCOMPARE(Prefs().sync.minutes, 45);
        QCOMPARE(Prefs().sync.server, row.server);
        const QByteArray file = ReadBytes(PreferencesFilePath());
        QVERIFY(file.contains(user.toUtf8()));
        QVERIFY(!file.contains(password.toUtf8()));

        // The keyring answers a moment after the window closed.
        if (row.typed)
            QTRY_COMPARE_WITH_TIMEOUT(KeyringHolds(SyncAccount(row.server, user)), password, 30000);
        bool    answered = false;
        QString read;
        ReadSyncPassword(row.server, user, [&](bool, const QString& p) { answered = true, read = p; });
        QTRY_VERIFY_WITH_TIMEOUT(answered, 30000);
        QCOMPARE(read, password);
        QTRY_COMPARE_WITH_TIMEOUT(KeyringHolds(older), QString(), 30000);
        QCOMPARE(KeyringHolds(SyncAccount(row.server, user)), password);
        if (!row.neighbour.isEmpty()) QCOMPARE(KeyringHolds(SyncAccount(row.neighbour, user)), neighbour);
    }
};

QTEST_MAIN_PRIVATE_BUS(TestSyncPreferences)
#include "tst_sync_preferences.moc"
