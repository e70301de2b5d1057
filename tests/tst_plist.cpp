// The property-list reader and writer: round trips, Python's plistlib reading our files and writing files
// for us, files from elsewhere, and malformed input that must be refused without harm.
#include "bench/daynote_fixture.h"
#include "core/plist.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <bit>
#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(Value)

namespace {

// Values as the tagged JSON that tests/plist_interop.py speaks; also a readable form for failure messages.
QJsonValue Tagged(const Value& value) {
    const auto tag = [](const char* kind, const QJsonValue& payload) {
        return QJsonArray{QString::fromLatin1(kind), payload};
    };
    switch (value.kind()) {
    case ValueKind::None:
        return tag("none", QJsonValue());
    case ValueKind::Text:
        return tag("string", std::get<QString>(value.v));
    case ValueKind::Date:
        return tag("date", std::get<DateValue>(value.v).absTime);
    case ValueKind::Integer:
        return tag("int", QString::number(std::get<qint64>(value.v)));
    case ValueKind::Real:
        return tag("real", QString::number(std::bit_cast<qint64>(std::get<double>(value.v))));
    case ValueKind::Boolean:
        return tag("bool", std::get<bool>(value.v));
    case ValueKind::Data:
        return tag("data", QString::fromLatin1(std::get<QByteArray>(value.v).toBase64()));
    case ValueKind::Array: {
        QJsonArray items;
        for (const Value& v : std::get<RecordArray>(value.v)) items.append(Tagged(v));
        return tag("array", items);
    }
    case ValueKind::Record: {
        QJsonArray fields;
        for (const RecordField& f : std::get<Record>(value.v).fields)
            fields.append(QJsonArray{f.key, Tagged(f.value)});
        return tag("dict", fields);
    }
    }
    return {};
}

Value FromTagged(const QJsonValue& tagged) {
    const QString    kind = tagged[0].toString();
    const QJsonValue payload = tagged[1];
    if (kind == "string") return Value(payload.toString());
    if (kind == "date") return Value(DateValue{payload.toDouble()});
    if (kind == "int") return Value(payload.toString().toLongLong());
    if (kind == "real") return Value(std::bit_cast<double>(payload.toString().toLongLong()));
    if (kind == "bool") return Value(payload.toBool());
    if (kind == "data") return Value(QByteArray::fromBase64(payload.toString().toLatin1()));
    if (kind == "array") {
        RecordArray items;
        for (const QJsonValue& v : payload.toArray()) items.push_back(FromTagged(v));
        return Value(std::move(items));
    }
    if (kind == "dict") {
        Record r;
        for (const QJsonValue& f : payload.toArray()) r.fields.push_back({f[0].toString(), FromTagged(f[1])});
        return Value(std::move(r));
    }
    return Value();
}

// Compares by the tagged form, so that reals compare bit for bit (NaN included) and failures print readably.
QByteArray Dump(const Value& value) {
    return QJsonDocument(QJsonArray{Tagged(value)}).toJson(QJsonDocument::Compact);
}

Value Read(const QByteArray& bytes) {
    Value   root;
    QString error;
    if (!ReadPropertyList(bytes, &root, &error)) qWarning("read failed: %s", qPrintable(error));
    return root;
}

QByteArray Document(const QByteArray& body) {
    return "<plist version=\"1.0\">\n" + body + "</plist>\n";
}

QByteArray Body(const QByteArray& document) {
    return document.mid(document.indexOf("<plist version=\"1.0\">\n") + 22).chopped(9);
}

Record Fields(std::initializer_list<RecordField> fields) {
    return Record{std::vector<RecordField>(fields)};
}

QString Text(const char16_t* s) {
    return QString::fromUtf16(s);
}

Value Nested(int depth, Value innermost) {
    for (int i = 1; i < depth; ++i) innermost = Value(RecordArray{std::move(innermost)});
    return innermost;
}

// Every value type, keys out of alphabetical order, data at many indentations, reals of all shapes.
Value InteropSample(bool carriageReturns) {
    RecordArray notes = MakeSyntheticDaynotes(30, 11);
    if (!carriageReturns) // Python's writer turns every CR into LF
        for (Value& note : notes)
            for (RecordField& f : ValueRecord(note)->fields)
                if (auto* text = std::get_if<QString>(&f.value.v)) text->replace(u'\r', u'\n');
    RecordArray reals{0.1,
                      -0.0,
                      1e300,
                      5e-324,
                      1e16,
                      1e15,
                      0.0001,
                      1e-5,
                      123456789.125,
                      1.0 / 3,
                      -2.5e-300,
                      std::numeric_limits<double>::infinity(),
                      -std::numeric_limits<double>::infinity(),
                      std::numeric_limits<double>::quiet_NaN()};
    for (uint64_t bits = 0x9E3779B97F4A7C15ull, i = 0; i < 200;
         ++i, bits = bits * 6364136223846793005ull + 1) {
        const double d = std::bit_cast<double>(bits);
        if (std::isfinite(d)) reals.push_back(d);
    }
    RecordArray data;
    for (int n : {0, 1, 2, 3, 24, 1000}) {
        QByteArray bytes(n, Qt::Uninitialized);
        for (int i = 0; i < n; ++i) bytes[i] = char(i * 37 + n);
        data.push_back(Value(bytes));
    }
    Record extras = Fields(
        {{"ZUnknownFirst", Value(Text(u"kept <&> ]]> é € 😀 𝄞"))},
         {"Integers", Value(RecordArray{0, -1, qint64(1) << 53 | 1, std::numeric_limits<qint64>::max(),
                                        std::numeric_limits<qint64>::min()})},
         {"Reals", Value(reals)},
         {"Booleans", Value(RecordArray{true, false})},
         {"Dates", Value(RecordArray{DateValue{0}, DateValue{-1e9}, DateValue{-3e10}, DateValue{2.5e11}})},
         {"Data", Value(data)},
         {"Deep data", Nested(9, Value(QByteArray(100, 'z')))},
         {"Empty", Value(RecordArray{RecordArray{}, Record{}, QString(), Text(u" \t\n ")})},
         {"AKeyAfterZ", Value(Fields({{"b", 2}, {"a", 1}}))}});
    notes.insert(notes.begin(), Value(std::move(extras)));
    return Value(std::move(notes));
}

QString InteropScript() {
    return QFINDTESTDATA("plist_interop.py");
}

void RunInterop(const QString& command, const QString& source, const QString& target) {
    QProcess python;
    python.start("python3", {InteropScript(), command, source, target});
    QVERIFY2(python.waitForFinished(60000), "python3 did not finish");
    QVERIFY2(python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0,
             python.readAllStandardError().constData());
}

QByteArray Slurp(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Spit(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

} // namespace

class TestPlist : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

  private slots:
    void roundTrip_data();
    void roundTrip();
    void unwritableCharactersDropped_data();
    void unwritableCharactersDropped();
    void writtenForm_data();
    void writtenForm();
    void datesAgreeWithQDateTime();
    void plistlibWritesTheSameBytes();
    void plistlibReadsOurFiles();
    void plistlibFilesReadBack();
    void acceptedForms_data();
    void acceptedForms();
    void rawCarriageReturnsKept();
    void malformedRefused_data();
    void malformedRefused();
    void everyTruncationRefused();
    void fileErrors();
};

void TestPlist::roundTrip_data() {
    QTest::addColumn<Value>("value");
    constexpr double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("markup") << Value(Text(u"a < b && c > d"));
    QTest::newRow("CDATA end") << Value(Text(u"x]]>y]]"));
    QTest::newRow("entity-like text") << Value(Text(u"&amp; &#13; &lt;"));
    QTest::newRow("non-BMP") << Value(Text(u"😀🎂 𝄞 é€"));
    QTest::newRow("CR") << Value(Text(u"one\rtwo\rthree"));
    QTest::newRow("CRLF") << Value(Text(u"one\r\ntwo"));
    QTest::newRow("lone CR at end") << Value(Text(u"end\r"));
    QTest::newRow("tab and LF") << Value(Text(u"\tindented\nnext\n"));
    QTest::newRow("empty string") << Value(QString());
    QTest::newRow("only spaces") << Value(Text(u"   "));
    QTest::newRow("BOM character") << Value(Text(u"\uFEFFx\uFFFD"));
    QTest::newRow("zero") << Value(0);
    QTest::newRow("int64 max") << Value(std::numeric_limits<qint64>::max());
    QTest::newRow("int64 min") << Value(std::numeric_limits<qint64>::min());
    QTest::newRow("2^53+1") << Value((qint64(1) << 53) + 1);
    QTest::newRow("0.1") << Value(0.1);
    QTest::newRow("1e300") << Value(1e300);
    QTest::newRow("negative zero") << Value(-0.0);
    QTest::newRow("smallest denormal") << Value(5e-324);
    QTest::newRow("largest double") << Value(std::numeric_limits<double>::max());
    QTest::newRow("one third") << Value(1.0 / 3);
    QTest::newRow("infinities") << Value(RecordArray{inf, -inf});
    QTest::newRow("NaN") << Value(std::numeric_limits<double>::quiet_NaN());
    QTest::newRow("booleans") << Value(RecordArray{true, false});
    QTest::newRow("reference date") << Value(DateValue{0});
    QTest::newRow("before 2001") << Value(DateValue{-1e9});
    QTest::newRow("before 1900") << Value(DateValue{-4e9});
    QTest::newRow("year 1") << Value(DateValue{-63113904000.0});
    QTest::newRow("far future") << Value(DateValue{2.5e11});
    QTest::newRow("last second of 9999") << Value(DateValue{252423993599.0});
    for (int n : {0, 1, 2, 3, 24, 1000}) {
        QByteArray bytes(n, Qt::Uninitialized);
        for (int i = 0; i < n; ++i) bytes[i] = char(i * 7 + 3);
        QTest::addRow("data %d bytes", n) << Value(bytes);
    }
    QTest::newRow("empty array") << Value(RecordArray{});
    QTest::newRow("empty dict") << Value(Record{});
    QTest::newRow("nested") << Value(
        Fields({{"z", RecordArray{RecordArray{1, Record{}}, Fields({{"y", true}})}}, {"a", RecordArray{}}}));
    QTest::newRow("daynotes") << Value(MakeSyntheticDaynotes(50, 1));
    QTest::newRow("deepest nesting") << Nested(PropertyListMaxDepth, Value(1));
}

void TestPlist::roundTrip() {
    QFETCH(Value, value);
    const QByteArray written = WritePropertyList(value);
    const Value      read = Read(written);
    QCOMPARE(Dump(read), Dump(value));
    QCOMPARE(WritePropertyList(read), written);
}

void TestPlist::unwritableCharactersDropped_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("C0 controls") << Text(u"a\x01\x02\x08z\x0B\x0C\x0E\x1F") << Text(u"az");
    QTest::newRow("NUL") << QString(QChar(0)) + "x" << Text(u"x");
    QTest::newRow("U+FFFE and U+FFFF") << Text(u"a\uFFFEb\uFFFF") << Text(u"ab");
    QTest::newRow("lone high surrogate") << QString(QChar(0xD83D)) + "x" << Text(u"x");
    QTest::newRow("lone low surrogate") << "x" + QString(QChar(0xDE00)) + "y" << Text(u"xy");
    QTest::newRow("high surrogate at end") << "x" + QString(QChar(0xD83D)) << Text(u"x");
    QTest::newRow("reversed pair") << QString(QChar(0xDE00)) + QChar(0xD83D) << QString();
}

void TestPlist::unwritableCharactersDropped() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const Value read = Read(WritePropertyList(Value(Fields({{text, text}}))));
    QCOMPARE(Dump(read), Dump(Value(Fields({{expected, expected}}))));
}

void TestPlist::writtenForm_data() {
    QTest::addColumn<Value>("value");
    QTest::addColumn<QByteArray>("body");
    const auto dateLine = [](const char* text) { return "<date>" + QByteArray(text) + "</date>\n"; };
    QTest::newRow("CR as reference") << Value(Text(u"a\rb\r"))
                                     << QByteArray("<string>a&#13;b&#13;</string>\n");
    QTest::newRow("escapes") << Value(Text(u"<a&b>]]>"))
                             << QByteArray("<string>&lt;a&amp;b&gt;]]&gt;</string>\n");
    QTest::newRow("monostate root") << Value() << QByteArray();
    QTest::newRow("monostate in array")
        << Value(RecordArray{Value(), 1}) << QByteArray("<array>\n\t<integer>1</integer>\n</array>\n");
    QTest::newRow("only monostate") << Value(RecordArray{Value()}) << QByteArray("<array/>\n");
    QTest::newRow("monostate field") << Value(Fields({{"a", Value()}, {"b", true}}))
                                     << QByteArray("<dict>\n\t<key>b</key>\n\t<true/>\n</dict>\n");
    QTest::newRow("too deep left out")
        << Nested(PropertyListMaxDepth + 1, Value(1))
        << Body(WritePropertyList(Nested(PropertyListMaxDepth, RecordArray{})));
    QTest::newRow("date rounded down") << Value(DateValue{-0.5}) << dateLine("2000-12-31T23:59:59Z");
    QTest::newRow("date before year 1") << Value(DateValue{-1e12}) << dateLine("0001-01-01T00:00:00Z");
    QTest::newRow("date after 9999") << Value(DateValue{1e12}) << dateLine("9999-12-31T23:59:59Z");
    QTest::newRow("NaN date") << Value(DateValue{std::nan("")}) << dateLine("2001-01-01T00:00:00Z");
}

void TestPlist::writtenForm() {
    QFETCH(Value, value);
    QFETCH(QByteArray, body);
    QCOMPARE(
        WritePropertyList(value),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n" +
            Document(body));
}

void TestPlist::datesAgreeWithQDateTime() {
    const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    RecordArray     dates;
    QStringList     expected;
    uint64_t        x = 12345;
    for (int i = 0; i < 3000; ++i, x = x * 6364136223846793005ull + 1442695040888963407ull) {
        const qint64 seconds = -63113904000ll + qint64(x % 315537897599ull); // years 1 to 9999
        dates.push_back(DateValue{double(seconds)});
        expected << reference.addSecs(seconds).toString(Qt::ISODate);
    }
    const QByteArray written = WritePropertyList(Value(dates));
    QStringList      actual;
    for (qsizetype at = 0; (at = written.indexOf("<date>", at)) >= 0; at += 6)
        actual << QString::fromLatin1(written.mid(at + 6, 20));
    QCOMPARE(actual, expected);
    QCOMPARE(Dump(Read(written)), Dump(Value(dates)));
}

void TestPlist::plistlibWritesTheSameBytes() {
    const QString ours = dir.filePath("ours.plist"), theirs = dir.filePath("theirs.plist");
    Spit(ours, WritePropertyList(InteropSample(false)));
    RunInterop("redump", ours, theirs);
    QCOMPARE(Slurp(theirs), Slurp(ours));
}

void TestPlist::plistlibReadsOurFiles() {
    Value sample = InteropSample(true);
    auto& extras = ValueRecord(std::get<RecordArray>(sample.v)[0])->fields;
    extras.push_back({"Controls", Value(Text(u"a\x01\x1F\uFFFEb\r\n"))});
    const QString ours = dir.filePath("ours-cr.plist"), json = dir.filePath("ours-cr.json");
    Spit(ours, WritePropertyList(sample));
    RunInterop("describe", ours, json);
    extras.back().value = Value(Text(u"ab\r\n")); // what any reader must see
    QCOMPARE(Dump(FromTagged(QJsonDocument::fromJson(Slurp(json)).array())), Dump(sample));
}

void TestPlist::plistlibFilesReadBack() {
    const Value   sample = InteropSample(false);
    const QString json = dir.filePath("theirs.json"), theirs = dir.filePath("theirs-built.plist");
    Spit(json, QJsonDocument(Tagged(sample).toArray()).toJson());
    RunInterop("build", json, theirs);
    Value   read;
    QString error;
    QVERIFY2(ReadPropertyListFile(theirs, &read, &error), qPrintable(error));
    QCOMPARE(Dump(read), Dump(sample));
}

void TestPlist::acceptedForms_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Value>("expected");
    constexpr double inf = std::numeric_limits<double>::infinity();
    const auto       array = [](const QByteArray& items) { return Document("<array>" + items + "</array>"); };
    QTest::newRow("bare plist") << QByteArray("<plist><string>x</string></plist>") << Value(Text(u"x"));
    QTest::newRow("UTF-8 BOM") << "\xEF\xBB\xBF" + Document("<true/>") << Value(true);
    QTest::newRow("UTF-16 with BOM")
        << QByteArray("\xFF\xFE", 2) +
               QByteArray(reinterpret_cast<const char*>(u"<plist><string>é😀</string></plist>"), 70)
        << Value(Text(u"é😀"));
    QTest::newRow("empty plist") << QByteArray("<plist version=\"1.0\"/>") << Value();
    QTest::newRow("comments and PIs")
        << Document("<!-- c --><dict><?pi x?><key>k</key><!--x--><integer>1</integer></dict>")
        << Value(Fields({{"k", 1}}));
    QTest::newRow("CDATA") << Document("<string>a<![CDATA[<&]]>b</string>") << Value(Text(u"a<&b"));
    QTest::newRow("space around CDATA")
        << Document("<string> <![CDATA[x]]> </string>") << Value(Text(u" x "));
    QTest::newRow("comment in text") << Document("<string>a <!--c--> b</string>") << Value(Text(u"a  b"));
    QTest::newRow("entities") << Document("<string>&lt;&gt;&amp;&quot;&apos;</string>")
                              << Value(Text(u"<>&\"'"));
    QTest::newRow("character references")
        << Document("<string>&#13;&#x41;&#233;&#x1F600;&#1;&#xFFFF;</string>") << Value(Text(u"\rAé😀"));
    QTest::newRow("raw CR kept") << Document("<string>a\rb\r\nc\r</string>") << Value(Text(u"a\rb\r\nc\r"));
    QTest::newRow("raw controls dropped")
        << Document("<string>a\x01\x1F\xEF\xBF\xBE</string>") << Value(Text(u"a"));
    QTest::newRow("malformed UTF-8")
        << Document("<string>a\xFF\xC3(\xC0\x80\xED\xA0\x80\xF8\x88\x80\x80</string>")
        << Value(QString(u'a') + QString(2, QChar(0xFFFD)) + QString(u'(') + QString(9, QChar(0xFFFD)));
    QTest::newRow("whitespace text") << Document("<string> \t\n</string>") << Value(Text(u" \t\n"));
    QTest::newRow("self-closing string") << Document("<string/>") << Value(QString());
    QTest::newRow("data with whitespace")
        << Document("<data>\n\tQU\n JD\r\n</data>") << Value(QByteArray("ABC"));
    QTest::newRow("data unpadded") << Document("<data>QQ</data>") << Value(QByteArray("A"));
    QTest::newRow("empty data") << Document("<data></data>") << Value(QByteArray());
    QTest::newRow("integer forms")
        << array("<integer> +5 </integer><integer>-0</integer><integer>0X1f</integer>"
                 "<integer>0x7fffffffffffffff</integer>")
        << Value(RecordArray{5, 0, 31, std::numeric_limits<qint64>::max()});
    QTest::newRow("real forms") << array("<real>1E3</real><real> 2.5 </real><real>+1.5</real><real>.5</real>"
                                         "<real>-inf</real><real>+infinity</real><real>1e400</real>"
                                         "<real>-1e-400</real><real>NaN</real>")
                                << Value(RecordArray{1000.0, 2.5, 1.5, 0.5, -inf, inf, inf, -0.0,
                                                     std::numeric_limits<double>::quiet_NaN()});
    QTest::newRow("short dates") << array("<date>2001-01-02Z</date><date>2001-01-01T01Z</date>"
                                          "<date>2001-01-01T00:01Z</date><date>2000-02-29T00:00:00Z</date>")
                                 << Value(RecordArray{DateValue{86400}, DateValue{3600}, DateValue{60},
                                                      DateValue{-307 * 86400.0}});
    QTest::newRow("attributes ignored") << Document("<dict a=\"b\"/>") << Value(Record{});
    QTest::newRow("CRLF between elements")
        << QByteArray("<plist>\r\n<dict>\r\n\t<key>a</key>\r\n\t<false/>\r\n"
                      "</dict>\r\n</plist>\r\n")
        << Value(Fields({{"a", false}}));
    QTest::newRow("duplicate keys") << Document("<dict><key>a</key><integer>1</integer><key>b</key><true/>"
                                                "<key>a</key><integer>3</integer></dict>")
                                    << Value(Fields({{"a", 3}, {"b", true}}));
    QByteArray many;
    Record     manyExpected;
    for (int i = 0; i < 60; ++i) {
        many += QByteArray("<key>k%1</key><integer>%2</integer>")
                    .replace("%1", QByteArray::number(i % 40))
                    .replace("%2", QByteArray::number(i));
        if (i < 40) manyExpected.fields.push_back({QString("k%1").arg(i), i + (i < 20 ? 40 : 0)});
    }
    QTest::newRow("duplicates in a large dict")
        << Document("<dict>" + many + "</dict>") << Value(manyExpected);
}

void TestPlist::acceptedForms() {
    QFETCH(QByteArray, bytes);
    QFETCH(Value, expected);
    Value   read(Text(u"sentinel"));
    QString error;
    QVERIFY2(ReadPropertyList(bytes, &read, &error), qPrintable(error));
    QCOMPARE(Dump(read), Dump(expected));
}

void TestPlist::rawCarriageReturnsKept() {
    // As written by a writer that leaves CR raw: every CR must reach the daynote text unchanged.
    const QString path = dir.filePath("elsewhere.plist");
    Spit(path,
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" +
             Document("<dict>\n\t<key>NoteDataKey</key>\n\t<string>line 1\rline 2\r\nline 3\r\r</string>\n"
                      "\t<key>Other\rKey</key>\n\t<string>\r</string>\n</dict>\n"));
    Value   read;
    QString error;
    QVERIFY2(ReadPropertyListFile(path, &read, &error), qPrintable(error));
    QCOMPARE(Dump(read), Dump(Value(Fields({{NoteDataKey, Text(u"line 1\rline 2\r\nline 3\r\r")},
                                            {Text(u"Other\rKey"), Text(u"\r")}}))));
}

void TestPlist::malformedRefused_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    const auto one = [](const char* element) { return Document(element); };
    QTest::newRow("empty file") << QByteArray() << "empty";
    QTest::newRow("whitespace only") << QByteArray(" \n") << "no root";
    QTest::newRow("plain text") << QByteArray("hello") << "outside the root";
    QTest::newRow("NUL byte") << Document(QByteArray("<string>a\0b</string>", 20)) << "NUL";
    QTest::newRow("mismatched tags") << one("<dict></array>") << "not well-formed";
    QTest::newRow("unclosed CDATA") << one("<string><![CDATA[x</string>") << "not well-formed";
    QTest::newRow("wrong root") << QByteArray("<html><string>x</string></html>") << "not <plist>";
    QTest::newRow("two roots") << Document("<true/>") + "<plist/>"
                               << "second root";
    QTest::newRow("junk after root") << Document("<true/>") + "junk"
                                     << "outside the root";
    QTest::newRow("two values") << one("<true/><false/>") << "more than one";
    QTest::newRow("key at root") << one("<key>a</key>") << "outside a <dict>";
    QTest::newRow("key in array") << one("<array><key>a</key></array>") << "outside a <dict>";
    QTest::newRow("key without value") << one("<dict><key>a</key></dict>") << "without a value";
    QTest::newRow("two keys") << one("<dict><key>a</key><key>b</key><true/></dict>") << "without a value";
    QTest::newRow("value without key") << one("<dict><string>x</string></dict>") << "without a <key>";
    QTest::newRow("unknown element") << one("<dict><key>a</key><foo/></dict>") << "unknown element";
    QTest::newRow("nested plist") << one("<array><plist/></array>") << "inside a value";
    QTest::newRow("element in string") << one("<string>a<b/></string>") << "inside <string>";
    QTest::newRow("element in key") << one("<dict><key><true/></key><true/></dict>") << "inside <key>";
    QTest::newRow("text in dict") << one("<dict>x<key>a</key><true/></dict>") << "text inside <dict>";
    QTest::newRow("text in array") << one("<array><true/>x</array>") << "text inside <array>";
    QTest::newRow("text in true") << one("<true>x</true>") << "text inside <true>";
    for (const char* b64 : {"QQ=x", "Q", "!!!!", "QQ==QQ==", "QQ=", "====", "QUJD=", "QQ=\n=x"})
        QTest::addRow("base64 %s", b64) << Document("<data>" + QByteArray(b64) + "</data>") << "base64";
    for (const char* date :
         {"2001-13-01T00:00:00Z", "2001-02-29T00:00:00Z", "2001-04-31T00:00:00Z", "2001-01-01T24:00:00Z",
          "2001-01-01T00:60:00Z", "2001-01-01T00:00:60Z", "2001-01-01T00:00:00", "2001-01-01T00:00:00.5Z",
          "0000-01-01T00:00:00Z", "2001Z", "2001-01Z", "01-01-01T00:00:00Z", "2001-01-01T00:00:00Zjunk", ""})
        QTest::addRow("date \"%s\"", date) << Document("<date>" + QByteArray(date) + "</date>") << "bad date";
    for (const char* integer : {"", "12a", "9223372036854775808", "-9223372036854775809",
                                "0x8000000000000000", "0x", "-0x1", "1.5", "+-1", "--1", "1 2", "-"})
        QTest::addRow("integer \"%s\"", integer)
            << Document("<integer>" + QByteArray(integer) + "</integer>") << "bad integer";
    for (const char* real : {"", "abc", "1.5.5", "0x1p3", "++1", "+-1", "1e"})
        QTest::addRow("real \"%s\"", real) << Document("<real>" + QByteArray(real) + "</real>") << "bad real";
    for (const char* text : {"&foo;", "& x", "&amp", "&#;", "&#x;", "&#x110000;", "&#-1;", "&#99999999999;"})
        QTest::addRow("reference %s", text) << Document("<string>" + QByteArray(text) + "</string>") << "&";
    QByteArray laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [\n<!ENTITY lol0 \"lol\">\n";
    for (int i = 1; i < 10; ++i)
        laughs += QString("<!ENTITY lol%1 \"%2\">\n")
                      .arg(i)
                      .arg(QString("&lol%1;").arg(i - 1).repeated(10))
                      .toLatin1();
    QTest::newRow("billion laughs") << laughs + "]>\n" + one("<string>&lol9;</string>") << "unknown entity";
    QTest::newRow("one level too deep") << WritePropertyList(Nested(PropertyListMaxDepth, Value(1)))
                                               .replace("<integer>1</integer>", "<array><true/></array>")
                                        << "deeper than";
    QTest::newRow("100000 levels") << Document(QByteArray("<array>").repeated(100000) +
                                               QByteArray("</array>").repeated(100000))
                                   << "deeper than";
    uint32_t x = 99;
    for (int row = 0; row < 5; ++row) {
        QByteArray junk(4096, Qt::Uninitialized);
        for (char& c : junk) c = char(std::max(1u, (x = x * 1664525u + 1013904223u) >> 24)); // no NUL
        QTest::addRow("binary junk %d", row) << (row % 2 ? Document(junk) : junk) << "";
    }
}

void TestPlist::malformedRefused() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    Value   root(Text(u"untouched"));
    QString error;
    QVERIFY(!ReadPropertyList(bytes, &root, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(Dump(root), Dump(Value(Text(u"untouched"))));
}

void TestPlist::everyTruncationRefused() {
    RecordArray sample = MakeSyntheticDaynotes(4, 3);
    sample.push_back(
        Fields({{"all", RecordArray{1, 2.5, true, DateValue{}, QByteArray(30, 'd'), RecordArray{}}}}));
    const QByteArray whole = WritePropertyList(Value(sample));
    Value            root;
    // Only the final newline missing: the document is still whole.
    QVERIFY(ReadPropertyList(whole.chopped(1), &root, nullptr));
    for (qsizetype cut = 0; cut < whole.size() - 1; ++cut) {
        QString error;
        if (ReadPropertyList(whole.left(cut), &root, &error))
            QFAIL(qPrintable(QString("accepted at %1").arg(cut)));
        QVERIFY(!error.isEmpty());
    }
}

void TestPlist::fileErrors() {
    Value   read;
    QString error;
    QVERIFY(!ReadPropertyListFile(dir.filePath("missing.plist"), &read, &error));
    QVERIFY2(error.contains("missing.plist"), qPrintable(error));
    QVERIFY(!WritePropertyListFile(dir.filePath("no/such/folder/x.plist"), Value(1), &error));
    QVERIFY2(error.contains("x.plist"), qPrintable(error));
    const QString path = dir.filePath("saved.plist");
    QVERIFY(WritePropertyListFile(path, Value(MakeSyntheticDaynotes(20, 5)), &error));
    QVERIFY2(ReadPropertyListFile(path, &read, &error), qPrintable(error));
    QCOMPARE(Dump(read), Dump(Value(MakeSyntheticDaynotes(20, 5))));
}

QTEST_GUILESS_MAIN(TestPlist)
#include "tst_plist.moc"
