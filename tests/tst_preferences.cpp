// Preferences on disk: defaults of an empty domain, values of the wrong kind, the saved file as Python's
// plistlib reads it, reset, a damaged file, and the user notes open at quit.
#include "core/dates.h"
#include "core/plist.h"
#include "core/preferences.h"
#include "helpers/test_support.h"
#include "platform/clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

namespace {

void WriteDomain(const Record& record) {
    QDir().mkpath(QFileInfo(PreferencesFilePath()).absolutePath());
    QString error;
    QVERIFY(WritePropertyListFile(PreferencesFilePath(), Value(record), &error));
}

QByteArray Bytes(std::initializer_list<int> bytes) {
    QByteArray out;
    for (int b : bytes) out.append(char(b));
    return out;
}

} // namespace

class TestPreferences : public QObject {
    Q_OBJECT

    QString home;

  private slots:
    void initTestCase() {
        home = UsePrivateHome();
        qputenv("TZ", "Europe/Berlin");
        FillLocaleNameLists();
        SetTestClock(DateTimeToAbsTime(12, 6, 2026, 18, 0));
    }

    void init() {
        QFile::remove(PreferencesFilePath());
        Prefs() = Preferences{};
    }

    void emptyDomainGivesTheDefaults() {
        LoadPreferences();
        const Preferences& p = Prefs();
        QVERIFY(p.calendarWndOpen && p.countDownWndOpen && p.weeklyWndOpen);
        QVERIFY(!p.monthlyWndOpen && !p.listWndOpen && !p.eventWndOpen && !p.timerWndOpen);
        QCOMPARE(p.stdColour, (RGBColour{65535, 0, 25558}));
        QCOMPARE(p.keeperColour, (RGBColour{0, 0, 65535}));
        QCOMPARE(p.holidayColour, (RGBColour{0, 65535, 0}));
        QCOMPARE(p.eventColour, (RGBColour{65535, 25558, 0}));
        QCOMPARE(p.countDownDate, DateToAbsTime(1, 1, 2027));
        QCOMPARE(p.countDownMode, uint16_t(316));
        QVERIFY(p.countDownMessage.isEmpty());
        QVERIFY(!p.hideInBackground && p.helpTags && !p.launchShowDaynote && !p.launchAnnounce &&
                p.bringAllToFront);
        QCOMPARE(p.chime, uint16_t(324));
        QVERIFY(!p.showSeconds && !p.showWeekNumber && p.showSunLine);
        QCOMPARE(p.autoDeleteAge, uint16_t(9999));
        QCOMPARE(p.autosave, uint16_t(318));
        QCOMPARE(p.weekStart, uint16_t(320));
        QCOMPARE(p.clickSound, uint16_t(326));
        QCOMPARE(p.weeklyFontItem, uint16_t(6));
        QCOMPARE(p.calendarRect, PrefRect{});
        QCOMPARE(p.timeZone1Offset, 0);
        QVERIFY(!p.timeZone1Name.has_value());
        QVERIFY(p.timerSoundPath.isEmpty());
    }

    void wrongKindsCountAsAbsent_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<Value>("stored");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");
        auto colour = [](const RGBColour& c) {
            return QStringLiteral("%1,%2,%3").arg(c.red).arg(c.green).arg(c.blue);
        };
        QTest::newRow("colour of 8 bytes ignored")
            << StdColourKey << Value(Bytes({1, 0, 2, 0, 3, 0, 4, 0})) << "std" << colour({65535, 0, 25558});
        QTest::newRow("colour of 4 bytes ignored")
            << StdColourKey << Value(Bytes({1, 0, 2, 0})) << "std" << colour({65535, 0, 25558});
        QTest::newRow("colour as text ignored")
            << StdColourKey << Value(QStringLiteral("red")) << "std" << colour({65535, 0, 25558});
        QTest::newRow("colour of 6 bytes read little-endian")
            << StdColourKey << Value(Bytes({1, 0, 2, 0, 0, 1})) << "std" << colour({1, 2, 256});
        QTest::newRow("rectangle of three fields ignored")
            << CalendarRectKey << Value(QStringLiteral("10,20,30")) << "calendarRect"
            << "0,0,0,0";
        QTest::newRow("rectangle of five fields ignored")
            << CalendarRectKey << Value(QStringLiteral("1,2,3,4,5")) << "calendarRect"
            << "0,0,0,0";
        QTest::newRow("rectangle of four fields")
            << CalendarRectKey << Value(QStringLiteral("100,50,312,300")) << "calendarRect"
            << "100,50,312,300";
        QTest::newRow("boolean stored as integer ignored") << HelpTagsKey << Value(qint64(0)) << "helpTags"
                                                           << "1";
        QTest::newRow("code of 3 bytes ignored") << AutosaveKey << Value(Bytes({61, 1, 0})) << "autosave"
                                                 << "318";
        QTest::newRow("code of 2 bytes") << AutosaveKey << Value(Bytes({61, 1})) << "autosave"
                                         << "317";
        QTest::newRow("date stored as text ignored")
            << CountDownDateKey << Value(QStringLiteral("2030-01-01")) << "countDown"
            << QString::number(DateToAbsTime(1, 1, 2027));
    }
    void wrongKindsCountAsAbsent() {
        QFETCH(QString, key);
        QFETCH(Value, stored);
        QFETCH(QString, field);
        QFETCH(QString, expected);
        Record record;
        SetField(record, ChimeKey, Value(Bytes({68, 1}))); // not a first launch
        SetField(record, key, stored);
        WriteDomain(record);
        LoadPreferences();
        const Preferences& p = Prefs();
        QString            actual;
        if (field == "std")
            actual =
                QStringLiteral("%1,%2,%3").arg(p.stdColour.red).arg(p.stdColour.green).arg(p.stdColour.blue);
        else if (field == "calendarRect")
            actual = QStringLiteral("%1,%2,%3,%4")
                         .arg(p.calendarRect.top)
                         .arg(p.calendarRect.left)
                         .arg(p.calendarRect.bottom)
                         .arg(p.calendarRect.right);
        else if (field == "helpTags")
            actual = QString::number(p.helpTags);
        else if (field == "autosave")
            actual = QString::number(p.autosave);
        else if (field == "countDown")
            actual = QString::number(p.countDownDate);
        QCOMPARE(actual, expected);
    }

    void ageRules_data() {
        QTest::addColumn<bool>("chimeStored");
        QTest::addColumn<int>("storedAge");
        QTest::addColumn<int>("expected");
        QTest::newRow("stored age kept") << true << 30 << 30;
        QTest::newRow("first launch: 9999 whatever the age key held") << false << 30 << 9999;
    }
    void ageRules() {
        QFETCH(bool, chimeStored);
        QFETCH(int, storedAge);
        QFETCH(int, expected);
        Record record;
        if (chimeStored) SetField(record, ChimeKey, Value(Bytes({67, 1})));
        SetField(record, AutoDeleteAgeKey, Value(Bytes({storedAge & 0xFF, storedAge >> 8})));
        WriteDomain(record);
        LoadPreferences();
        QCOMPARE(int(Prefs().autoDeleteAge), expected);
        QCOMPARE(Prefs().chime, uint16_t(chimeStored ? 323 : 324));
    }

    // The saved file holds every key with the kind Python sees, and comes back the same.
    void savedFileAsPythonReadsIt() {
        LoadPreferences();
        Preferences& p = Prefs();
        p.monthlyWndOpen = true;
        p.keeperColour = {1, 2, 3};
        p.autoDeleteAge = 400;
        p.countDownMessage = QStringLiteral("Holidays <soon> & more");
        p.userNoteRect = {10, 20, 300, 400};
        p.timeZone2Offset = -7;
        SavePreferences();
        QProcess python;
        python.start(
            QStringLiteral("python3"),
            {QStringLiteral("-c"),
             QStringLiteral("import plistlib,sys; d = plistlib.load(open(sys.argv[1],'rb')); "
                            "print(d['Monthly Wnd Open'], d['Calendar - Color for keeper daynote'].hex(), "
                            "d['Age in days to automatically delete daynotes'].hex(), "
                            "repr(d['CountDown - countdown message']), d['User note window position rect'], "
                            "d['Time zone plus/minus for zone 2'], type(d['CountDown Date']).__name__, "
                            "d['Calendar  - Show seconds?'])"),
             PreferencesFilePath()});
        QVERIFY(python.waitForFinished());
        QCOMPARE(QString::fromUtf8(python.readAllStandardOutput()).trimmed(),
                 QStringLiteral(
                     "True 010002000300 9001 'Holidays <soon> & more' 10,20,300,400 -7 datetime False"));
        const Preferences saved = p;
        p = Preferences{};
        LoadPreferences();
        QCOMPARE(p.keeperColour, saved.keeperColour);
        QCOMPARE(p.autoDeleteAge, saved.autoDeleteAge);
        QCOMPARE(p.countDownMessage, saved.countDownMessage);
        QCOMPARE(p.userNoteRect, saved.userNoteRect);
        QCOMPARE(p.timeZone2Offset, saved.timeZone2Offset);
        QCOMPARE(p.countDownDate, saved.countDownDate);
    }

    void unknownKeysSurvive() {
        Record record;
        SetField(record, QStringLiteral("Some future setting"), Value(QStringLiteral("kept")));
        WriteDomain(record);
        LoadPreferences();
        SavePreferences();
        LoadPreferences();
        const Value* v = PrefCopyValue(QStringLiteral("Some future setting"));
        QVERIFY(v && ValueText(*v) && *ValueText(*v) == QStringLiteral("kept"));
    }

    void resetRestoresDefaults() {
        LoadPreferences();
        Preferences& p = Prefs();
        p.helpTags = false;
        p.chime = ChimeSilent;
        p.calendarRect = {1, 2, 3, 4};
        p.timeLogRect = {5, 6, 7, 8};
        p.countDownMessage = QStringLiteral("x");
        const QString sound = home + QStringLiteral("/bell.wav");
        QFile(sound).open(QIODevice::WriteOnly);
        p.timerSoundPath = sound;
        SavePreferences();
        QVERIFY(PrefCopyValue(TimerSoundKey));
        ResetPreferences();
        QVERIFY(p.helpTags);
        QCOMPARE(p.chime, uint16_t(ChimeHour));
        QCOMPARE(p.calendarRect, PrefRect{});
        QCOMPARE(p.monthlyRect, (PrefRect{103, 58, 633, 727}));
        QCOMPARE(p.eventRect, (PrefRect{216, 213, 687, 900}));
        QCOMPARE(p.timeLogRect, (PrefRect{5, 6, 7, 8})); // left as it was
        QVERIFY(p.countDownMessage.isEmpty());
        QVERIFY(p.timerSoundPath.isEmpty());
        QVERIFY(!PrefCopyValue(TimerSoundKey)); // removed from the domain at once
        LoadPreferences();
        QVERIFY(!PrefCopyValue(TimerSoundKey));
    }

    void damagedFileIsSetAside() {
        QDir().mkpath(QFileInfo(PreferencesFilePath()).absolutePath());
        QFile f(PreferencesFilePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("<plist><dict><key>Help tags</key>");
        f.close();
        AlertRecorder recorder;
        LoadPreferences();
        QCOMPARE(recorder.alerts.size(), 1);
        QVERIFY(Prefs().helpTags);
        const QStringList aside = QDir(QFileInfo(PreferencesFilePath()).absolutePath())
                                      .entryList({QStringLiteral("VRDX.plist (unreadable*")});
        QCOMPARE(aside.size(), 1);
        QVERIFY(recorder.alerts[0].informative.contains(aside[0]));
    }

    void userNotesOpenAtQuit() {
        const QString a = home + QStringLiteral("/note a"), b = home + QStringLiteral("/note b");
        for (const QString& path : {a, b}) QFile(path).open(QIODevice::WriteOnly);
        LoadPreferences();
        RememberOpenUserNote(a, {1, 2, 3, 4});
        RememberOpenUserNote(b, {5, 6, 7, 8});
        SavePreferences();
        QVERIFY(PrefCopyValue(QStringLiteral("UserNotesOpenAtQuit0")));
        QVERIFY(PrefCopyValue(QStringLiteral("UserNotesOpenAtQuitRect1")));

        LoadPreferences(); // the next launch
        QStringList     reopened;
        QList<PrefRect> rects;
        ReopenUserNotes([&](const QString& path, const PrefRect& rect) {
            reopened << path;
            rects << rect;
        });
        QCOMPARE(reopened, (QStringList{a, b}));
        QCOMPARE(rects, (QList<PrefRect>{{1, 2, 3, 4}, {5, 6, 7, 8}}));
        LoadPreferences(); // consumed on disk, not just in memory
        for (const char* key : {"UserNotesOpenAtQuit0", "UserNotesOpenAtQuitRect0", "UserNotesOpenAtQuit1",
                                "UserNotesOpenAtQuitRect1"})
            QVERIFY2(!PrefCopyValue(QString::fromLatin1(key)), key);
    }

    void missingFirstRectangleReopensNothing() {
        const QString a = home + QStringLiteral("/note c");
        QFile(a).open(QIODevice::WriteOnly);
        Record record;
        SetField(record, QStringLiteral("UserNotesOpenAtQuit1"), Value(a.toUtf8()));
        SetField(record, QStringLiteral("UserNotesOpenAtQuitRect1"), Value(QStringLiteral("1,2,3,4")));
        WriteDomain(record);
        LoadPreferences();
        int opened = 0;
        ReopenUserNotes([&](const QString&, const PrefRect&) { ++opened; });
        QCOMPARE(opened, 0);
    }
};

QTEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
