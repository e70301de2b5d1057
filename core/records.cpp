// The record store: field lookup, array accessors, NoteFontStyle bytes and the two event forms.
#include "core/records.h"

#include "core/dates.h"

#include <QtEndian>

#include <algorithm>

namespace {

// Keys are mostly the shared constants of records.h, found by address; only then are texts compared.
qsizetype FieldIndex(const QList<RecordField>& fields, const QString& key) {
    const QChar* data = key.constData();
    for (qsizetype i = 0; i < fields.size(); ++i)
        if (fields[i].key.constData() == data && fields[i].key.size() == key.size()) return i;
    for (qsizetype i = 0; i < fields.size(); ++i)
        if (fields[i].key == key) return i;
    return -1;
}

} // namespace

const std::vector<QString>& RecordKeys() {
    static const std::vector<QString> keys = {
        NoteDataKey,  NoteDateKey,     NoteTypeKey,        NoteCFSKey, ReminderDateKey,
        EmailAddrKey, EmailSubjectKey, EmailMessageKey,    URLKey,     EventNameKey,
        EventDateKey, EventUnitKey,    EventElapsedTimeKey};
    return keys;
}

bool SharedRecord(const Record& a, const Record& b) {
    return a.fields.size() == b.fields.size() && a.fields.constData() == b.fields.constData();
}

bool SharedRecordValue(const Value& a, const Value& b) {
    const Record* r = ValueRecord(a);
    const Record* s = ValueRecord(b);
    return r && s && SharedRecord(*r, *s);
}

bool SharedRecords(const RecordArray& a, const RecordArray& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), SharedRecordValue);
}

const Value* FindField(const Record& record, const QString& key) {
    const qsizetype i = FieldIndex(record.fields, key);
    return i < 0 ? nullptr : &record.fields[i].value;
}

Value* FindField(Record& record, const QString& key) {
    // Look before writing: a missing key must not unshare the record.
    const qsizetype i = FieldIndex(std::as_const(record.fields), key);
    return i < 0 ? nullptr : &record.fields[i].value;
}

void SetField(Record& record, const QString& key, Value value) {
    if (Value* existing = FindField(record, key)) {
        *existing = std::move(value);
        return;
    }
    record.fields.push_back({key, std::move(value)});
}

bool RemoveField(Record& record, const QString& key) {
    const QList<RecordField>& fields = record.fields;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (fields[i].key == key) {
            record.fields.removeAt(i);
            return true;
        }
    }
    return false;
}

const QString* ValueText(const Value& value) {
    return std::get_if<QString>(&value.v);
}
const DateValue* ValueDate(const Value& value) {
    return std::get_if<DateValue>(&value.v);
}
const QByteArray* ValueData(const Value& value) {
    return std::get_if<QByteArray>(&value.v);
}
const Record* ValueRecord(const Value& value) {
    return std::get_if<Record>(&value.v);
}
Record* ValueRecord(Value& value) {
    return std::get_if<Record>(&value.v);
}

bool ValueInteger(const Value& value, qint64* out) {
    if (const qint64* i = std::get_if<qint64>(&value.v)) {
        *out = *i;
        return true;
    }
    if (const double* r = std::get_if<double>(&value.v)) {
        if (!(*r > -9.2e18 && *r < 9.2e18)) return false; // NaN or out of range
        *out = qint64(*r);
        return true;
    }
    return false;
}

QByteArray EncodeFontStyle(const NoteFontStyle& s) {
    const int16_t fields[12] = {s.flags, s.font,    s.size,   s.style, s.mode,    s.just,
                                s.fgRed, s.fgGreen, s.fgBlue, s.bgRed, s.bgGreen, s.bgBlue};
    QByteArray    bytes(NoteFontStyleSize, '\0');
    for (int i = 0; i < 12; ++i) qToLittleEndian<int16_t>(fields[i], bytes.data() + 2 * i);
    return bytes;
}

bool DecodeFontStyle(const QByteArray& bytes, NoteFontStyle* s) {
    if (bytes.size() < NoteFontStyleSize) return false;
    int16_t f[12];
    for (int i = 0; i < 12; ++i) f[i] = qFromLittleEndian<int16_t>(bytes.constData() + 2 * i);
    *s = {f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10], f[11]};
    return true;
}

void InsertRecord(RecordArray& array, int index) {
    if (index < 0 || index > int(array.size())) return;
    array.insert(array.begin() + index, Value(Record{}));
}

void RemoveRecord(RecordArray& array, int index) {
    if (index < 0 || index >= int(array.size())) return;
    array.erase(array.begin() + index);
}

Record* GetRecord(RecordArray& array, int index, bool grow) {
    if (index < 0) return nullptr;
    if (index >= int(array.size())) {
        if (!grow) return nullptr;
        array.resize(size_t(index) + 1, Value(Record{}));
    }
    return ValueRecord(array[size_t(index)]);
}

const Record* GetRecord(const RecordArray& array, int index) {
    if (index < 0 || index >= int(array.size())) return nullptr;
    return ValueRecord(array[size_t(index)]);
}

void SetRecordValue(RecordArray& array, int index, const QString& key, Value value) {
    if (Record* r = GetRecord(array, index, true)) SetField(*r, key, std::move(value));
}

const Value* GetRecordValue(const RecordArray& array, int index, const QString& key) {
    const Record* r = GetRecord(array, index);
    return r ? FindField(*r, key) : nullptr;
}

void SetRecordDate(RecordArray& array, int index, const QString& key, double absTime) {
    SetRecordValue(array, index, key, Value(DateValue{absTime}));
}

bool RecordDate(const Record& record, const QString& key, double* absTime) {
    const Value*     v = FindField(record, key);
    const DateValue* d = v ? ValueDate(*v) : nullptr;
    if (!d) return false;
    *absTime = d->absTime;
    return true;
}

bool GetRecordDate(const RecordArray& array, int index, const QString& key, double* absTime) {
    const Record* r = GetRecord(array, index);
    return r && RecordDate(*r, key, absTime);
}

void SetRecordByte(RecordArray& array, int index, const QString& key, int8_t value) {
    SetRecordValue(array, index, key, Value(qint64(value)));
}

bool RecordByte(const Record& record, const QString& key, int8_t* value) {
    const Value* v = FindField(record, key);
    qint64       i = 0;
    // Other writers store numbers as reals (<real>4</real>); a number outside the byte is not one of ours.
    if (!v || !ValueInteger(*v, &i) || i < INT8_MIN || i > INT8_MAX) return false;
    *value = int8_t(i);
    return true;
}

bool GetRecordByte(const RecordArray& array, int index, const QString& key, int8_t* value) {
    const Record* r = GetRecord(array, index);
    return r && RecordByte(*r, key, value);
}

void SetRecordFontStyle(RecordArray& array, int index, const NoteFontStyle& style, const QString& key) {
    SetRecordValue(array, index, key, Value(EncodeFontStyle(style)));
}

bool GetRecordFontStyle(const RecordArray& array, int index, const QString& key, NoteFontStyle* style) {
    const Value*      v = GetRecordValue(array, index, key);
    const QByteArray* d = v ? ValueData(*v) : nullptr;
    return d && DecodeFontStyle(*d, style);
}

void SetDaynote(RecordArray& array, int index, const QString& text, double date, int8_t type,
                const NoteFontStyle& style) {
    Record* r = GetRecord(array, index, true);
    if (!r) return;
    SetField(*r, NoteDataKey, Value(text));
    SetField(*r, NoteDateKey, Value(DateValue{date}));
    SetField(*r, NoteTypeKey, Value(qint64(type)));
    SetField(*r, NoteCFSKey, Value(EncodeFontStyle(style)));
}

void RemoveReminderFields(RecordArray& array, int index) {
    for (const QString* key : {&ReminderDateKey, &EmailAddrKey, &EmailSubjectKey, &EmailMessageKey, &URLKey})
        RemoveRecordValue(array, index, *key);
}

void RemoveRecordValue(RecordArray& array, int index, const QString& key) {
    if (Record* r = GetRecord(array, index, false)) RemoveField(*r, key);
}

void CountKeepersAndReminders(const RecordArray& array, int* keepers, int* reminders) {
    for (const Value& v : array) {
        const Record* r = ValueRecord(v);
        if (!r) continue;
        if (FindField(*r, ReminderDateKey)) ++*reminders;
        int8_t type = 0;
        if (RecordByte(*r, NoteTypeKey, &type) && type == NoteKeeper) ++*keepers;
    }
}

RecordArray EventListFromStored(const RecordArray& stored, const ElapsedTextFn& elapsedText) {
    RecordArray list;
    list.reserve(stored.size() + 1);
    list.push_back(Value(false));
    for (const Value& v : stored) {
        const Record* in = ValueRecord(v);
        if (!in) continue;
        Record       out;
        const Value* name = FindField(*in, EventNameKey);
        double       date = 0;
        RecordDate(*in, EventDateKey, &date);
        qint64       unit = 0;
        const Value* unitValue = FindField(*in, EventUnitKey);
        if (unitValue) ValueInteger(*unitValue, &unit);
        SetField(out, EventNameKey, name && ValueText(*name) ? *name : Value(QString()));
        SetField(out, EventDateKey, Value(FormatDate(QStringLiteral("dd  LLLL  yyyy"), date)));
        SetField(out, EventElapsedTimeKey, Value(elapsedText(date, int8_t(unit))));
        SetField(out, EventUnitKey, Value(qint64(int8_t(unit))));
        list.push_back(Value(std::move(out)));
    }
    return list;
}

RecordArray StoredFromEventList(const RecordArray& list) {
    RecordArray stored;
    for (size_t i = 1; i < list.size(); ++i) {
        const Record* in = ValueRecord(list[i]);
        if (!in) continue;
        Record         out;
        const Value*   name = FindField(*in, EventNameKey);
        const Value*   dateText = FindField(*in, EventDateKey);
        int            month = 0, day = 0, year = 0;
        const QString* text = dateText ? ValueText(*dateText) : nullptr;
        ParseDayMonthYear(text ? *text : QString(), QStringLiteral("  "), &month, &day, &year);
        qint64       unit = 0;
        const Value* unitValue = FindField(*in, EventUnitKey);
        if (unitValue) ValueInteger(*unitValue, &unit);
        SetField(out, EventNameKey, name && ValueText(*name) ? *name : Value(QString()));
        SetField(out, EventDateKey, Value(DateValue{DateToAbsTime(month, day, year)}));
        SetField(out, EventUnitKey, Value(qint64(int8_t(unit))));
        stored.push_back(Value(std::move(out)));
    }
    return stored;
}
