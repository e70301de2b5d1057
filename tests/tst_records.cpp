// Tests of the record store: grow-on-write, getters, reminder fields, font style bytes and event list forms.
#include "core/dates.h"
#include "core/records.h"
#include "helpers/zone_scope.h"
#include "platform/clock.h"

#include <QTest>
#include <climits>
#include <cstdint>
#include <limits>
#include <optional>

namespace {

const QString FutureKey = QStringLiteral("SomeFutureKey"); // a key a later version might write

QStringList Keys(const Record& record) {
    QStringList keys;
    for (const RecordField& f : record.fields) keys << f.key;
    return keys;
}

QStringList Keys(const RecordArray& array, int index) {
    const Record* r = GetRecord(array, index);
    return r ? Keys(*r) : QStringList();
}

Record MakeRecord(std::initializer_list<std::pair<QString, Value>> fields) {
    Record r;
    for (const auto& [key, value] : fields) r.fields.push_back({key, value});
    return r;
}

Record FullReminderNote() {
    return MakeRecord({{NoteDataKey, Value(QStringLiteral("dentist"))},
                       {NoteDateKey, Value(DateValue{818139600})},
                       {ReminderDateKey, Value(DateValue{818107200})},
                       {NoteTypeKey, Value(qint64(NoteStandard))},
                       {EmailAddrKey, Value(QStringLiteral("anna@example.org"))},
                       {EmailSubjectKey, Value(QStringLiteral("Dentist"))},
                       {FutureKey, Value(7)},
                       {EmailMessageKey, Value(QStringLiteral("At 10:30"))},
                       {URLKey, Value(QStringLiteral("https://example.org"))},
                       {NoteCFSKey, Value(EncodeFontStyle(NoteFontStyle{}))}});
}

} // namespace

Q_DECLARE_METATYPE(Record)
Q_DECLARE_METATYPE(RecordArray)
Q_DECLARE_METATYPE(Value)
Q_DECLARE_METATYPE(NoteFontStyle)

class tst_Records : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();

    void growOnWrite_data();
    void growOnWrite();
    void gettersNeverGrow_data();
    void gettersNeverGrow();
    void settersReplaceInPlace();
    void countKeepersAndReminders_data();
    void countKeepersAndReminders();
    void removeReminderFields_data();
    void removeReminderFields();
    void fontStyleRoundTrip_data();
    void fontStyleRoundTrip();
    void fontStyleBytes_data();
    void fontStyleBytes();
    void fontStyleDataLength_data();
    void fontStyleDataLength();
    void recordByte_data();
    void recordByte();
    void setDaynote_data();
    void setDaynote();
    void eventListForms_data();
    void eventListForms();

  private:
    std::optional<ZoneScope>   zoneScope;
    std::optional<LocaleScope> localeScope;
};

void tst_Records::initTestCase() {
    zoneScope.emplace("America/New_York");
    localeScope.emplace("en_US");
    QVERIFY(localeScope->Succeeded());
}

void tst_Records::cleanupTestCase() {
    localeScope.reset();
    zoneScope.reset();
}

void tst_Records::growOnWrite_data() {
    QTest::addColumn<int>("initialSize");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("finalSize");

    QTest::newRow("index 3 of empty") << 0 << 3 << 4;
    QTest::newRow("index 0 of empty") << 0 << 0 << 1;
    QTest::newRow("just past the end") << 2 << 2 << 3;
    QTest::newRow("far past the end") << 2 << 40 << 41;
    QTest::newRow("existing record") << 5 << 2 << 5;
    QTest::newRow("last record") << 5 << 4 << 5;
    QTest::newRow("negative index") << 2 << -1 << 2;
    QTest::newRow("most negative index") << 2 << INT_MIN << 2;
}

void tst_Records::growOnWrite() {
    QFETCH(int, initialSize);
    QFETCH(int, index);
    QFETCH(int, finalSize);

    const QString tagKey = QStringLiteral("Tag");
    RecordArray   array;
    for (int i = 0; i < initialSize; ++i) array.push_back(Value(MakeRecord({{tagKey, Value(i)}})));

    SetRecordValue(array, index, NoteDataKey, Value(QStringLiteral("text")));
    QCOMPARE(int(array.size()), finalSize);
    for (int i = 0; i < finalSize; ++i) {
        const Record* r = GetRecord(array, i);
        QVERIFY2(r, "every element is a record");
        const bool  written = i == index;
        const bool  old = i < initialSize;
        QStringList expected;
        if (old) expected << tagKey;
        if (written) expected << NoteDataKey;
        QCOMPARE(Keys(*r), expected);
    }
    if (index >= 0) QCOMPARE(*ValueText(*GetRecordValue(array, index, NoteDataKey)), QStringLiteral("text"));

    // The other setters grow the same way.
    RecordArray dates, bytes, styles, daynotes;
    SetRecordDate(dates, index, NoteDateKey, 1.0);
    SetRecordByte(bytes, index, NoteTypeKey, 1);
    SetRecordFontStyle(styles, index, NoteFontStyle{}, NoteCFSKey);
    SetDaynote(daynotes, index, QStringLiteral("x"), 1.0, NoteStandard, NoteFontStyle{});
    const int grown = index < 0 ? 0 : index + 1;
    QCOMPARE(int(dates.size()), grown);
    QCOMPARE(int(bytes.size()), grown);
    QCOMPARE(int(styles.size()), grown);
    QCOMPARE(int(daynotes.size()), grown);
}

// A missing index is "not found" to every reader and remover, and the array keeps its size.
void tst_Records::gettersNeverGrow_data() {
    QTest::addColumn<int>("index");

    QTest::newRow("index 5 of 2") << 5;
    QTest::newRow("index == size") << 2;
    QTest::newRow("negative") << -1;
    QTest::newRow("most negative") << INT_MIN;
    QTest::newRow("largest") << INT_MAX;
}

void tst_Records::gettersNeverGrow() {
    QFETCH(int, index);

    RecordArray       array{Value(FullReminderNote()), Value(FullReminderNote())};
    const RecordArray original = array;

    double        date = -1;
    int8_t        byte = -1;
    NoteFontStyle style;
    style.size = 99;
    QVERIFY(!GetRecordValue(array, index, NoteDataKey));
    QVERIFY(!GetRecordDate(array, index, NoteDateKey, &date));
    QVERIFY(!GetRecordByte(array, index, NoteTypeKey, &byte));
    QVERIFY(!GetRecordFontStyle(array, index, NoteCFSKey, &style));
    QVERIFY(!GetRecord(std::as_const(array), index));
    QVERIFY(!GetRecord(array, index, false));
    QCOMPARE(date, -1.0);
    QCOMPARE(byte, int8_t(-1));
    QCOMPARE(style.size, int16_t(99));

    RemoveRecordValue(array, index, NoteDataKey);
    RemoveReminderFields(array, index);
    RemoveRecord(array, index);
    QVERIFY(array == original);

    // Inserting is allowed up to the end, nowhere else.
    InsertRecord(array, index);
    QCOMPARE(int(array.size()), index == 2 ? 3 : 2);
}

void tst_Records::settersReplaceInPlace() {
    RecordArray       array{Value(FullReminderNote())};
    const QStringList keys = Keys(array, 0);

    SetRecordValue(array, 0, NoteDataKey, Value(QStringLiteral("changed")));
    SetRecordDate(array, 0, ReminderDateKey, 5.0);
    SetRecordByte(array, 0, NoteTypeKey, NoteKeeper);
    SetRecordValue(array, 0, FutureKey, Value(QStringLiteral("now a text")));
    QCOMPARE(Keys(array, 0), keys);
    QCOMPARE(*ValueText(*GetRecordValue(array, 0, NoteDataKey)), QStringLiteral("changed"));
    double date = 0;
    QVERIFY(GetRecordDate(array, 0, ReminderDateKey, &date));
    QCOMPARE(date, 5.0);
    int8_t type = 0;
    QVERIFY(GetRecordByte(array, 0, NoteTypeKey, &type));
    QCOMPARE(type, int8_t(NoteKeeper));
    QCOMPARE(*ValueText(*GetRecordValue(array, 0, FutureKey)), QStringLiteral("now a text"));

    // A new key goes to the end; removing one leaves the others in order.
    const QString newKey = QStringLiteral("AnotherUnknownKey");
    SetRecordValue(array, 0, newKey, Value(true));
    QCOMPARE(Keys(array, 0), QStringList(keys) << newKey);
    RemoveRecordValue(array, 0, EmailSubjectKey);
    QStringList expected = QStringList(keys) << newKey;
    expected.removeOne(EmailSubjectKey);
    QCOMPARE(Keys(array, 0), expected);
    RemoveRecordValue(array, 0, QStringLiteral("NotThere"));
    QCOMPARE(Keys(array, 0), expected);
}

void tst_Records::countKeepersAndReminders_data() {
    QTest::addColumn<RecordArray>("array");
    QTest::addColumn<int>("keepers");
    QTest::addColumn<int>("reminders");

    const Value reminder(DateValue{818107200});
    const Value keeperWithReminder(MakeRecord({{NoteDateKey, Value(DateValue{1})},
                                               {NoteTypeKey, Value(qint64(NoteKeeper))},
                                               {ReminderDateKey, reminder}}));
    const Value standardWithout(
        MakeRecord({{NoteDateKey, Value(DateValue{2})}, {NoteTypeKey, Value(qint64(NoteStandard))}}));
    const Value holidayWithReminder(MakeRecord({{NoteDateKey, Value(DateValue{3})},
                                                {NoteTypeKey, Value(qint64(NoteHoliday))},
                                                {ReminderDateKey, reminder}}));
    const Value keeperWithout(MakeRecord({{NoteTypeKey, Value(qint64(NoteKeeper))}}));
    const Value event(MakeRecord({{NoteTypeKey, Value(qint64(NoteEvent))}}));

    QTest::newRow("empty") << RecordArray{} << 0 << 0;
    QTest::newRow("keeper with reminder, standard without, holiday with reminder")
        << RecordArray{keeperWithReminder, standardWithout, holidayWithReminder} << 1 << 2;
    QTest::newRow("keepers only") << RecordArray{keeperWithout, keeperWithout, event} << 2 << 0;
    QTest::newRow("placeholder and empty records ignored")
        << RecordArray{Value(false), Value(Record{}), standardWithout} << 0 << 0;
}

void tst_Records::countKeepersAndReminders() {
    QFETCH(RecordArray, array);
    QFETCH(int, keepers);
    QFETCH(int, reminders);

    // The counters are added to, so that several arrays can be counted into one total.
    int k = 10, r = 20;
    CountKeepersAndReminders(array, &k, &r);
    QCOMPARE(k, 10 + keepers);
    QCOMPARE(r, 20 + reminders);
}

void tst_Records::removeReminderFields_data() {
    QTest::addColumn<Record>("record");
    QTest::addColumn<QStringList>("keptKeys");

    QTest::newRow("all five reminder keys")
        << FullReminderNote() << QStringList{NoteDataKey, NoteDateKey, NoteTypeKey, FutureKey, NoteCFSKey};
    QTest::newRow("reminder date and URL only") << MakeRecord({{URLKey, Value(QStringLiteral("u"))},
                                                               {NoteDataKey, Value(QStringLiteral("t"))},
                                                               {ReminderDateKey, Value(DateValue{4})}})
                                                << QStringList{NoteDataKey};
    // Keys that merely look like reminder keys stay.
    QTest::newRow("look-alike keys") << MakeRecord({{QStringLiteral("URLKey"), Value(1)},
                                                    {QStringLiteral("reminderdatekey"), Value(2)}})
                                     << QStringList{QStringLiteral("URLKey"),
                                                    QStringLiteral("reminderdatekey")};
    QTest::newRow("no reminder") << MakeRecord({{NoteDataKey, Value(QStringLiteral("t"))},
                                                {NoteDateKey, Value(DateValue{4})}})
                                 << QStringList{NoteDataKey, NoteDateKey};
    QTest::newRow("empty record") << Record{} << QStringList{};
}

void tst_Records::removeReminderFields() {
    QFETCH(Record, record);
    QFETCH(QStringList, keptKeys);

    RecordArray array{Value(MakeRecord({{NoteDataKey, Value(QStringLiteral("before"))}})), Value(record),
                      Value(FullReminderNote())};
    const RecordArray original = array;
    RemoveReminderFields(array, 1);
    QCOMPARE(int(array.size()), 3);
    QCOMPARE(Keys(array, 1), keptKeys);
    for (const QString& key : keptKeys) QVERIFY(*GetRecordValue(array, 1, key) == *FindField(record, key));
    QVERIFY(array[0] == original[0]);
    QVERIFY(array[2] == original[2]);

    RemoveReminderFields(array, 3);
    RemoveReminderFields(array, -1);
    QCOMPARE(int(array.size()), 3);
}

void tst_Records::fontStyleRoundTrip_data() {
    QTest::addColumn<NoteFontStyle>("style");

    QTest::newRow("default") << NoteFontStyle{};
    QTest::newRow("every field different")
        << NoteFontStyle{0x0001, 3, 24, 7, 1, -1, 0x1111, 0x2222, 0x3333, 0x4444, 0x5555, 0x6666};
    QTest::newRow("extremes") << NoteFontStyle{INT16_MIN, INT16_MAX, 0,  -1, INT16_MIN, INT16_MAX,
                                               -1,        -1,        -1, 0,  0,         0};
    QTest::newRow("all zero") << NoteFontStyle{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
}

void tst_Records::fontStyleRoundTrip() {
    QFETCH(NoteFontStyle, style);

    RecordArray array;
    SetRecordFontStyle(array, 1, style, NoteCFSKey);
    QCOMPARE(int(array.size()), 2);
    const QByteArray* bytes = ValueData(*GetRecordValue(array, 1, NoteCFSKey));
    QVERIFY(bytes);
    QCOMPARE(bytes->size(), NoteFontStyleSize);

    NoteFontStyle back;
    back.flags = 0x7777;
    QVERIFY(GetRecordFontStyle(array, 1, NoteCFSKey, &back));
    QVERIFY(back == style);

    // Another key holds another style.
    SetRecordFontStyle(array, 1, NoteFontStyle{}, QStringLiteral("OtherCFSKey"));
    QVERIFY(GetRecordFontStyle(array, 1, NoteCFSKey, &back));
    QVERIFY(back == style);
}

// Twelve little-endian 16-bit fields in declaration order: the bytes of the files.
void tst_Records::fontStyleBytes_data() {
    QTest::addColumn<NoteFontStyle>("style");
    QTest::addColumn<QByteArray>("hex");

    QTest::newRow("default") << NoteFontStyle{}
                             << QByteArray("4f02ffff0b000100"
                                           "00000000000000000000000000000000");
    QTest::newRow("each field numbered") << NoteFontStyle{0x0102, 0x0304, 0x0506, 0x0708, 0x090a, 0x0b0c,
                                                          0x0d0e, 0x0f10, 0x1112, 0x1314, 0x1516, 0x1718}
                                         << QByteArray("02010403060508070a090c0b0e0d100f1211141316151817");
    QTest::newRow("negative colours") << NoteFontStyle{0, 0, 0, 0, 0, 0, -1, -2, -256, 0, 0, INT16_MIN}
                                      << QByteArray("000000000000000000000000"
                                                    "ffff"
                                                    "feff"
                                                    "00ff"
                                                    "0000"
                                                    "0000"
                                                    "0080");
}

void tst_Records::fontStyleBytes() {
    QFETCH(NoteFontStyle, style);
    QFETCH(QByteArray, hex);

    RecordArray array;
    SetRecordFontStyle(array, 0, style, NoteCFSKey);
    QCOMPARE(ValueData(*GetRecordValue(array, 0, NoteCFSKey))->toHex(), hex);
}

void tst_Records::fontStyleDataLength_data() {
    QTest::addColumn<Value>("stored");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("size");

    const QByteArray style = EncodeFontStyle(NoteFontStyle{0x0001, 3, 24, 7, 1, 2, 3, 4, 5, 6, 7, 8});
    QTest::newRow("24 bytes") << Value(style) << true << 24;
    QTest::newRow("23 bytes") << Value(style.left(23)) << false << 0;
    QTest::newRow("empty data") << Value(QByteArray()) << false << 0;
    QTest::newRow("longer: first 24 bytes") << Value(style + QByteArray("\x63\x00\xff\xff", 4)) << true << 24;
    QTest::newRow("text") << Value(QString::fromLatin1(style.toHex())) << false << 0;
    QTest::newRow("integer") << Value(24) << false << 0;
}

void tst_Records::fontStyleDataLength() {
    QFETCH(Value, stored);
    QFETCH(bool, found);

    RecordArray array;
    SetRecordValue(array, 0, NoteCFSKey, stored);
    NoteFontStyle style;
    style.size = 99;
    QCOMPARE(GetRecordFontStyle(array, 0, NoteCFSKey, &style), found);
    if (found)
        QVERIFY(style == (NoteFontStyle{0x0001, 3, 24, 7, 1, 2, 3, 4, 5, 6, 7, 8}));
    else
        QCOMPARE(style.size, int16_t(99));
    QCOMPARE(int(array.size()), 1);
}

// Numbers read as bytes, reals truncated toward zero; anything else is "not found" and leaves the output.
void tst_Records::recordByte_data() {
    QTest::addColumn<Value>("stored");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("byte");

    QTest::newRow("integer 4") << Value(4) << true << 4;
    QTest::newRow("integer -3") << Value(-3) << true << -3;
    QTest::newRow("integer 127") << Value(127) << true << 127;
    QTest::newRow("integer -128") << Value(-128) << true << -128;
    QTest::newRow("real 3.9") << Value(3.9) << true << 3;
    QTest::newRow("real -3.9") << Value(-3.9) << true << -3;
    QTest::newRow("real 4.0") << Value(4.0) << true << 4;
    QTest::newRow("text") << Value(QStringLiteral("4")) << false << 0;
    QTest::newRow("boolean") << Value(true) << false << 0;
    QTest::newRow("date") << Value(DateValue{4}) << false << 0;
    QTest::newRow("data") << Value(QByteArray(1, '\x04')) << false << 0;
    QTest::newRow("real NaN") << Value(std::numeric_limits<double>::quiet_NaN()) << false << 0;
}

void tst_Records::recordByte() {
    QFETCH(Value, stored);
    QFETCH(bool, found);
    QFETCH(int, byte);

    RecordArray array;
    SetRecordValue(array, 0, NoteTypeKey, stored);
    int8_t value = 55;
    QCOMPARE(GetRecordByte(array, 0, NoteTypeKey, &value), found);
    QCOMPARE(int(value), found ? byte : 55);
    QVERIFY(!GetRecordByte(array, 0, NoteDataKey, &value)); // missing key
}

void tst_Records::setDaynote_data() {
    QTest::addColumn<RecordArray>("array");
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("keys");

    const QStringList noteKeys{NoteDataKey, NoteDateKey, NoteTypeKey, NoteCFSKey};
    QTest::newRow("new record") << RecordArray{} << 0 << noteKeys;
    QTest::newRow("new record past the end") << RecordArray{Value(FullReminderNote())} << 2 << noteKeys;
    QTest::newRow("empty record") << RecordArray{Value(Record{})} << 0 << noteKeys;
    QTest::newRow("existing note with reminder and unknown key")
        << RecordArray{Value(FullReminderNote())} << 0 << Keys(FullReminderNote());
    QTest::newRow("record with an unknown key first")
        << RecordArray{Value(MakeRecord({{FutureKey, Value(1)}, {NoteTypeKey, Value(qint64(NoteKeeper))}}))}
        << 0 << QStringList{FutureKey, NoteTypeKey, NoteDataKey, NoteDateKey, NoteCFSKey};
}

void tst_Records::setDaynote() {
    QFETCH(RecordArray, array);
    QFETCH(int, index);
    QFETCH(QStringList, keys);

    const RecordArray before = array;
    NoteFontStyle     style;
    style.size = 18;
    style.fgRed = -1;
    SetDaynote(array, index, QStringLiteral("line 1\rline 2 \u20ac"), 818139600, NoteHoliday, style);

    QCOMPARE(int(array.size()), std::max(int(before.size()), index + 1));
    QCOMPARE(Keys(array, index), keys);
    QCOMPARE(*ValueText(*GetRecordValue(array, index, NoteDataKey)), QStringLiteral("line 1\rline 2 \u20ac"));
    double date = 0;
    QVERIFY(GetRecordDate(array, index, NoteDateKey, &date));
    QCOMPARE(date, 818139600.0);
    int8_t type = 0;
    QVERIFY(GetRecordByte(array, index, NoteTypeKey, &type));
    QCOMPARE(type, int8_t(NoteHoliday));
    NoteFontStyle back;
    QVERIFY(GetRecordFontStyle(array, index, NoteCFSKey, &back));
    QVERIFY(back == style);

    // Reminder and unknown fields are left as they were; so are the other records.
    if (const Record* old = GetRecord(before, index)) {
        for (const QString& key :
             {ReminderDateKey, EmailAddrKey, EmailSubjectKey, EmailMessageKey, URLKey, FutureKey}) {
            const Value* was = FindField(*old, key);
            const Value* now = GetRecordValue(array, index, key);
            QCOMPARE(bool(now), bool(was));
            if (was) QVERIFY(*now == *was);
        }
    }
    for (int i = 0; i < int(before.size()); ++i)
        if (i != index) QVERIFY(array[size_t(i)] == before[size_t(i)]);
}

namespace {
struct StoredEvent {
    QString name;
    QDate   date;
    int     unit;
};

Value StoredRecord(const StoredEvent& e) {
    return Value(MakeRecord(
        {{EventNameKey, Value(e.name)},
         {EventDateKey, Value(DateValue{DateToAbsTime(e.date.month(), e.date.day(), e.date.year())})},
         {EventUnitKey, Value(qint64(e.unit))}}));
}
} // namespace

void tst_Records::eventListForms_data() {
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<RecordArray>("stored");
    QTest::addColumn<QStringList>("dateTexts");

    QTest::newRow("empty") << QByteArray("en_US") << RecordArray{} << QStringList{};
    QTest::newRow("one event") << QByteArray("en_US")
                               << RecordArray{StoredRecord(
                                      {QStringLiteral("Wedding"), QDate(2026, 12, 5), EventYears})}
                               << QStringList{QStringLiteral("05  December  2026")};
    QTest::newRow("three events, not in date order")
        << QByteArray("en_US")
        << RecordArray{StoredRecord({QStringLiteral("Born"), QDate(1990, 1, 1), EventYearsMonthsDays}),
                       StoredRecord({QStringLiteral("Leap"), QDate(2024, 2, 29), EventDays}),
                       StoredRecord({QString(), QDate(1969, 7, 20), EventMonths})}
        << QStringList{QStringLiteral("01  January  1990"), QStringLiteral("29  February  2024"),
                       QStringLiteral("20  July  1969")};
    QTest::newRow("German month names")
        << QByteArray("de_DE")
        << RecordArray{StoredRecord({QStringLiteral("Umzug"), QDate(2026, 3, 1), EventDays}),
                       StoredRecord({QStringLiteral("Hochzeit"), QDate(2025, 12, 24), EventYears})}
        << QStringList{QStringLiteral("01  März  2026"), QStringLiteral("24  Dezember  2025")};
    QTest::newRow("Polish month names")
        << QByteArray("pl_PL")
        << RecordArray{StoredRecord({QStringLiteral("Urodziny"), QDate(2026, 12, 5), EventYears})}
        << QStringList{QStringLiteral("05  grudzień  2026")};
}

void tst_Records::eventListForms() {
    QFETCH(QByteArray, locale);
    QFETCH(RecordArray, stored);
    QFETCH(QStringList, dateTexts);

    LocaleScope scope(locale.constData());

    QList<std::pair<double, int>> calls;
    const RecordArray             list = EventListFromStored(stored, [&calls](double date, int8_t unit) {
        calls << std::pair{date, int(unit)};
        return QStringLiteral("elapsed %1").arg(calls.size());
    });

    QCOMPARE(int(list.size()), int(stored.size()) + 1);
    QVERIFY(list[0] == Value(false));
    QCOMPARE(calls.size(), int(stored.size()));
    for (int i = 0; i < int(stored.size()); ++i) {
        const Record& in = *ValueRecord(stored[size_t(i)]);
        const Record* row = ValueRecord(list[size_t(i) + 1]);
        QVERIFY(row);
        QVERIFY(*FindField(*row, EventNameKey) == *FindField(in, EventNameKey));
        QCOMPARE(*ValueText(*FindField(*row, EventDateKey)), dateTexts[i]);
        QCOMPARE(*ValueText(*FindField(*row, EventElapsedTimeKey)), QStringLiteral("elapsed %1").arg(i + 1));
        QVERIFY(*FindField(*row, EventUnitKey) == *FindField(in, EventUnitKey));
        QCOMPARE(calls[i].first, ValueDate(*FindField(in, EventDateKey))->absTime);
        QCOMPARE(calls[i].second, int(std::get<qint64>(FindField(in, EventUnitKey)->v)));
    }

    // Back to the stored form: same order, same fields, no elapsed text.
    const RecordArray back = StoredFromEventList(list);
    QCOMPARE(int(back.size()), int(stored.size()));
    for (int i = 0; i < int(stored.size()); ++i) {
        const Record& in = *ValueRecord(stored[size_t(i)]);
        const Record* out = ValueRecord(back[size_t(i)]);
        QVERIFY(out);
        QVERIFY(!FindField(*out, EventElapsedTimeKey));
        for (const QString& key : {EventNameKey, EventDateKey, EventUnitKey}) {
            QVERIFY2(FindField(*out, key), qPrintable(key));
            QVERIFY2(*FindField(*out, key) == *FindField(in, key), qPrintable(key));
        }
    }
}

QTEST_MAIN(tst_Records)
#include "tst_records.moc"
