// Apple's XML property lists: a writer that matches Python's plistlib byte for byte, into one buffer or in
// pieces that a thread writes to the file meanwhile, and a reader on pugixml's in-place parser that turns the
// tree straight into Values.
#include "core/plist.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <functional>
#include <locale.h>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// ---------------------------------------------------------------------------------------------------------
// Calendar arithmetic for <date>: proleptic Gregorian, as Python's datetime and the files' writers use.
// ---------------------------------------------------------------------------------------------------------

// Days since 1970-01-01 (after Howard Hinnant's days_from_civil).
constexpr qint64 DaysFromCivil(qint64 y, unsigned m, unsigned d) {
    y -= m <= 2;
    const qint64   era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + qint64(doe) - 719468;
}

struct CivilDate {
    qint64   year;
    unsigned month, day;
};

constexpr CivilDate CivilFromDays(qint64 z) {
    z += 719468;
    const qint64   era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {qint64(yoe) + era * 400 + (m <= 2), m, d};
}

constexpr qint64 ReferenceDay = DaysFromCivil(2001, 1, 1);
// Four-digit years only: Python's reader and datetime take nothing else.
constexpr qint64 FirstWritableSecond = (DaysFromCivil(1, 1, 1) - ReferenceDay) * 86400;
constexpr qint64 LastWritableSecond = (DaysFromCivil(9999, 12, 31) - ReferenceDay) * 86400 + 86399;

constexpr bool IsLeapYear(qint64 y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

constexpr unsigned DaysInMonth(qint64 y, unsigned m) {
    constexpr unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : days[m - 1];
}

// ---------------------------------------------------------------------------------------------------------
// Writer
// ---------------------------------------------------------------------------------------------------------

// The output buffer: one QByteArray written through a raw cursor, grown geometrically when a piece would
// not fit, and cut to length at the end. With a sink, the buffer is handed over whole instead of grown once
// it holds about PieceBytes, and a new one begins: the file can be written while the rest is serialised.
struct PlistOutput {
    QByteArray                        bytes;
    char*                             p = nullptr;
    char*                             end = nullptr;
    std::function<void(QByteArray&&)> sink;
    // Each record repeats the same few keys, mostly the very same strings: their escaped UTF-8 is made once.
    struct Key {
        const QChar* data;
        qsizetype    size;
        std::string  line; // "<key>…</key>\n"
    };
    std::vector<Key> keys;
};

constexpr qsizetype PieceBytes = qsizetype(1) << 18;

// Called only between lines (WriteKey makes its room first), so that nothing handed over is looked at again.
void GrowOutput(PlistOutput& out, qsizetype need) {
    qsizetype used = out.p ? out.p - out.bytes.data() : 0;
    if (out.sink && used > 0) {
        out.bytes.truncate(used);
        out.sink(std::exchange(out.bytes, QByteArray()));
        used = 0;
    }
    const qsizetype capacity =
        out.sink ? std::max(PieceBytes, need + 4096) : std::max(out.bytes.size() * 2, used + need + 4096);
    out.bytes.resize(capacity);
    out.p = out.bytes.data() + used;
    out.end = out.bytes.data() + capacity;
}

// Room for `need` more bytes at out.p, and a few to spare for the tabs below.
inline char* Room(PlistOutput& out, qsizetype need) {
    if (out.end - out.p < need + 8) GrowOutput(out, need + 8);
    return out.p;
}

template <size_t N> inline char* PutLiteral(char* p, const char (&text)[N]) {
    std::memcpy(p, text, N - 1);
    return p + N - 1;
}

// Most lines are indented by a tab or three: eight are stored at once, which the spare room allows.
inline char* PutTabs(char* p, int level) {
    if (level <= 8)
        std::memcpy(p, "\t\t\t\t\t\t\t\t", 8);
    else
        std::memset(p, '\t', size_t(level));
    return p + level;
}

inline void WriteLine(PlistOutput& out, int level, std::string_view text) {
    char* p = PutTabs(Room(out, level + qsizetype(text.size()) + 1), level);
    std::memcpy(p, text.data(), text.size());
    p += text.size();
    *p++ = '\n';
    out.p = p;
}

// What the writer does with each ASCII code: 0 copies it, 1 leaves it out, 2 writes an escape.
constexpr std::array<uint8_t, 128> AsciiActions = [] {
    std::array<uint8_t, 128> a{};
    for (int c = 0; c < 0x20; ++c) a[c] = 1;
    a['\t'] = a['\n'] = 0;
    a['\r'] = a['&'] = a['<'] = a['>'] = 2;
    return a;
}();

// UTF-16 to escaped UTF-8; never more than five bytes per code unit ("&amp;", "&#13;").
char* PutEscaped(char* p, const QString& text) {
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* e = s + text.size();
    while (s < e) {
#if defined(__SSE2__)
        // Runs of printable ASCII other than &, < and >, the bulk of every note, are narrowed sixteen units
        // at a time. A block is stored whole even when the run ends inside it: the room asked for is five
        // bytes a unit, and the block is sixteen units long.
        while (e - s >= 16) {
            const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
            const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 8));
            // Signed compares: units from 0x8000 up are below 0x20 as well.
            const auto special = [](__m128i v) {
                return _mm_or_si128(_mm_or_si128(_mm_cmplt_epi16(v, _mm_set1_epi16(0x20)),
                                                 _mm_cmpgt_epi16(v, _mm_set1_epi16(0x7E))),
                                    _mm_or_si128(_mm_cmpeq_epi16(v, _mm_set1_epi16('&')),
                                                 _mm_or_si128(_mm_cmpeq_epi16(v, _mm_set1_epi16('<')),
                                                              _mm_cmpeq_epi16(v, _mm_set1_epi16('>')))));
            };
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(lo, hi));
            const unsigned flags = unsigned(_mm_movemask_epi8(_mm_packs_epi16(special(lo), special(hi))));
            const int      run = flags ? std::countr_zero(flags) : 16;
            s += run;
            p += run;
            if (flags) break;
        }
        if (s == e) break;
#endif
        const char16_t c = *s++;
        if (c < 0x80) {
            const uint8_t action = AsciiActions[c];
            if (action == 0) {
                *p++ = char(c);
            } else if (action == 2) {
                switch (c) {
                case '&':
                    p = PutLiteral(p, "&amp;");
                    break;
                case '<':
                    p = PutLiteral(p, "&lt;");
                    break;
                case '>':
                    p = PutLiteral(p, "&gt;");
                    break;
                default:
                    p = PutLiteral(p, "&#13;");
                    break;
                }
            }
        } else if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
        } else if (c < 0xD800 || c > 0xDFFF) {
            if (c >= 0xFFFE) continue; // U+FFFE and U+FFFF are not XML characters
            *p++ = char(0xE0 | (c >> 12));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        } else if (c < 0xDC00 && s < e && *s >= 0xDC00 && *s <= 0xDFFF) {
            const char32_t u = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(*s++) - 0xDC00);
            *p++ = char(0xF0 | (u >> 18));
            *p++ = char(0x80 | ((u >> 12) & 0x3F));
            *p++ = char(0x80 | ((u >> 6) & 0x3F));
            *p++ = char(0x80 | (u & 0x3F));
        }
        // else a lone surrogate: left out
    }
    return p;
}

template <size_t N>
void WriteTextElement(PlistOutput& out, int level, const char (&tag)[N], const QString& text) {
    char* p = PutTabs(Room(out, level + 2 * qsizetype(N) + 4 + text.size() * 5), level);
    *p++ = '<';
    p = PutLiteral(p, tag);
    *p++ = '>';
    p = PutEscaped(p, text);
    *p++ = '<';
    *p++ = '/';
    p = PutLiteral(p, tag);
    *p++ = '>';
    *p++ = '\n';
    out.p = p;
}

constexpr size_t KeysRemembered = 32;

void WriteKey(PlistOutput& out, int level, const QString& key) {
    for (const PlistOutput::Key& k : out.keys) {
        if (k.data == key.constData() && k.size == key.size()) {
            char* p = PutTabs(Room(out, level + qsizetype(k.line.size())), level);
            std::memcpy(p, k.line.data(), k.line.size());
            out.p = p + k.line.size();
            return;
        }
    }
    // The room first, so that the line stays in this buffer and can be copied from it below.
    Room(out, level + 2 * qsizetype(sizeof("key")) + 4 + key.size() * 5);
    const qsizetype start = out.p - out.bytes.constData() + level;
    WriteTextElement(out, level, "key", key);
    if (out.keys.size() < KeysRemembered && !key.isEmpty())
        out.keys.push_back({key.constData(), key.size(),
                            std::string(out.bytes.constData() + start, const_cast<const char*>(out.p))});
}

// Python's repr(): shortest round-trip digits, fixed notation for decimal exponents -4..15, otherwise
// d.ddde+XX; a whole number keeps ".0".
char* PutReal(char* p, double x) {
    if (std::isnan(x)) return PutLiteral(p, "nan");
    if (std::isinf(x)) return x > 0 ? PutLiteral(p, "inf") : PutLiteral(p, "-inf");
    char        sci[32];
    const auto  r = std::to_chars(sci, sci + sizeof sci, x, std::chars_format::scientific);
    const char* s = sci;
    if (*s == '-') *p++ = *s++;
    char digits[20];
    int  count = 0;
    for (; *s != 'e'; ++s)
        if (*s != '.') digits[count++] = *s;
    int exponent = 0;
    std::from_chars(s[1] == '+' ? s + 2 : s + 1, r.ptr, exponent);
    const int point = exponent + 1; // digits before the decimal point
    if (point > -4 && point <= 16) {
        if (point <= 0) {
            p = PutLiteral(p, "0.");
            std::memset(p, '0', size_t(-point));
            p += -point;
            std::memcpy(p, digits, size_t(count));
            p += count;
        } else if (point >= count) {
            std::memcpy(p, digits, size_t(count));
            p += count;
            std::memset(p, '0', size_t(point - count));
            p += point - count;
            p = PutLiteral(p, ".0");
        } else {
            std::memcpy(p, digits, size_t(point));
            p += point;
            *p++ = '.';
            std::memcpy(p, digits + point, size_t(count - point));
            p += count - point;
        }
        return p;
    }
    *p++ = digits[0];
    if (count > 1) {
        *p++ = '.';
        std::memcpy(p, digits + 1, size_t(count - 1));
        p += count - 1;
    }
    const char* e = std::find(sci, r.ptr, 'e');
    std::memcpy(p, e, size_t(r.ptr - e)); // to_chars already gives "e+300", "e-07"
    return p + (r.ptr - e);
}

char* PutDigits(char* p, qint64 value, int width) {
    for (int i = width - 1; i >= 0; --i, value /= 10) p[i] = char('0' + value % 10);
    return p + width;
}

char* PutDate(char* p, double absTime) {
    // Whole seconds rounded down, as Python writes a datetime; out-of-range times are pinned to the
    // first or last writable second, and NaN to the reference date.
    qint64 seconds = 0;
    if (absTime <= double(FirstWritableSecond))
        seconds = FirstWritableSecond;
    else if (absTime >= double(LastWritableSecond))
        seconds = LastWritableSecond;
    else if (!std::isnan(absTime))
        seconds = qint64(std::floor(absTime));
    qint64 days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) rest += 86400, --days;
    const CivilDate d = CivilFromDays(days + ReferenceDay);
    p = PutDigits(p, d.year, 4);
    *p++ = '-';
    p = PutDigits(p, d.month, 2);
    *p++ = '-';
    p = PutDigits(p, d.day, 2);
    *p++ = 'T';
    p = PutDigits(p, rest / 3600, 2);
    *p++ = ':';
    p = PutDigits(p, rest / 60 % 60, 2);
    *p++ = ':';
    p = PutDigits(p, rest % 60, 2);
    *p++ = 'Z';
    return p;
}

constexpr char Base64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

char* PutBase64(char* p, const uchar* s, qsizetype n) {
    for (; n >= 3; n -= 3, s += 3) {
        const uint32_t v = uint32_t(s[0]) << 16 | uint32_t(s[1]) << 8 | s[2];
        *p++ = Base64Alphabet[v >> 18];
        *p++ = Base64Alphabet[(v >> 12) & 63];
        *p++ = Base64Alphabet[(v >> 6) & 63];
        *p++ = Base64Alphabet[v & 63];
    }
    if (n > 0) {
        const uint32_t v = uint32_t(s[0]) << 16 | (n > 1 ? uint32_t(s[1]) << 8 : 0);
        *p++ = Base64Alphabet[v >> 18];
        *p++ = Base64Alphabet[(v >> 12) & 63];
        *p++ = n > 1 ? Base64Alphabet[(v >> 6) & 63] : '=';
        *p++ = '=';
    }
    return p;
}

// Python's layout: <data>, the lines and </data> all at the element's own indentation, each line as long
// as fits in 76 columns when a tab counts eight (but never under 16 characters).
void WriteData(PlistOutput& out, int level, const QByteArray& data) {
    const int       lineLength = std::max(16, 76 - 8 * level);
    const qsizetype chunk = lineLength / 4 * 3;
    const qsizetype lines = (data.size() + chunk - 1) / chunk;
    char*           p = PutTabs(Room(out, (level + 1) * (lines + 2) + 16 + (data.size() + 2) / 3 * 4), level);
    p = PutLiteral(p, "<data>\n");
    const uchar* s = reinterpret_cast<const uchar*>(data.constData());
    for (qsizetype left = data.size(); left > 0; left -= chunk, s += chunk) {
        p = PutTabs(p, level);
        p = PutBase64(p, s, std::min(left, chunk));
        *p++ = '\n';
    }
    p = PutTabs(p, level);
    out.p = PutLiteral(p, "</data>\n");
}

inline bool IsWritable(const Value& value, int depth) {
    return depth <= PropertyListMaxDepth && !std::holds_alternative<std::monostate>(value.v);
}

void WriteValue(PlistOutput& out, const Value& value, int level);

void WriteArray(PlistOutput& out, const RecordArray& array, int level) {
    const bool any =
        std::any_of(array.begin(), array.end(), [level](const Value& v) { return IsWritable(v, level + 2); });
    if (!any) return WriteLine(out, level, "<array/>");
    WriteLine(out, level, "<array>");
    for (const Value& v : array)
        if (IsWritable(v, level + 2)) WriteValue(out, v, level + 1);
    WriteLine(out, level, "</array>");
}

void WriteRecord(PlistOutput& out, const Record& record, int level) {
    const bool any = std::any_of(record.fields.begin(), record.fields.end(),
                                 [level](const RecordField& f) { return IsWritable(f.value, level + 2); });
    if (!any) return WriteLine(out, level, "<dict/>");
    WriteLine(out, level, "<dict>");
    for (const RecordField& f : record.fields) {
        if (!IsWritable(f.value, level + 2)) continue;
        WriteKey(out, level + 1, f.key);
        WriteValue(out, f.value, level + 1);
    }
    WriteLine(out, level, "</dict>");
}

void WriteValue(PlistOutput& out, const Value& value, int level) {
    switch (value.kind()) {
    case ValueKind::None:
        break;
    case ValueKind::Text:
        WriteTextElement(out, level, "string", std::get<QString>(value.v));
        break;
    case ValueKind::Date: {
        char* p = PutTabs(Room(out, level + 64), level);
        p = PutLiteral(p, "<date>");
        p = PutDate(p, std::get<DateValue>(value.v).absTime);
        out.p = PutLiteral(p, "</date>\n");
        break;
    }
    case ValueKind::Integer: {
        char* p = PutTabs(Room(out, level + 64), level);
        p = PutLiteral(p, "<integer>");
        p = std::to_chars(p, p + 24, std::get<qint64>(value.v)).ptr;
        out.p = PutLiteral(p, "</integer>\n");
        break;
    }
    case ValueKind::Real: {
        char* p = PutTabs(Room(out, level + 64), level);
        p = PutLiteral(p, "<real>");
        p = PutReal(p, std::get<double>(value.v));
        out.p = PutLiteral(p, "</real>\n");
        break;
    }
    case ValueKind::Boolean:
        WriteLine(out, level, std::get<bool>(value.v) ? "<true/>" : "<false/>");
        break;
    case ValueKind::Data:
        WriteData(out, level, std::get<QByteArray>(value.v));
        break;
    case ValueKind::Array:
        WriteArray(out, std::get<RecordArray>(value.v), level);
        break;
    case ValueKind::Record:
        WriteRecord(out, std::get<Record>(value.v), level);
        break;
    }
}

// A rough size of the output, so that a typical file is written without regrowing the buffer.
qsizetype EstimateSize(const Value& value, int level) {
    switch (value.kind()) {
    case ValueKind::Text:
        return level + 18 + std::get<QString>(value.v).size() * 11 / 10;
    case ValueKind::Data:
        return 3 * level + 20 + std::get<QByteArray>(value.v).size() * 14 / 10;
    case ValueKind::Array: {
        qsizetype          n = 2 * level + 18;
        const RecordArray& array = std::get<RecordArray>(value.v);
        if (level >= PropertyListMaxDepth) return n;
        // A long array is sized from an even sample with some to spare: looking at every element would cost
        // a tenth of the writing, and a short guess only costs one regrowth.
        constexpr size_t Sample = 512;
        if (array.size() <= 4 * Sample) {
            for (const Value& v : array) n += EstimateSize(v, level + 1);
            return n;
        }
        qsizetype sampled = 0;
        for (size_t i = 0; i < Sample; ++i)
            sampled += EstimateSize(array[i * array.size() / Sample], level + 1);
        return n + sampled * qsizetype(array.size()) / qsizetype(Sample) * 9 / 8;
    }
    case ValueKind::Record: {
        qsizetype n = 2 * level + 16;
        if (level < PropertyListMaxDepth)
            for (const RecordField& f : std::get<Record>(value.v).fields)
                n += level + 13 + f.key.size() + EstimateSize(f.value, level + 1);
        return n;
    }
    default:
        return level + 48;
    }
}

// The lines before the root, as every writer has them; the quick reader looks for the same two.
constexpr std::string_view XmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
constexpr std::string_view PlistDoctype = "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                          "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">";
constexpr qsizetype        HeaderSize = qsizetype(XmlDeclaration.size() + PlistDoctype.size()) + 24;

inline void WriteRoot(PlistOutput& out, const Value& root) {
    if (IsWritable(root, 1)) WriteValue(out, root, 0);
}
// An array of records is written as the root without being copied into a Value first.
inline void WriteRoot(PlistOutput& out, const RecordArray& root) {
    WriteArray(out, root, 0);
}

template <class Root> void WriteDocument(PlistOutput& out, const Root& root) {
    WriteLine(out, 0, XmlDeclaration);
    WriteLine(out, 0, PlistDoctype);
    WriteLine(out, 0, "<plist version=\"1.0\">");
    WriteRoot(out, root);
    WriteLine(out, 0, "</plist>");
    out.bytes.truncate(out.p - out.bytes.constData());
}

// ---------------------------------------------------------------------------------------------------------
// Reader
// ---------------------------------------------------------------------------------------------------------

enum class Tag : uint8_t { Plist, Dict, Array, Key, String, Integer, Real, True, False, Date, Data, Unknown };

// The element names, in the order of Tag.
constexpr std::string_view TagNames[] = {"plist", "dict", "array", "key",  "string", "integer",
                                         "real",  "true", "false", "date", "data"};

Tag TagNamed(std::string_view name) {
    for (size_t i = 0; i < std::size(TagNames); ++i)
        if (name == TagNames[i]) return Tag(i);
    return Tag::Unknown;
}

Tag TagOf(const char* name) {
    return TagNamed(name);
}

inline bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsBlank(std::string_view s) {
    return std::all_of(s.begin(), s.end(), IsXmlSpace);
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsXmlSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsXmlSpace(s.back())) s.remove_suffix(1);
    return s;
}

inline bool IsXmlChar(char32_t c) {
    return c >= 0x20 ? (c < 0xD800 || (c >= 0xE000 && c < 0xFFFE) || (c >= 0x10000 && c <= 0x10FFFF))
                     : (c == '\t' || c == '\n' || c == '\r');
}

struct KeyCacheEntry {
    std::string bytes;
    QString     text;
};

struct PlistReader {
    std::string_view           source; // the caller's bytes, for line numbers in messages
    QString                    error;
    std::string                scratch;     // the pieces of a scalar joined and its references resolved
    std::vector<KeyCacheEntry> keys;        // dictionary keys seen so far, shared rather than decoded again
    size_t                     nextKey = 0; // where the key after the last one found usually is
    // The first pass leaves out whitespace-only text beside other nodes, which only matters inside a text
    // element that holds comments, CDATA or processing instructions; meeting one asks for an exact pass.
    bool                        exactWhitespace = false;
    bool                        retryExact = false;
    const std::vector<QString>* sharedKeys = nullptr;
};

constexpr size_t KeyCacheSize = 32;

int LineOf(const PlistReader& r, ptrdiff_t offset) {
    offset = std::clamp<ptrdiff_t>(offset, 0, ptrdiff_t(r.source.size()));
    return int(std::count(r.source.data(), r.source.data() + offset, '\n')) + 1;
}

bool Fail(PlistReader& r, pugi::xml_node node, const QString& why) {
    r.error = QStringLiteral("line %1: %2").arg(LineOf(r, node.offset_debug())).arg(why);
    return false;
}

QString Quoted(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(std::min<size_t>(s.size(), 40)));
}

constexpr char32_t BadReference = 0xFFFFFFFF;

// The character that the reference at the start of `s` (just after its '&') stands for, with `s` moved past
// the ';'; BadReference when it is malformed or unknown, with the error set.
char32_t ResolveReference(PlistReader& r, pugi::xml_node node, std::string_view& s) {
    const size_t semi = s.substr(0, 12).find(';');
    if (semi == std::string_view::npos || semi == 0) {
        Fail(r, node, QStringLiteral("stray '&' before \"%1\"").arg(Quoted(s)));
        return BadReference;
    }
    const std::string_view name = s.substr(0, semi);
    s.remove_prefix(semi + 1);
    if (name == "amp") return '&';
    if (name == "lt") return '<';
    if (name == "gt") return '>';
    if (name == "quot") return '"';
    if (name == "apos") return '\'';
    if (name[0] != '#') {
        Fail(r, node, QStringLiteral("unknown entity &%1;").arg(Quoted(name)));
        return BadReference;
    }
    const bool  hex = name.size() > 1 && name[1] == 'x';
    const char* first = name.data() + (hex ? 2 : 1);
    const char* last = name.data() + name.size();
    uint32_t    code = 0;
    const auto  res = std::from_chars(first, last, code, hex ? 16 : 10);
    if (first == last || *first == '+' || *first == '-' || res.ec != std::errc() || res.ptr != last ||
        code > 0x10FFFF) {
        Fail(r, node, QStringLiteral("bad character reference &%1;").arg(Quoted(name)));
        return BadReference;
    }
    return code;
}

inline char16_t* PutUtf16(char16_t* out, char32_t c) {
    if (c < 0x10000) {
        *out++ = char16_t(c);
    } else {
        *out++ = char16_t(0xD7C0 + (c >> 10));
        *out++ = char16_t(0xDC00 | (c & 0x3FF));
    }
    return out;
}

// UTF-8 to UTF-16 in one pass, never more units than bytes: references resolved when `references` (not in
// CDATA), characters that XML cannot hold dropped as on writing, malformed UTF-8 turned into U+FFFD. Returns
// the end of the output, or null after a bad reference.
char16_t* DecodeText(PlistReader& r, pugi::xml_node node, std::string_view text, char16_t* out,
                     bool references) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        // Runs of printable ASCII other than '&', the bulk of every note, are widened a block at a time. A
        // block is stored whole even when it ends early: output never runs ahead of input, so it fits.
#if defined(__SSE2__)
        while (end - p >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(v, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(v, zero));
            // A signed compare puts bytes from 0x80 up below 0x20 as well.
            const unsigned special = unsigned(_mm_movemask_epi8(
                _mm_or_si128(_mm_cmplt_epi8(v, _mm_set1_epi8(0x20)), _mm_cmpeq_epi8(v, _mm_set1_epi8('&')))));
            const int      run = special ? std::countr_zero(special) : 16;
            p += run;
            out += run;
            if (special) break;
        }
#else
        constexpr uint64_t Ones = 0x0101010101010101ull, Highs = 0x8080808080808080ull;
        while (end - p >= 8) {
            uint64_t v;
            std::memcpy(&v, p, 8);
            const uint64_t amp = v ^ (Ones * '&');
            const uint64_t special =
                (v & Highs) | ((v - Ones * 0x20) & ~v & Highs) | ((amp - Ones) & ~amp & Highs);
            const int run = special ? std::countr_zero(special) / 8 : 8; // the first flag is always true
            for (int i = 0; i < run; ++i) out[i] = char16_t(uchar(p[i]));
            p += run;
            out += run;
            if (special) break;
        }
#endif
        if (p == end) break;
        const uchar c = uchar(*p++);
        if (c < 0x80) {
            if (c == '&' && references) {
                if (end - p >= 4 && std::memcmp(p, "#13;", 4) == 0) { // how every line break is written
                    *out++ = '\r';
                    p += 4;
                    continue;
                }
                text = std::string_view(p, size_t(end - p));
                const char32_t resolved = ResolveReference(r, node, text);
                if (resolved == BadReference) return nullptr;
                p = text.data();
                if (IsXmlChar(resolved)) out = PutUtf16(out, resolved);
            } else if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') {
                *out++ = c;
            }
            continue;
        }
        const int length = c >= 0xF8 ? 0 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
        char32_t  code = c & (0x7F >> length);
        bool      valid = length > 0 && end - p >= length - 1;
        for (int i = 0; valid && i < length - 1; ++i) {
            valid = (uchar(p[i]) & 0xC0) == 0x80;
            code = code << 6 | (uchar(p[i]) & 0x3F);
        }
        constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (!valid || code < Smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
            *out++ = 0xFFFD; // one replacement for the lead byte; what follows is read afresh
            continue;
        }
        p += length - 1;
        if (code < 0xFFFE || code > 0xFFFF) out = PutUtf16(out, code);
    }
    return out;
}

// The text of <string> or <key>: its text and CDATA pieces, decoded into one QString.
bool ReadText(PlistReader& r, pugi::xml_node element, QString* out) {
    const char*    value = element.value();
    pugi::xml_node child = element.first_child();
    if (child && !r.exactWhitespace) {
        r.retryExact = true;
        return false;
    }
    const std::string_view first(value, std::strlen(value));
    size_t                 total = first.size();
    for (pugi::xml_node c = child; c; c = c.next_sibling()) {
        const pugi::xml_node_type type = c.type();
        if (type == pugi::node_pcdata || type == pugi::node_cdata)
            total += std::strlen(c.value());
        else if (type != pugi::node_comment && type != pugi::node_pi)
            return Fail(r, c, QStringLiteral("<%1> inside <%2>").arg(c.name(), element.name()));
    }
    QString   text(qsizetype(total), Qt::Uninitialized);
    char16_t* begin = reinterpret_cast<char16_t*>(text.data());
    char16_t* end = DecodeText(r, element, first, begin, true);
    for (pugi::xml_node c = child; c && end; c = c.next_sibling()) {
        const pugi::xml_node_type type = c.type();
        if (type == pugi::node_pcdata || type == pugi::node_cdata)
            end = DecodeText(r, element, c.value(), end, type == pugi::node_pcdata);
    }
    if (!end) return false;
    text.resize(end - begin);
    *out = std::move(text);
    return true;
}

// Keys repeat in every record, so each distinct key text is decoded once and then shared: the text of a key
// whose bytes were seen before.
bool CachedKey(PlistReader& r, std::string_view bytes, QString* out) {
    // Records mostly repeat the same keys in the same order, so the search starts after the last key found.
    for (size_t i = 0, n = r.keys.size(); i < n; ++i) {
        const size_t at = r.nextKey + i < n ? r.nextKey + i : r.nextKey + i - n;
        if (r.keys[at].bytes == bytes) {
            *out = r.keys[at].text;
            r.nextKey = at + 1 < n ? at + 1 : 0;
            return true;
        }
    }
    return false;
}

// A key decoded afresh becomes the shared string it equals, and is remembered for the next record.
void RememberKey(PlistReader& r, std::string_view bytes, QString* key) {
    if (r.sharedKeys)
        for (const QString& shared : *r.sharedKeys)
            if (shared == *key) *key = shared;
    if (r.keys.size() < KeyCacheSize) r.keys.push_back({std::string(bytes), *key});
}

bool ReadKey(PlistReader& r, pugi::xml_node element, QString* out) {
    if (element.first_child()) return ReadText(r, element, out);
    const char*            value = element.value();
    const std::string_view bytes(value, std::strlen(value));
    if (CachedKey(r, bytes, out)) return true;
    if (!ReadText(r, element, out)) return false;
    RememberKey(r, bytes, out);
    return true;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

bool AppendResolved(PlistReader& r, pugi::xml_node node, std::string_view s) {
    while (!s.empty()) {
        const size_t amp = s.find('&');
        r.scratch.append(s.substr(0, amp));
        if (amp == std::string_view::npos) break;
        s.remove_prefix(amp + 1);
        const char32_t resolved = ResolveReference(r, node, s);
        if (resolved == BadReference) return false;
        if (IsXmlChar(resolved)) AppendUtf8(r.scratch, resolved);
    }
    return true;
}

// The character data of a number, date or data element with surrounding whitespace cut off. It points into
// the parse buffer, or into r.scratch when there were pieces to join or references to resolve.
bool ScalarText(PlistReader& r, pugi::xml_node element, std::string_view* text) {
    const char*          value = element.value();
    const size_t         length = std::strlen(value);
    const pugi::xml_node child = element.first_child();
    if (!child && !std::memchr(value, '&', length)) {
        *text = Trimmed(std::string_view(value, length));
        return true;
    }
    if (child && !r.exactWhitespace) {
        r.retryExact = true;
        return false;
    }
    r.scratch.clear();
    if (!AppendResolved(r, element, std::string_view(value, length))) return false;
    for (pugi::xml_node c = child; c; c = c.next_sibling()) {
        const pugi::xml_node_type type = c.type();
        if (type == pugi::node_pcdata) {
            if (!AppendResolved(r, element, c.value())) return false;
        } else if (type == pugi::node_cdata) {
            r.scratch.append(c.value());
        } else if (type != pugi::node_comment && type != pugi::node_pi) {
            return Fail(r, c, QStringLiteral("<%1> inside <%2>").arg(c.name(), element.name()));
        }
    }
    *text = Trimmed(r.scratch);
    return true;
}

bool ParseInteger(std::string_view s, qint64* out) {
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        uint64_t   u = 0;
        const auto r = std::from_chars(s.data() + 2, s.data() + s.size(), u, 16);
        if (r.ec != std::errc() || r.ptr != s.data() + s.size() || u > uint64_t(INT64_MAX)) return false;
        *out = qint64(u);
        return true;
    }
    if (!s.empty() && s[0] == '+') {
        s.remove_prefix(1);
        if (s.empty() || s[0] == '-') return false;
    }
    const auto r = std::from_chars(s.data(), s.data() + s.size(), *out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool ParseReal(std::string_view s, double* out) {
    if (!s.empty() && s[0] == '+') {
        s.remove_prefix(1);
        if (!s.empty() && s[0] == '-') return false;
    }
    if (s.empty() || s[0] == '+' || s.size() > 1024) return false;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), *out);
    if (r.ptr != s.data() + s.size()) return false;
    if (r.ec == std::errc()) return true;
    if (r.ec != std::errc::result_out_of_range) return false;
    // Too large or too small for a double: Python reads infinity or zero, and so does strtod.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const std::string     text(s);
    *out = strtod_l(text.c_str(), nullptr, cLocale);
    return true;
}

bool ParseDigits(std::string_view s, size_t at, size_t count, unsigned* out) {
    if (at + count > s.size()) return false;
    unsigned v = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + unsigned(s[i] - '0');
    }
    *out = v;
    return true;
}

// YYYY-MM-DDTHH:MM:SSZ, or with the time cut short after the day, hour or minute as Python's reader allows.
bool ParseDate(std::string_view s, double* absTime) {
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!ParseDigits(s, 0, 4, &year) || s.size() < 11 || s[4] != '-' || !ParseDigits(s, 5, 2, &month) ||
        s[7] != '-' || !ParseDigits(s, 8, 2, &day))
        return false;
    size_t at = 10;
    if (s[at] == 'T') {
        if (!ParseDigits(s, at + 1, 2, &hour)) return false;
        at += 3;
        if (at < s.size() && s[at] == ':') {
            if (!ParseDigits(s, at + 1, 2, &minute)) return false;
            at += 3;
            if (at < s.size() && s[at] == ':') {
                if (!ParseDigits(s, at + 1, 2, &second)) return false;
                at += 3;
            }
        }
    }
    if (at + 1 != s.size() || s[at] != 'Z') return false;
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59)
        return false;
    const qint64 days = DaysFromCivil(year, month, day) - ReferenceDay;
    *absTime = double(days * 86400 + hour * 3600 + minute * 60 + second);
    return true;
}

constexpr std::array<int8_t, 256> Base64Values = [] {
    std::array<int8_t, 256> v{};
    v.fill(-1);
    for (int i = 0; i < 64; ++i) v[uchar(Base64Alphabet[i])] = int8_t(i);
    v[' '] = v['\t'] = v['\n'] = v['\r'] = -2;
    v['='] = -3;
    return v;
}();

// Base64 with whitespace anywhere; padding may be left off but, when present, must complete the last group.
bool ParseData(std::string_view s, QByteArray* out) {
    QByteArray bytes(qsizetype(s.size() / 4 * 3 + 3), Qt::Uninitialized);
    uchar*     p = reinterpret_cast<uchar*>(bytes.data());
    uint32_t   group = 0;
    int        symbols = 0, padding = 0;
    for (const char c : s) {
        const int v = Base64Values[uchar(c)];
        if (v >= 0) {
            if (padding) return false;
            group = group << 6 | uint32_t(v);
            if (++symbols % 4 == 0) {
                *p++ = uchar(group >> 16);
                *p++ = uchar(group >> 8);
                *p++ = uchar(group);
            }
        } else if (v == -3) {
            ++padding;
        } else if (v == -1) {
            return false;
        }
    }
    const int tail = symbols % 4;
    if (tail == 1 || (padding && (tail < 2 || tail + padding != 4))) return false;
    if (tail >= 2) *p++ = uchar(group >> (tail == 2 ? 4 : 10));
    if (tail == 3) *p++ = uchar(group >> 2);
    bytes.truncate(p - reinterpret_cast<uchar*>(bytes.data()));
    *out = std::move(bytes);
    return true;
}

// Only whitespace may stand between the elements of a container.
bool CheckContainerText(PlistReader& r, pugi::xml_node element) {
    if (!IsBlank(element.value()))
        return Fail(r, element, QStringLiteral("text inside <%1>").arg(element.name()));
    return true;
}

// Comments, processing instructions and whitespace may stand between the elements of a container.
bool CheckChildText(PlistReader& r, pugi::xml_node parent, pugi::xml_node child, pugi::xml_node_type type) {
    if (type == pugi::node_element || type == pugi::node_comment || type == pugi::node_pi) return true;
    if ((type == pugi::node_pcdata || type == pugi::node_cdata) && IsBlank(child.value())) return true;
    return Fail(r, child, QStringLiteral("text inside <%1>").arg(parent.name()));
}

// The value slot for `key` among the fields read so far. Like Python's reader, a repeated key takes the later
// value; it keeps the first one's place. Large dictionaries find duplicate keys through `index`, filled on
// first need; small ones by looking along.
Value& FieldFor(QList<RecordField>& fields, QHash<QString, size_t>& index, QString& key) {
    constexpr size_t LinearLimit = 16;
    const size_t     size = size_t(fields.size());
    size_t           at = size;
    if (size <= LinearLimit) {
        for (size_t i = 0; i < size; ++i)
            if (fields[qsizetype(i)].key == key) at = i;
    } else {
        if (index.isEmpty())
            for (size_t i = 0; i < size; ++i) index.insert(fields[qsizetype(i)].key, i);
        at = index.value(key, size);
        if (at == size) index.insert(key, at);
    }
    if (at == size) fields.emplace_back().key = std::move(key);
    return fields[qsizetype(at)].value;
}

bool ReadValue(PlistReader& r, pugi::xml_node element, Tag tag, int depth, Value* out);

bool ReadArray(PlistReader& r, pugi::xml_node element, int depth, RecordArray* out) {
    if (!CheckContainerText(r, element)) return false;
    size_t count = 0;
    for (pugi::xml_node c = element.first_child(); c; c = c.next_sibling())
        count += c.type() == pugi::node_element;
    out->reserve(count);
    for (pugi::xml_node c = element.first_child(); c; c = c.next_sibling()) {
        const pugi::xml_node_type type = c.type();
        if (type != pugi::node_element) {
            if (!CheckChildText(r, element, c, type)) return false;
            continue;
        }
        if (!ReadValue(r, c, TagOf(c.name()), depth + 1, &out->emplace_back())) return false;
    }
    return true;
}

bool ReadDict(PlistReader& r, pugi::xml_node element, int depth, Record* out) {
    if (!CheckContainerText(r, element)) return false;
    size_t count = 0;
    for (pugi::xml_node c = element.first_child(); c; c = c.next_sibling())
        count += c.type() == pugi::node_element;
    QList<RecordField>& fields = out->fields;
    fields.reserve(qsizetype(count / 2));
    QHash<QString, size_t> index;
    pugi::xml_node         keyElement;
    QString                key;
    for (pugi::xml_node c = element.first_child(); c; c = c.next_sibling()) {
        const pugi::xml_node_type type = c.type();
        if (type != pugi::node_element) {
            if (!CheckChildText(r, element, c, type)) return false;
            continue;
        }
        const Tag tag = TagOf(c.name());
        if (tag == Tag::Key) {
            if (keyElement) return Fail(r, keyElement, QStringLiteral("<key> without a value"));
            if (!ReadKey(r, c, &key)) return false;
            keyElement = c;
            continue;
        }
        if (!keyElement) return Fail(r, c, QStringLiteral("<%1> without a <key>").arg(c.name()));
        keyElement = pugi::xml_node();
        if (!ReadValue(r, c, tag, depth + 1, &FieldFor(fields, index, key))) return false;
    }
    if (keyElement) return Fail(r, keyElement, QStringLiteral("<key> without a value"));
    return true;
}

bool ReadValue(PlistReader& r, pugi::xml_node element, Tag tag, int depth, Value* out) {
    if (depth > PropertyListMaxDepth)
        return Fail(r, element, QStringLiteral("nested deeper than %1 levels").arg(PropertyListMaxDepth));
    std::string_view text;
    switch (tag) {
    case Tag::String: {
        QString s;
        if (!ReadText(r, element, &s)) return false;
        out->v = std::move(s);
        return true;
    }
    case Tag::Integer: {
        qint64 i = 0;
        if (!ScalarText(r, element, &text)) return false;
        if (!ParseInteger(text, &i))
            return Fail(r, element, QStringLiteral("bad integer \"%1\"").arg(Quoted(text)));
        out->v = i;
        return true;
    }
    case Tag::Real: {
        double d = 0;
        if (!ScalarText(r, element, &text)) return false;
        if (!ParseReal(text, &d))
            return Fail(r, element, QStringLiteral("bad real \"%1\"").arg(Quoted(text)));
        out->v = d;
        return true;
    }
    case Tag::Date: {
        double t = 0;
        if (!ScalarText(r, element, &text)) return false;
        if (!ParseDate(text, &t))
            return Fail(r, element, QStringLiteral("bad date \"%1\"").arg(Quoted(text)));
        out->v = DateValue{t};
        return true;
    }
    case Tag::Data: {
        QByteArray bytes;
        if (!ScalarText(r, element, &text)) return false;
        if (!ParseData(text, &bytes)) return Fail(r, element, QStringLiteral("bad base64 in <data>"));
        out->v = std::move(bytes);
        return true;
    }
    case Tag::True:
    case Tag::False: {
        if (!ScalarText(r, element, &text)) return false;
        if (!text.empty()) return Fail(r, element, QStringLiteral("text inside <%1>").arg(element.name()));
        out->v = element.name()[0] == 't';
        return true;
    }
    case Tag::Array:
        return ReadArray(r, element, depth, &out->v.emplace<RecordArray>());
    case Tag::Dict:
        return ReadDict(r, element, depth, &out->v.emplace<Record>());
    case Tag::Key:
        return Fail(r, element, QStringLiteral("<key> outside a <dict>"));
    case Tag::Plist:
        return Fail(r, element, QStringLiteral("<plist> inside a value"));
    case Tag::Unknown:
        break;
    }
    return Fail(r, element, QStringLiteral("unknown element <%1>").arg(element.name()));
}

bool ReadDocument(PlistReader& r, const pugi::xml_document& doc, Value* root) {
    pugi::xml_node plist;
    for (pugi::xml_node c = doc.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element) {
            if (plist) return Fail(r, c, QStringLiteral("a second root element <%1>").arg(c.name()));
            plist = c;
        } else if (c.type() != pugi::node_comment && c.type() != pugi::node_pi && !IsBlank(c.value())) {
            return Fail(r, c, QStringLiteral("text outside the root element"));
        }
    }
    if (!plist) return Fail(r, plist, QStringLiteral("no root element"));
    if (TagOf(plist.name()) != Tag::Plist)
        return Fail(r, plist, QStringLiteral("the root element is <%1>, not <plist>").arg(plist.name()));
    if (!CheckContainerText(r, plist)) return false;
    pugi::xml_node value;
    for (pugi::xml_node c = plist.first_child(); c; c = c.next_sibling()) {
        const pugi::xml_node_type type = c.type();
        if (type != pugi::node_element) {
            if (!CheckChildText(r, plist, c, type)) return false;
            continue;
        }
        if (value) return Fail(r, c, QStringLiteral("more than one value inside <plist>"));
        value = c;
    }
    if (!value) { // an empty <plist>: what the writer makes of an empty root
        *root = Value();
        return true;
    }
    return ReadValue(r, value, TagOf(value.name()), 1, root);
}

// ---------------------------------------------------------------------------------------------------------
// Quick reader for the plain form that our writer, Apple's and Python's produce: it walks the bytes without
// building a tree. Anything else (comments, CDATA, attributes, odd spacing inside tags, a reference in a
// number, any error) makes it decline, and the full reader above then decides, with its messages. What it
// accepts, the full reader accepts too, with the same value.
// ---------------------------------------------------------------------------------------------------------

struct PlainReader {
    PlistReader& r; // for its key cache and shared keys
    const char*  p;
    const char*  end;
    qsizetype    lastFieldCount = 0; // records mostly have as many fields as the one before
};

inline void SkipSpace(PlainReader& pr) {
    while (pr.p < pr.end && IsXmlSpace(*pr.p)) ++pr.p;
}

inline bool SkipLiteral(PlainReader& pr, std::string_view literal) {
    if (size_t(pr.end - pr.p) < literal.size() || std::memcmp(pr.p, literal.data(), literal.size()) != 0)
        return false;
    pr.p += literal.size();
    return true;
}

inline bool SkipEndTag(PlainReader& pr, Tag tag) {
    const std::string_view name = TagNames[int(tag)];
    if (size_t(pr.end - pr.p) < name.size() + 3 || pr.p[0] != '<' || pr.p[1] != '/' ||
        std::memcmp(pr.p + 2, name.data(), name.size()) != 0 || pr.p[name.size() + 2] != '>')
        return false;
    pr.p += name.size() + 3;
    return true;
}

// The start tag at pr.p, "<name>" or "<name/>", with pr.p moved past it and *empty telling which; Unknown
// for anything else.
Tag PlainStartTag(PlainReader& pr, bool* empty) {
    if (pr.p == pr.end || pr.p[0] != '<') return Tag::Unknown;
    const char* name = pr.p + 1;
    const char* after = name;
    while (after < pr.end && *after >= 'a' && *after <= 'z') ++after;
    const Tag tag = TagNamed(std::string_view(name, size_t(after - name)));
    if (tag == Tag::Unknown || pr.end - after < 2) return Tag::Unknown;
    *empty = after[0] == '/';
    if (after[*empty] != '>') return Tag::Unknown;
    pr.p = after + 1 + *empty;
    return tag;
}

// The raw text up to the next '<', which must begin the end tag of `tag`; pr.p moves past that end tag.
bool PlainText(PlainReader& pr, Tag tag, std::string_view* text) {
    const char* lt = static_cast<const char*>(std::memchr(pr.p, '<', size_t(pr.end - pr.p)));
    if (!lt) return false;
    *text = std::string_view(pr.p, size_t(lt - pr.p));
    pr.p = lt;
    return SkipEndTag(pr, tag);
}

bool PlainString(PlainReader& pr, std::string_view bytes, QString* out) {
    QString   text(qsizetype(bytes.size()), Qt::Uninitialized);
    char16_t* begin = reinterpret_cast<char16_t*>(text.data());
    char16_t* end = DecodeText(pr.r, pugi::xml_node(), bytes, begin, true);
    if (!end) return false;
    text.resize(end - begin);
    *out = std::move(text);
    return true;
}

// The trimmed text of a number, date, data or boolean element. A reference in it is left to the full
// reader: it never comes from a writer.
bool PlainScalar(PlainReader& pr, Tag tag, bool empty, std::string_view* text) {
    if (empty) return true;
    if (!PlainText(pr, tag, text) || std::memchr(text->data(), '&', text->size())) return false;
    *text = Trimmed(*text);
    return true;
}

bool PlainValue(PlainReader& pr, Tag tag, bool empty, int depth, Value* out);

bool PlainDict(PlainReader& pr, bool empty, int depth, Record* out) {
    if (empty) return true;
    QList<RecordField>& fields = out->fields;
    fields.reserve(pr.lastFieldCount);
    QHash<QString, size_t> index;
    QString                key;
    for (;;) {
        SkipSpace(pr);
        if (SkipEndTag(pr, Tag::Dict)) break;
        bool             keyEmpty = false, valueEmpty = false;
        std::string_view bytes;
        if (PlainStartTag(pr, &keyEmpty) != Tag::Key || (!keyEmpty && !PlainText(pr, Tag::Key, &bytes)))
            return false;
        if (!CachedKey(pr.r, bytes, &key)) {
            if (!PlainString(pr, bytes, &key)) return false;
            RememberKey(pr.r, bytes, &key);
        }
        SkipSpace(pr);
        const Tag tag = PlainStartTag(pr, &valueEmpty);
        if (!PlainValue(pr, tag, valueEmpty, depth + 1, &FieldFor(fields, index, key))) return false;
    }
    pr.lastFieldCount = fields.size();
    return true;
}

bool PlainValue(PlainReader& pr, Tag tag, bool empty, int depth, Value* out) {
    if (depth > PropertyListMaxDepth) return false;
    std::string_view text;
    switch (tag) {
    case Tag::String: {
        QString s;
        if ((!empty && !PlainText(pr, tag, &text)) || !PlainString(pr, text, &s)) return false;
        out->v = std::move(s);
        return true;
    }
    case Tag::Integer: {
        qint64 i = 0;
        if (!PlainScalar(pr, tag, empty, &text) || !ParseInteger(text, &i)) return false;
        out->v = i;
        return true;
    }
    case Tag::Real: {
        double d = 0;
        if (!PlainScalar(pr, tag, empty, &text) || !ParseReal(text, &d)) return false;
        out->v = d;
        return true;
    }
    case Tag::Date: {
        double t = 0;
        if (!PlainScalar(pr, tag, empty, &text) || !ParseDate(text, &t)) return false;
        out->v = DateValue{t};
        return true;
    }
    case Tag::Data: {
        QByteArray bytes;
        if (!PlainScalar(pr, tag, empty, &text) || !ParseData(text, &bytes)) return false;
        out->v = std::move(bytes);
        return true;
    }
    case Tag::True:
    case Tag::False:
        if (!PlainScalar(pr, tag, empty, &text) || !text.empty()) return false;
        out->v = tag == Tag::True;
        return true;
    case Tag::Array: {
        RecordArray& array = out->v.emplace<RecordArray>();
        if (empty) return true;
        for (;;) {
            SkipSpace(pr);
            if (SkipEndTag(pr, Tag::Array)) return true;
            bool      itemEmpty = false;
            const Tag item = PlainStartTag(pr, &itemEmpty);
            if (!PlainValue(pr, item, itemEmpty, depth + 1, &array.emplace_back())) return false;
        }
    }
    case Tag::Dict:
        return PlainDict(pr, empty, depth, &out->v.emplace<Record>());
    default:
        return false;
    }
}

// The whole plain file into *root (when given); false, with *root untouched, when it is not plain.
bool ReadPlain(std::string_view bytes, Value* root, const std::vector<QString>* sharedKeys) {
    PlistReader r{bytes, {}, {}, {}};
    r.sharedKeys = sharedKeys;
    PlainReader pr{r, bytes.data(), bytes.data() + bytes.size()};
    // Without the declaration the file must open with <plist itself: anything before it could name another
    // encoding.
    if (SkipLiteral(pr, XmlDeclaration)) {
        SkipSpace(pr);
        if (SkipLiteral(pr, PlistDoctype)) SkipSpace(pr);
    }
    if (!SkipLiteral(pr, "<plist")) return false;
    SkipLiteral(pr, " version=\"1.0\"");
    const bool empty = SkipLiteral(pr, "/>");
    if (!empty && !SkipLiteral(pr, ">")) return false;
    Value value;
    if (!empty) {
        SkipSpace(pr);
        if (!SkipEndTag(pr, Tag::Plist)) {
            bool      valueEmpty = false;
            const Tag tag = PlainStartTag(pr, &valueEmpty);
            if (!PlainValue(pr, tag, valueEmpty, 1, &value)) return false;
            SkipSpace(pr);
            if (!SkipEndTag(pr, Tag::Plist)) return false;
        }
    }
    SkipSpace(pr);
    if (pr.p != pr.end) return false;
    if (root) *root = std::move(value);
    return true;
}

bool LooksWide(const QByteArray& bytes) {
    const auto b = [&bytes](int i) { return i < bytes.size() ? uchar(bytes[i]) : 0xFF; };
    return (b(0) == 0xFE && b(1) == 0xFF) || (b(0) == 0xFF && b(1) == 0xFE) || b(0) == 0 || b(1) == 0;
}

// One pass of pugixml over a buffer it may write into.
bool ParseInPlace(PlistReader& r, char* buffer, size_t size, bool exact, Value* root) {
    // Raw carriage returns must reach the text as they stand and entities are resolved here, so pugixml's
    // end-of-line and escape handling stay off. Fragment mode keeps text outside the root element, so that
    // junk there can be refused.
    constexpr unsigned Flags = pugi::parse_cdata | pugi::parse_comments | pugi::parse_pi |
                               pugi::parse_embed_pcdata | pugi::parse_fragment;
    pugi::xml_document           doc;
    const pugi::xml_parse_result parsed = doc.load_buffer_inplace(
        buffer, size, Flags | (exact ? pugi::parse_ws_pcdata : pugi::parse_ws_pcdata_single),
        pugi::encoding_auto);
    if (!parsed) {
        r.error = QStringLiteral("line %1: not well-formed XML: %2")
                      .arg(LineOf(r, parsed.offset))
                      .arg(QString::fromUtf8(parsed.description()));
        return false;
    }
    r.exactWhitespace = exact;
    r.retryExact = false;
    return ReadDocument(r, doc, root);
}

bool ReadBuffer(PlistReader& r, const QByteArray& bytes, Value* root) {
    for (const bool exact : {false, true}) {
        // pugixml parses in place and writes into the buffer, so each pass gets its own copy.
        std::unique_ptr<char[]> buffer(new char[size_t(bytes.size())]);
        std::memcpy(buffer.get(), bytes.constData(), size_t(bytes.size()));
        if (ParseInPlace(r, buffer.get(), size_t(bytes.size()), exact, root)) return true;
        if (!r.retryExact) return false;
        *root = Value();
    }
    return false;
}

// A regular file read straight into the buffer the parser works in, with no copy kept: the way every
// well-formed file is read. False when that cannot tell (a short read, a NUL byte, a file that needs the
// exact pass or has an error to report), and then the file is read again the careful way, which keeps the
// bytes as they were for the messages.
bool ReadFileInPlace(int fd, size_t size, Value* root, const std::vector<QString>* sharedKeys) {
    if (size == 0) return false;
    std::unique_ptr<char[]> buffer(new char[size]);
    for (size_t done = 0; done < size;) {
        const ssize_t n = ::read(fd, buffer.get() + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    char extra;
    if (::read(fd, &extra, 1) != 0) return false; // it grew meanwhile
    if (std::memchr(buffer.get(), 0, size)) return false;
    if (ReadPlain(std::string_view(buffer.get(), size), root, sharedKeys)) return true;
    PlistReader r{std::string_view(buffer.get(), size), {}, {}, {}};
    r.sharedKeys = sharedKeys;
    Value result;
    if (!ParseInPlace(r, buffer.get(), size, false, &result)) return false;
    if (root) *root = std::move(result);
    return true;
}

} // namespace

QByteArray WritePropertyList(const Value& root) {
    PlistOutput out;
    GrowOutput(out, HeaderSize + (IsWritable(root, 1) ? EstimateSize(root, 0) : 0));
    WriteDocument(out, root);
    return std::move(out.bytes);
}

namespace {

bool Failed(const QString& path, int code, QString* error) {
    if (error) *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(code)));
    return false;
}

// A new file beside the target that is synced and renamed over it once whole, and removed unless it was.
// A link at the path is written through: the link stays and its target is replaced, keeping its mode.
// Done by hand rather than through QSaveFile, which reports a full disk as "Unknown error": every failure
// keeps the system's own reason.
class ReplacementFile {
  public:
    explicit ReplacementFile(const QString& path) {
        QString target = path;
        if (const QFileInfo info(path); info.isSymLink()) target = info.symLinkTarget();
        name_ = QFile::encodeName(target);
    }
    ~ReplacementFile() {
        if (fd_ >= 0) {
            ::close(fd_);
            ::unlink(temporary_.constData());
        }
    }
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    const QByteArray& target() const { return name_; }
    bool              isOpen() const { return fd_ >= 0; }
    int               failure() const { return failure_; }

    bool open() {
        struct stat old = {};
        const bool  existed = ::stat(name_.constData(), &old) == 0;
        for (int attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
            temporary_ = name_ + ".new-" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
            fd_ = ::open(temporary_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno != EEXIST) return fail(errno);
        }
        if (fd_ < 0) return fail(EEXIST);
        if (existed && ::fchmod(fd_, old.st_mode & 07777) != 0) return fail(errno);
        return true;
    }

    bool write(const QByteArray& bytes) {
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return fail(n < 0 ? errno : ENOSPC);
            done += n;
        }
        return true;
    }

    // On the disk, then in place of the target.
    bool commit() {
        if (::fsync(fd_) != 0) return fail(errno);
        const int closed = ::close(fd_);
        fd_ = -1;
        if (closed == 0 && ::rename(temporary_.constData(), name_.constData()) == 0) return true;
        const int code = errno;
        ::unlink(temporary_.constData());
        return fail(code);
    }

  private:
    bool fail(int code) {
        failure_ = code;
        return false;
    }

    QByteArray name_, temporary_;
    int        fd_ = -1;
    int        failure_ = 0;
};

// Reads up to bytes.size() bytes, fewer only at the end of the file or on an error.
qsizetype ReadFully(int fd, QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

// On a thread of its own, takes the pieces of the new file in order and compares them with the file on the
// disk. Pieces equal to the old file's beginning are held; from the first difference on, those held and
// every later piece are written to the replacement. The old file is only read.
class PieceWriter {
  public:
    enum class Outcome { Unchanged, Written, Failed };

    explicit PieceWriter(ReplacementFile& file) : file_(file), thread_([this] { run(); }) {}
    ~PieceWriter() {
        if (thread_.joinable()) finish();
    }

    void add(QByteArray&& piece) {
        {
            const std::lock_guard lock(mutex_);
            queue_.push_back(std::move(piece));
        }
        ready_.notify_one();
    }

    // After the last piece: waits until every piece has been dealt with.
    Outcome finish() {
        {
            const std::lock_guard lock(mutex_);
            finished_ = true;
        }
        ready_.notify_one();
        thread_.join();
        return outcome_;
    }

  private:
    void run() {
        const int   old = ::open(file_.target().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        struct stat status = {};
        // Only a regular file is read: a pipe or a device at the path is replaced, never waited on.
        bool                    same = old >= 0 && ::fstat(old, &status) == 0 && S_ISREG(status.st_mode);
        bool                    failed = false;
        std::vector<QByteArray> held;
        QByteArray              onDisk;
        const auto              put = [&](QByteArray&& piece) {
            held.push_back(std::move(piece));
            if (same || failed) return;
            if (!file_.isOpen() && !file_.open()) failed = true;
            for (const QByteArray& h : held)
                if (!failed && !file_.write(h)) failed = true;
            held.clear(); // written, or no longer wanted after a failure
        };
        for (;;) {
            QByteArray piece;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [this] { return !queue_.empty() || finished_; });
                if (queue_.empty()) break;
                piece = std::move(queue_.front());
                queue_.pop_front();
            }
            if (same) {
                onDisk.resize(piece.size());
                same = ReadFully(old, onDisk) == piece.size() &&
                       std::memcmp(onDisk.constData(), piece.constData(), size_t(piece.size())) == 0;
            }
            put(std::move(piece));
        }
        if (same) {
            QByteArray extra(1, '\0');
            same = ReadFully(old, extra) == 0; // and the old file is no longer
        }
        if (old >= 0) ::close(old);
        put(QByteArray());
        outcome_ = failed ? Outcome::Failed : same ? Outcome::Unchanged : Outcome::Written;
    }

    ReplacementFile&        file_;
    std::mutex              mutex_;
    std::condition_variable ready_;
    std::deque<QByteArray>  queue_;
    bool                    finished_ = false;
    Outcome                 outcome_ = Outcome::Failed;
    std::thread             thread_; // last: started once everything above is there
};

template <class Root>
bool StreamPropertyListFile(const QString& path, const Root& root, QString* error, bool* replaced,
                            const std::function<void()>& beforeReplace) {
    if (replaced) *replaced = false;
    ReplacementFile file(path);
    PieceWriter     writer(file);
    PlistOutput     out;
    out.sink = [&writer](QByteArray&& piece) { writer.add(std::move(piece)); };
    GrowOutput(out, 0);
    WriteDocument(out, root);
    writer.add(std::move(out.bytes));
    switch (writer.finish()) {
    case PieceWriter::Outcome::Unchanged:
        return true;
    case PieceWriter::Outcome::Failed:
        return Failed(path, file.failure(), error);
    case PieceWriter::Outcome::Written:
        break;
    }
    if (beforeReplace) beforeReplace();
    if (!file.commit()) return Failed(path, file.failure(), error);
    if (replaced) *replaced = true;
    return true;
}

} // namespace

bool WriteBytesAtomically(const QByteArray& bytes, const QString& path, QString* error) {
    ReplacementFile file(path);
    return (file.open() && file.write(bytes) && file.commit()) || Failed(path, file.failure(), error);
}

bool WritePropertyListFile(const QString& path, const Value& root, QString* error, bool* replaced,
                           const std::function<void()>& beforeReplace) {
    return StreamPropertyListFile(path, root, error, replaced, beforeReplace);
}

bool WritePropertyListFile(const QString& path, const RecordArray& root, QString* error, bool* replaced,
                           const std::function<void()>& beforeReplace) {
    return StreamPropertyListFile(path, root, error, replaced, beforeReplace);
}

namespace {

bool ReadFromBytes(const QByteArray& bytes, Value* root, QString* error,
                   const std::vector<QString>* sharedKeys, bool quick) {
    PlistReader r{std::string_view(bytes.constData(), size_t(bytes.size())), {}, {}, {}};
    r.sharedKeys = sharedKeys;
    Value result;
    bool  ok = false;
    if (bytes.isEmpty()) {
        r.error = QStringLiteral("empty file");
    } else if (bytes.size() > PropertyListMaxBytes) {
        r.error = QStringLiteral("%1 bytes is too large for a property list").arg(bytes.size());
    } else if (const char* nul =
                   static_cast<const char*>(std::memchr(bytes.constData(), 0, size_t(bytes.size())));
               nul && !LooksWide(bytes)) {
        r.error = QStringLiteral("line %1: NUL byte").arg(LineOf(r, nul - bytes.constData()));
    } else {
        ok = (quick && !nul && ReadPlain(r.source, &result, sharedKeys)) || ReadBuffer(r, bytes, &result);
    }
    if (!ok) {
        if (error) *error = r.error;
        return false;
    }
    if (root) *root = std::move(result);
    if (error) error->clear();
    return true;
}

} // namespace

bool ReadPropertyList(const QByteArray& bytes, Value* root, QString* error,
                      const std::vector<QString>* sharedKeys) {
    return ReadFromBytes(bytes, root, error, sharedKeys, true);
}

bool ReadFullPropertyList(const QByteArray& bytes, Value* root, QString* error,
                          const std::vector<QString>* sharedKeys) {
    return ReadFromBytes(bytes, root, error, sharedKeys, false);
}

bool ReadPlainPropertyList(const QByteArray& bytes, Value* root, const std::vector<QString>* sharedKeys) {
    return !bytes.isEmpty() && bytes.size() <= PropertyListMaxBytes &&
           !std::memchr(bytes.constData(), 0, size_t(bytes.size())) &&
           ReadPlain(std::string_view(bytes.constData(), size_t(bytes.size())), root, sharedKeys);
}

bool ReadPropertyListFile(const QString& path, Value* root, QString* error,
                          const std::vector<QString>* sharedKeys) {
    // Opened without waiting and looked at before reading: a pipe at the path would block the open until
    // someone writes to it, and a device or a folder is no property list.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        if (error) *error = QStringLiteral("%1: not a regular file").arg(path);
        return false;
    }
    if (status.st_size > 0 && status.st_size <= PropertyListMaxBytes &&
        ReadFileInPlace(fd, size_t(status.st_size), root, sharedKeys)) {
        ::close(fd);
        if (error) error->clear();
        return true;
    }
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        ::close(fd);
        return false;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (error) *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.size() > PropertyListMaxBytes) {
        if (error)
            *error =
                QStringLiteral("%1: %2 bytes is too large for a property list").arg(path).arg(file.size());
        return false;
    }
    QByteArray bytes;
    if (file.isSequential()) { // a pipe or a device has no size to check: read no further than the limit
        for (QByteArray chunk;
             bytes.size() <= PropertyListMaxBytes && !(chunk = file.read(1 << 20)).isEmpty();)
            bytes += chunk;
    } else {
        bytes = file.readAll();
    }
    if (file.error() != QFileDevice::NoError) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    if (ReadPropertyList(bytes, root, error, sharedKeys)) return true;
    if (error) *error = QStringLiteral("%1: %2").arg(path, *error);
    return false;
}
