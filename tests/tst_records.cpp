// The record store: grow-on-write, reminder fields, font style bytes and daynote fields.
#include "core/dates.h"
#include "core/records.h"

#include <QTest>

namespace {

const QString FutureKey = QStringLiteral("SomeFutureKey"); // a key a later version might write

// Two of the four note keys, the five reminder keys and an unknown key, mixed.
Value ReminderNote() {
    Record r;
    for (const QString& key : {NoteDataKey, ReminderDateKey, EmailAddrKey, NoteTypeKey, EmailSubjectKey,
                               FutureKey, EmailMessageKey, URLKey})
        SetField(r, key, Value(key));
    return Value(std::move(r));
}

} // namespace

class tst_Records : public QObject {
    Q_OBJECT

  private slots:
    // Setters grow the array with empty records up to the index; readers and removers never change it.
    void growOnWriteOnly() {
        RecordArray array;
        SetRecordValue(array, 3, NoteDataKey, Value(QStringLiteral("text")));
        QCOMPARE(int(array.size()), 4);
        for (int i = 0; i < 3; ++i) QVERIFY(array[size_t(i)] == Value(Record{}));
        QCOMPARE(*ValueText(*GetRecordValue(array, 3, NoteDataKey)), QStringLiteral("text"));

        RecordArray two{ReminderNote(), ReminderNote()};
        for (int index : {5, 2, -1}) {
            QVERIFY(!GetRecordValue(two, index, NoteDataKey) && !GetRecord(two, index, false));
            RemoveRecordValue(two, index, NoteDataKey);
            RemoveReminderFields(two, index);
            RemoveRecord(two, index);
        }
        QVERIFY(two == RecordArray({ReminderNote(), ReminderNote()}));
    }

    // The reminder fields go; the note's own and unknown keys stay, and so does the next record.
    void removeReminderFields() {
        RecordArray array{ReminderNote(), ReminderNote()};
        RemoveReminderFields(array, 0);
        QVERIFY(array[0] == Value(Record{{{NoteDataKey, Value(NoteDataKey)},
                                          {NoteTypeKey, Value(NoteTypeKey)},
                                          {FutureKey, Value(FutureKey)}}}));
        QVERIFY(array[1] == ReminderNote());
    }

    // Twelve little-endian 16-bit fields in declaration order, as in the files; fewer than 24 bytes is none.
    void fontStyleBytes() {
        const NoteFontStyle numbered{0x0102, 0x0304, 0x0506, 0x0708, 0x090a, 0x0b0c,
                                     0x0d0e, 0x0f10, 0x1112, 0x1314, 0x1516, -2};
        for (const auto& [style, hex] :
             {std::pair{NoteFontStyle{}, QByteArray("4f02ffff0b00010000000000000000000000000000000000")},
              {numbered, "02010403060508070a090c0b0e0d100f121114131615feff"}}) {
            RecordArray array;
            SetRecordFontStyle(array, 1, style, NoteCFSKey);
            QCOMPARE(ValueData(*GetRecordValue(array, 1, NoteCFSKey))->toHex(), hex);
            NoteFontStyle back{0x7777};
            QVERIFY(GetRecordFontStyle(array, 1, NoteCFSKey, &back) && back == style);
        }
        const QByteArray bytes = EncodeFontStyle(numbered);
        for (auto [stored, found] : {std::pair{bytes.left(23), false}, {bytes + "xy", true}}) {
            RecordArray   array{Value(Record{{{NoteCFSKey, Value(stored)}}})};
            NoteFontStyle style;
            QCOMPARE(GetRecordFontStyle(array, 0, NoteCFSKey, &style), found);
            QVERIFY(style == (found ? numbered : NoteFontStyle{}));
        }
    }

    // The four note keys are set in place or appended; reminder and unknown keys stay as they were.
    void setDaynote() {
        const NoteFontStyle style{0x024F, -1, 18};
        auto                note = [&](Record r) {
            for (const auto& [key, value] : {std::pair{NoteDataKey, Value(QStringLiteral("line 1\rline 2"))},
                                             {NoteDateKey, Value(DateValue{5})},
                                             {NoteTypeKey, Value(qint64(NoteHoliday))},
                                             {NoteCFSKey, Value(EncodeFontStyle(style))}})
                SetField(r, key, value);
            return Value(std::move(r));
        };
        RecordArray array{ReminderNote()};
        for (int index : {0, 2})
            SetDaynote(array, index, QStringLiteral("line 1\rline 2"), 5, NoteHoliday, style);
        QCOMPARE(int(array.size()), 3);
        QVERIFY(array[0] == note(*ValueRecord(ReminderNote())));
        QVERIFY(array[2] == note(Record{}));
    }
};

QTEST_MAIN(tst_Records)
#include "tst_records.moc"
