// Preferences on disk: values of the wrong kind, the saved file as Python's plistlib reads it, a damaged
// file.
#include "core/plist.h"
#include "helpers/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

using namespace Qt::StringLiterals;

class TestPreferences : public QObject {
    Q_OBJECT

    static void WriteDomain(const Record& record) {
        QDir().mkpath(QFileInfo(PreferencesFilePath()).absolutePath());
        QVERIFY(WritePropertyListFile(PreferencesFilePath(), Value(record), nullptr));
    }

  private slots:
    void initTestCase() {
        UsePrivateHome();
        qputenv("TZ", "Europe/Berlin");
        FillLocaleNameLists();
        SetTestClock(DateTimeToAbsTime(12, 6, 2026, 18, 0));
    }

    void init() {
        QFile::remove(PreferencesFilePath());
        Prefs() = Preferences{};
    }

    // A value of the wrong kind counts as absent; the first launch (no chime stored) always deletes at 9999.
    void storedKindsAndAge() {
        const auto load = [](const QString& key, const Value& v, bool first = false) -> const Preferences& {
            Record record;
            if (!first) SetField(record, ChimeKey, "\x43\x01"_ba);
            SetField(record, key, v);
            WriteDomain(record);
            Prefs() = Preferences{};
            LoadPreferences();
            return Prefs();
        };
        QCOMPARE(load(StdColourKey, "\x01\x00\x02\x00\x03\x00\x04\x00"_ba).stdColour,
                 Preferences{}.stdColour);
        QCOMPARE(load(StdColourKey, "\x01\x00\x02\x00\x00\x01"_ba).stdColour, (RGBColour{1, 2, 256}));
        QCOMPARE(load(CalendarRectKey, u"10,20,30"_s).calendarRect, PrefRect{});
        QCOMPARE(load(HelpTagsKey, qint64(0)).helpTags, true);
        QCOMPARE(load(AutosaveKey, "\x3d\x01\x00"_ba).autosave, Preferences{}.autosave);
        QCOMPARE(load(CountDownDateKey, u"2030-01-01"_s).countDownDate, DateToAbsTime(1, 1, 2027));
        QCOMPARE(load(AutoDeleteAgeKey, "\x1e\x00"_ba).autoDeleteAge, uint16_t(30));
        QCOMPARE(Prefs().chime, uint16_t(323));
        QCOMPARE(load(AutoDeleteAgeKey, "\x1e\x00"_ba, true).autoDeleteAge, uint16_t(9999));
        QCOMPARE(Prefs().chime, uint16_t(324));
    }

    // The saved file holds every key with the kind Python sees, keeps keys it does not know, and reads back.
    void savedFileAsPythonReadsIt() {
        WriteDomain(Record{{{u"Some future setting"_s, u"kept"_s}}});
        LoadPreferences();
        Preferences& p = Prefs();
        p.monthlyWndOpen = true;
        p.keeperColour = {1, 2, 3};
        p.autoDeleteAge = 400;
        p.countDownMessage = u"Holidays <soon> & more"_s;
        p.userNoteRect = {10, 20, 300, 400};
        p.timeZone2Offset = -7;
        SavePreferences();
        QProcess python; // bytes as hex, anything else as Python writes it
        python.start(RequireProgram(u"/usr/bin/python3"_s),
                     {u"-c"_s,
                      u"import plistlib, sys; d = plistlib.load(open(sys.argv[1], 'rb')); "
                      "print(*[d[k].hex() if type(d[k]) is bytes else repr(d[k]) for k in sys.argv[2:]])"_s,
                      PreferencesFilePath(), u"Monthly Wnd Open"_s, u"Calendar - Color for keeper daynote"_s,
                      u"Age in days to automatically delete daynotes"_s, u"CountDown - countdown message"_s,
                      u"User note window position rect"_s, u"Time zone plus/minus for zone 2"_s,
                      u"CountDown Date"_s, u"Calendar  - Show seconds?"_s, u"Some future setting"_s});
        QVERIFY(python.waitForFinished());
        QCOMPARE(python.readAllStandardOutput().trimmed(),
                 "True 010002000300 9001 'Holidays <soon> & more' '10,20,300,400' -7 "
                 "datetime.datetime(2026, 12, 31, 23, 0) False 'kept'"_ba);
        const auto fields = [](const Preferences& q) {
            return std::tie(q.monthlyWndOpen, q.keeperColour, q.autoDeleteAge, q.countDownMessage,
                            q.userNoteRect, q.timeZone2Offset, q.countDownDate);
        };
        const Preferences saved = p;
        p = Preferences{};
        LoadPreferences();
        QVERIFY(fields(p) == fields(saved));
    }

    void damagedFileIsSetAside() {
        WriteDomain(Record{{{HelpTagsKey, false}}});
        QVERIFY(QFile::resize(PreferencesFilePath(), 200)); // cut short
        AlertRecorder recorder;
        LoadPreferences();
        QVERIFY(Prefs().helpTags);
        const QStringList aside =
            QFileInfo(PreferencesFilePath()).dir().entryList({u"VRDX.plist (unreadable*"_s});
        QCOMPARE(aside.size(), 1);
        QVERIFY(recorder.alerts.size() == 1 && recorder.alerts[0].informative.contains(aside[0]));
    }
};

QTEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
