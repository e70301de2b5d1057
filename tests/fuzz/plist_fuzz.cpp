// libFuzzer target for the property-list reader: any input is either refused with a reason or read, and
// whatever is read must come back unchanged through the writer and the reader. The quick reader for plain
// files may only take what the full one reads, and must read it alike.
#include "core/plist.h"

#include <QByteArray>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// Value equality with reals compared bit for bit, except that every NaN counts as the same NaN (the file
// has one spelling for them all).
bool SameValue(const Value& a, const Value& b) {
    if (a.kind() != b.kind()) return false;
    switch (a.kind()) {
    case ValueKind::Real: {
        const double x = std::get<double>(a.v), y = std::get<double>(b.v);
        return (std::isnan(x) && std::isnan(y)) || std::memcmp(&x, &y, sizeof x) == 0;
    }
    case ValueKind::Array: {
        const RecordArray &x = std::get<RecordArray>(a.v), &y = std::get<RecordArray>(b.v);
        if (x.size() != y.size()) return false;
        for (size_t i = 0; i < x.size(); ++i)
            if (!SameValue(x[i], y[i])) return false;
        return true;
    }
    case ValueKind::Record: {
        const auto &x = std::get<Record>(a.v).fields, &y = std::get<Record>(b.v).fields;
        if (x.size() != y.size()) return false;
        for (qsizetype i = 0; i < x.size(); ++i)
            if (x[i].key != y[i].key || !SameValue(x[i].value, y[i].value)) return false;
        return true;
    }
    default:
        return a == b;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    Value            first, quick;
    QString          error;
    const bool       plain = ReadPlainPropertyList(input, &quick);
    if (!ReadFullPropertyList(input, &first, &error)) {
        if (error.isEmpty() || plain)
            __builtin_trap(); // every refusal says why, and the quick reader refuses
        return 0;
    }
    if (plain && !SameValue(quick, first)) __builtin_trap(); // the quick reader reads the same
    const QByteArray written = WritePropertyList(first);
    Value            second;
    if (!ReadPropertyList(written, &second, &error)) __builtin_trap(); // we wrote what we cannot read
    if (!SameValue(first, second)) __builtin_trap();                   // the trip changed a value
    if (WritePropertyList(second) != written) __builtin_trap();        // writing is not repeatable
    return 0;
}
