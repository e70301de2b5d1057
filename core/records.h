// The record store: typed values, string-keyed records and arrays of them, with the accessors through
// which every feature reads and writes daynotes and events by array index.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <variant>
#include <vector>

// ---------------------------------------------------------------------------------------------------------
// Index
//   Values and records ........ Value, Record, RecordArray, field lookup
//   Record keys ............... the daynote and event key texts
//   NoteFontStyle ............. the 24-byte font style of a note text
//   Array accessors ........... grow-on-write setters, getters and removers by array index
//   Event forms ............... stored event records and event list records
// ---------------------------------------------------------------------------------------------------------

struct DateValue {
    double absTime = 0; // seconds since 1 January 2001 00:00:00 GMT
    bool   operator==(const DateValue&) const = default;
};

struct RecordField;
struct Value;

struct Record {
    // In the order they were first set; unknown keys are kept. Shared until written, so that a copy of the
    // daynote array costs little and an unchanged record is known by its identity.
    QList<RecordField> fields;
};

using RecordArray = std::vector<Value>;

enum class ValueKind : uint8_t { None, Text, Date, Integer, Real, Boolean, Data, Array, Record };

struct Value {
    std::variant<std::monostate, QString, DateValue, qint64, double, bool, QByteArray, RecordArray, Record> v;

    Value() = default;
    Value(const QString& s);
    Value(QString&& s);
    Value(DateValue d);
    Value(qint64 i);
    Value(int i);
    Value(double r);
    Value(bool b);
    Value(const QByteArray& b);
    Value(RecordArray a);
    Value(Record r);
    Value(const char*) = delete; // a text must be a QString, never silently a bool

    ValueKind kind() const { return ValueKind(v.index()); }
    bool      operator==(const Value& o) const;
};

struct RecordField {
    QString key;   // key text
    Value   value; // typed value
    bool    operator==(const RecordField&) const = default;
};

// Defined once RecordField is complete, which the variant's Record member needs (clang insists).
inline Value::Value(const QString& s) : v(s) {}
inline Value::Value(QString&& s) : v(std::move(s)) {}
inline Value::Value(DateValue d) : v(d) {}
inline Value::Value(qint64 i) : v(i) {}
inline Value::Value(int i) : v(qint64(i)) {}
inline Value::Value(double r) : v(r) {}
inline Value::Value(bool b) : v(b) {}
inline Value::Value(const QByteArray& b) : v(b) {}
inline Value::Value(RecordArray a) : v(std::move(a)) {}
inline Value::Value(Record r) : v(std::move(r)) {}
inline bool operator==(const Record& a, const Record& b) {
    return a.fields == b.fields;
}
inline bool Value::operator==(const Value& o) const {
    return v == o.v;
}

// A record not written since it was copied still shares its fields with the copy: equal without looking
// inside. An array shares records when every one of its records does so with the other's, in order.
bool SharedRecord(const Record& a, const Record& b);
bool SharedRecordValue(const Value& a, const Value& b); // both records, sharing their fields
bool SharedRecords(const RecordArray& a, const RecordArray& b);

const Value* FindField(const Record& record, const QString& key);
Value*       FindField(Record& record, const QString& key);
void         SetField(Record& record, const QString& key, Value value); // replaces in place or appends
bool         RemoveField(Record& record, const QString& key);

const QString*    ValueText(const Value& value);
const DateValue*  ValueDate(const Value& value);
const QByteArray* ValueData(const Value& value);
const Record*     ValueRecord(const Value& value);
Record*           ValueRecord(Value& value);
// Integers and reals both read as numbers; a real is truncated toward zero.
bool ValueInteger(const Value& value, qint64* out);

// ---------------------------------------------------------------------------------------------------------
// Record keys: the same texts in memory and in the files.
// ---------------------------------------------------------------------------------------------------------

inline const QString NoteDataKey = QStringLiteral("NoteDataKey");
inline const QString NoteDateKey = QStringLiteral("NoteDateKey");
inline const QString NoteTypeKey = QStringLiteral("NoteTypeKey");
inline const QString NoteCFSKey = QStringLiteral("NoteCFSKey");
inline const QString ReminderDateKey = QStringLiteral("ReminderDateKey");
inline const QString EmailAddrKey = QStringLiteral("EmailAddrKey");
inline const QString EmailSubjectKey = QStringLiteral("EmailSubjectKey");
inline const QString EmailMessageKey = QStringLiteral("EmailMessageKey");
inline const QString URLKey = QStringLiteral("URL Key");
inline const QString EventNameKey = QStringLiteral("EventNameKey");
inline const QString EventDateKey = QStringLiteral("EventDateKey");
inline const QString EventUnitKey = QStringLiteral("EventUnitKey");
inline const QString EventElapsedTimeKey = QStringLiteral("EventElapsedTimeKey");
// All of the above: files read with them share these strings, which the lookups find by address.
const std::vector<QString>& RecordKeys();

enum NoteType : int8_t { NoteStandard = 1, NoteHoliday = 2, NoteEvent = 3, NoteKeeper = 4 };

// ---------------------------------------------------------------------------------------------------------
// NoteFontStyle: twelve little-endian 16-bit signed fields, 24 bytes in all.
// ---------------------------------------------------------------------------------------------------------

struct NoteFontStyle {
    int16_t flags = 0x024F; // which fields apply
    int16_t font = -1;      // font family number; -1 is the large system font
    int16_t size = 11;      // points
    int16_t style = 1;      // face bits: 1 bold, 2 italic, 4 underline
    int16_t mode = 0;
    int16_t just = 0; // justification
    int16_t fgRed = 0, fgGreen = 0, fgBlue = 0;
    int16_t bgRed = 0, bgGreen = 0, bgBlue = 0;
    bool    operator==(const NoteFontStyle&) const = default;
};

constexpr int NoteFontStyleSize = 24;

QByteArray EncodeFontStyle(const NoteFontStyle& style);
// The first 24 bytes; false when there are fewer.
bool DecodeFontStyle(const QByteArray& bytes, NoteFontStyle* style);

// ---------------------------------------------------------------------------------------------------------
// Array accessors. Setters grow the array with empty records up to the index; getters and removers never
// change its size and report "not found" for a missing index, key or record.
// ---------------------------------------------------------------------------------------------------------

void          InsertRecord(RecordArray& array, int index);
void          RemoveRecord(RecordArray& array, int index);
Record*       GetRecord(RecordArray& array, int index, bool grow);
const Record* GetRecord(const RecordArray& array, int index);
void          SetRecordValue(RecordArray& array, int index, const QString& key, Value value);
const Value*  GetRecordValue(const RecordArray& array, int index, const QString& key);
void          SetRecordDate(RecordArray& array, int index, const QString& key, double absTime);
bool          GetRecordDate(const RecordArray& array, int index, const QString& key, double* absTime);
void          SetRecordByte(RecordArray& array, int index, const QString& key, int8_t value);
bool          GetRecordByte(const RecordArray& array, int index, const QString& key, int8_t* value);
void SetRecordFontStyle(RecordArray& array, int index, const NoteFontStyle& style, const QString& key);
bool GetRecordFontStyle(const RecordArray& array, int index, const QString& key, NoteFontStyle* style);
void SetDaynote(RecordArray& array, int index, const QString& text, double date, int8_t type,
                const NoteFontStyle& style);
void RemoveReminderFields(RecordArray& array, int index);
void RemoveRecordValue(RecordArray& array, int index, const QString& key);
void CountKeepersAndReminders(const RecordArray& array, int* keepers, int* reminders);

// The date of a daynote record, or false when it has none.
bool RecordDate(const Record& record, const QString& key, double* absTime);
// A small number (a note type, an event unit) stored as an integer or a real; false when absent or out of
// range.
bool RecordByte(const Record& record, const QString& key, int8_t* value);

// ---------------------------------------------------------------------------------------------------------
// Event forms. The event list array has a placeholder (false) at index 0 so that list row n is element n.
// ---------------------------------------------------------------------------------------------------------

enum EventUnit : int8_t { EventYears = 1, EventMonths = 2, EventDays = 3, EventYearsMonthsDays = 4 };

using ElapsedTextFn = std::function<QString(double eventDate, int8_t unit)>;

RecordArray EventListFromStored(const RecordArray& stored, const ElapsedTextFn& elapsedText);
RecordArray StoredFromEventList(const RecordArray& list);
