// Tests of start-up housekeeping: removal of old daynotes by age, and the half-second tick with sleep.
#include "core/dates.h"
#include "core/records.h"
#include "core/startup.h"
#include "helpers/zone_scope.h"
#include "platform/clock.h"

#include <QDate>
#include <QElapsedTimer>
#include <QTest>
#include <optional>

namespace {

double Day(const QDate& d) {
    return DateToAbsTime(d.month(), d.day(), d.year());
}

double At(const QDate& d, const QTime& t) {
    return DateTimeToAbsTime(d.month(), d.day(), d.year(), t.hour(), t.minute()) + t.second();
}

const QString TagKey = QStringLiteral("Tag"); // an extra key, kept by the store, to tell the notes apart

Value Daynote(const QDate& date, int type, int tag) {
    Record r;
    SetField(r, NoteDataKey, Value(QStringLiteral("note %1").arg(tag)));
    SetField(r, NoteDateKey, Value(DateValue{Day(date)}));
    SetField(r, NoteTypeKey, Value(qint64(type)));
    SetField(r, NoteCFSKey, Value(EncodeFontStyle(NoteFontStyle{})));
    SetField(r, TagKey, Value(tag));
    return Value(std::move(r));
}

QList<int> Tags(const RecordArray& notes) {
    QList<int> tags;
    for (const Value& v : notes) {
        const Record* r = ValueRecord(v);
        const Value*  tag = r ? FindField(*r, TagKey) : nullptr;
        tags << (tag ? int(std::get<qint64>(tag->v)) : -1);
    }
    return tags;
}

// Waits for the tick count to reach `count`, looking every millisecond; the time waited in ms, or -1.
qint64 WaitForTicks(long count, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (TickCount() < count) {
        if (timer.elapsed() > timeoutMs) return -1;
        QTest::qWait(1);
    }
    return timer.elapsed();
}

} // namespace

class tst_Startup : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void autoDeleteByAge_data();
    void autoDeleteByAge();
    void autoDeleteKeepsOrder();
    void tickFirstAtOnceThenInterval();
    void asleepStopsTicks();

  private:
    std::optional<ZoneScope>   zoneScope;
    std::optional<LocaleScope> localeScope;
};

void tst_Startup::initTestCase() {
    zoneScope.emplace("Europe/Berlin");
    localeScope.emplace("en_US");
    QVERIFY(localeScope->Succeeded());
}

void tst_Startup::cleanupTestCase() {
    InstallTick(1e6, 1e6); // no further ticks while the test program winds down
    localeScope.reset();
    zoneScope.reset();
}

void tst_Startup::cleanup() {
    ClearTestClock();
    SetAsleep(false);
}

// A note goes once more than `age` whole days have passed since its day; keepers and future notes stay.
void tst_Startup::autoDeleteByAge_data() {
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<int>("age");
    QTest::addColumn<int>("daysOld"); // negative: in the future
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("kept");

    const QDate d(2026, 12, 5);
    const QTime afternoon(15, 30);
    QTest::newRow("age 30, today") << d << afternoon << 30 << 0 << 1 << true;
    QTest::newRow("age 30, 29 days old") << d << afternoon << 30 << 29 << 1 << true;
    QTest::newRow("age 30, 30 days old") << d << afternoon << 30 << 30 << 1 << true;
    QTest::newRow("age 30, 31 days old") << d << afternoon << 30 << 31 << 1 << false;
    QTest::newRow("age 30, 400 days old") << d << afternoon << 30 << 400 << 1 << false;
    QTest::newRow("age 30, keeper 31 days old") << d << afternoon << 30 << 31 << 4 << true;
    QTest::newRow("age 30, keeper 400 days old") << d << afternoon << 30 << 400 << 4 << true;
    QTest::newRow("age 30, holiday 30 days old") << d << afternoon << 30 << 30 << 2 << true;
    QTest::newRow("age 30, holiday 31 days old") << d << afternoon << 30 << 31 << 2 << false;
    QTest::newRow("age 30, event 31 days old") << d << afternoon << 30 << 31 << 3 << false;
    QTest::newRow("age 30, tomorrow") << d << afternoon << 30 << -1 << 1 << true;
    QTest::newRow("age 30, 400 days ahead") << d << afternoon << 30 << -400 << 1 << true;
    QTest::newRow("age 1, yesterday") << d << afternoon << 1 << 1 << 1 << true;
    QTest::newRow("age 1, 2 days old") << d << afternoon << 1 << 2 << 1 << false;

    // Ages outside 1..9999 mean 9999.
    for (int age : {0, -5, 10000, 9999, INT_MIN, INT_MAX}) {
        QTest::addRow("age %d, 9999 days old", age) << d << afternoon << age << 9999 << 1 << true;
        QTest::addRow("age %d, 10000 days old", age) << d << afternoon << age << 10000 << 1 << false;
    }

    // Whole days count, not hours: the first and last second of today give the same answer.
    for (const QTime& t : {QTime(0, 0, 0), QTime(23, 59, 59)}) {
        const QByteArray when = t.toString(u"HH:mm:ss").toLatin1();
        QTest::addRow("%s, 30 days old", when.constData()) << d << t << 30 << 30 << 1 << true;
        QTest::addRow("%s, 31 days old", when.constData()) << d << t << 30 << 31 << 1 << false;
        QTest::addRow("%s, today", when.constData()) << d << t << 30 << 0 << 1 << true;
    }

    // Berlin's clocks change on 29 March and 25 October 2026: those days last 23 and 25 hours.
    QTest::newRow("after the 23-hour day, 1 day old")
        << QDate(2026, 3, 30) << QTime(0, 0) << 1 << 1 << 1 << true;
    QTest::newRow("after the 23-hour day, 2 days old")
        << QDate(2026, 3, 30) << QTime(0, 0) << 1 << 2 << 1 << false;
    QTest::newRow("end of the 23-hour day, 1 day old")
        << QDate(2026, 3, 29) << QTime(23, 59, 59) << 1 << 1 << 1 << true;
    QTest::newRow("end of the 23-hour day, 2 days old")
        << QDate(2026, 3, 29) << QTime(23, 59, 59) << 1 << 2 << 1 << false;
    QTest::newRow("after the 25-hour day, 1 day old")
        << QDate(2026, 10, 26) << QTime(0, 0) << 1 << 1 << 1 << true;
    QTest::newRow("after the 25-hour day, 2 days old")
        << QDate(2026, 10, 26) << QTime(0, 0) << 1 << 2 << 1 << false;
    QTest::newRow("start of the 25-hour day, 1 day old")
        << QDate(2026, 10, 25) << QTime(0, 0) << 1 << 1 << 1 << true;
    QTest::newRow("start of the 25-hour day, 2 days old")
        << QDate(2026, 10, 25) << QTime(0, 0) << 1 << 2 << 1 << false;
    QTest::newRow("spring change inside the age, 10 days old")
        << QDate(2026, 4, 5) << QTime(0, 0) << 10 << 10 << 1 << true;
    QTest::newRow("spring change inside the age, 11 days old")
        << QDate(2026, 4, 5) << QTime(0, 0) << 10 << 11 << 1 << false;
    QTest::newRow("autumn change inside the age, 10 days old")
        << QDate(2026, 11, 1) << QTime(23, 59, 59) << 10 << 10 << 1 << true;
    QTest::newRow("autumn change inside the age, 11 days old")
        << QDate(2026, 11, 1) << QTime(23, 59, 59) << 10 << 11 << 1 << false;
}

void tst_Startup::autoDeleteByAge() {
    QFETCH(QDate, today);
    QFETCH(QTime, time);
    QFETCH(int, age);
    QFETCH(int, daysOld);
    QFETCH(int, type);
    QFETCH(bool, kept);

    SetTestClock(At(today, time));
    RecordArray notes{Daynote(today.addDays(-daysOld), type, 1)};
    AutoDeleteOldDaynotes(notes, age);
    QCOMPARE(int(notes.size()), kept ? 1 : 0);
}

// Survivors stay in their order, whatever the order was; records without a date have no age and stay.
void tst_Startup::autoDeleteKeepsOrder() {
    const QDate today(2026, 12, 5);
    SetTestClock(At(today, QTime(15, 30)));

    RecordArray notes;
    QList<int>  expected;
    int         tag = 0;
    for (int daysOld : {45, 3, 31, 30, 200, -2, 0, 90, 29, 31, 12, 1000, 60, 5}) {
        for (int type = 1; type <= 4; ++type) {
            notes.push_back(Daynote(today.addDays(-daysOld), type, tag));
            if (daysOld <= 30 || type == NoteKeeper) expected << tag;
            ++tag;
        }
        if (daysOld == 90) {
            Record dateless;
            SetField(dateless, NoteDataKey, Value(QStringLiteral("no date")));
            SetField(dateless, TagKey, Value(tag));
            notes.push_back(Value(std::move(dateless)));
            expected << tag++;
        }
    }
    const RecordArray original = notes;
    AutoDeleteOldDaynotes(notes, 30);
    QCOMPARE(Tags(notes), expected);
    // The survivors are untouched.
    for (const Value& v : notes) QVERIFY(std::find(original.begin(), original.end(), v) != original.end());

    // A second pass at the same moment removes nothing more.
    const RecordArray once = notes;
    AutoDeleteOldDaynotes(notes, 30);
    QVERIFY(notes == once);
}

void tst_Startup::tickFirstAtOnceThenInterval() {
    const long before = TickCount();
    InstallTick(0, 0.5);
    QCOMPARE(TickCount(), before); // the tick runs from the event loop, not from InstallTick
    QTRY_COMPARE_WITH_TIMEOUT(TickCount(), before + 1, 2000);

    // Each later tick waits for the interval. The wait starts after the previous tick was seen, so it can
    // only come out shorter than the real spacing.
    for (long n = before + 2; n <= before + 3; ++n) {
        const qint64 waited = WaitForTicks(n, 3000);
        QVERIFY2(waited >= 0, "the tick goes on");
        QVERIFY2(waited >= 400,
                 qPrintable(QStringLiteral("tick %1 came after %2 ms").arg(n - before).arg(waited)));
        QCOMPARE(TickCount(), n); // one tick at a time
    }
}

void tst_Startup::asleepStopsTicks() {
    InstallTick(0, 0.5);
    const long before = TickCount();
    QTRY_VERIFY_WITH_TIMEOUT(TickCount() > before, 2000);

    SetAsleep(true);
    const long asleep = TickCount();
    QTest::qWait(1300); // two intervals and more
    QCOMPARE(TickCount(), asleep);
    TickEntry();
    QCOMPARE(TickCount(), asleep);

    SetAsleep(false);
    TickEntry();
    QCOMPARE(TickCount(), asleep + 1);
    QTRY_VERIFY_WITH_TIMEOUT(TickCount() > asleep + 1, 2000);
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
