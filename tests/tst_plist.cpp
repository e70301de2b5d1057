// The property-list reader and writer: Python's plistlib both ways, and what the reader accepts and refuses.
#include "bench/daynote_fixture.h"
#include "core/plist.h"
#include "helpers/test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <bit>
#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(Value)
using namespace Qt::StringLiterals;

const double     Inf = HUGE_VAL, NaN = std::nan("");
constexpr qint64 Min64 = std::numeric_limits<qint64>::min(), Max64 = std::numeric_limits<qint64>::max();
constexpr double Year1 = -63113904000.0, Year9999End = 252423993599.0;

static QJsonArray Tagged(const Value& value);

// The tagged JSON of tests/plist_interop.py: reals travel as their bits, so NaN and -0.0 compare exactly.
struct Tagger {
    QJsonValue operator()(std::monostate) const { return {}; }
    QJsonValue operator()(const auto& textOrBool) const { return textOrBool; }
    QJsonValue operator()(DateValue d) const { return d.absTime; }
    QJsonValue operator()(qint64 i) const { return QString::number(i); }
    QJsonValue operator()(double r) const { return QString::number(std::bit_cast<qint64>(r)); }
    QJsonValue operator()(const QByteArray& b) const { return QString::fromLatin1(b.toBase64()); }
    QJsonValue operator()(const RecordArray& a) const {
        QJsonArray items;
        for (const Value& v : a) items.append(Tagged(v));
        return items;
    }
    QJsonValue operator()(const Record& r) const {
        QJsonArray fields;
        for (const RecordField& f : r.fields) fields.append(QJsonArray{f.key, Tagged(f.value)});
        return fields;
    }
};

static QJsonArray Tagged(const Value& value) {
    static const char* kinds[] = {"none", "string", "date", "int", "real", "bool", "data", "array", "dict"};
    return {QString::fromLatin1(kinds[value.v.index()]), std::visit(Tagger{}, value.v)};
}

class TestPlist : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    static QByteArray Dump(const Value& v) { return QJsonDocument(Tagged(v)).toJson(); }
    static QByteArray Doc(const QByteArray& body) { return "<plist version=\"1.0\">" + body + "</plist>"; }

    static Value Nested(int depth, Value v) {
        while (--depth > 0) v = Value(RecordArray{std::move(v)});
        return v;
    }
    static int Python(const char* command, const QString& source, const QString& target) {
        return QProcess::execute(RequireProgram(u"/usr/bin/python3"_s),
                                 {QFINDTESTDATA("plist_interop.py"), command, source, target});
    }

    // Every type and awkward text, keys unknown and unsorted; raw controls, which the writer leaves out.
    static Value Sample(bool rawControls) {
        RecordArray notes = MakeSyntheticDaynotes(30, 11), data;
        RecordArray reals{0.1, -0.0, 1e300, 5e-324, 1e16, 1e-5, 1.0 / 3, Inf, -Inf, NaN};
        RecordArray dates{DateValue{0}, DateValue{-1e9}, DateValue{Year1}, DateValue{Year9999End}};
        QByteArray  bytes;
        for (uint64_t x = 0x9E3779B97F4A7C15ull, i = 0; i < 300; ++i, x = x * 6364136223846793005ull + 1) {
            if (std::isfinite(std::bit_cast<double>(x))) reals.push_back(std::bit_cast<double>(x));
            dates.push_back(DateValue{Year1 + double(x % 315537897599ull)});
            bytes += char(x >> 56);
        }
        for (int n : {0, 1, 2, 3, 24, 300}) data.push_back(bytes.left(n));
        const QString controls =
            rawControls ? u"a\x01\x1F\uFFFE\uFFFF\0"_s + QChar(0xDE00) + QChar(0xD83D) + u'b' + QChar(0xDE00)
                        : u"ab"_s;
        const RecordArray all{
            0,     -1,   (qint64(1) << 53) + 1, Max64,         Min64,    true,      false,      reals,
            dates, data, Nested(9, bytes),      RecordArray{}, Record{}, QString(), u" \t\n "_s};
        notes.insert(notes.begin(), Record{{{"ZUnknownFirst", u"<&> ]]> é € 😀 𝄞 &amp; CR\rCRLF\r\n"_s},
                                            {"All", all},
                                            {"AKeyAfterZ", Record{{{"b", 2}, {"a", 1}}}},
                                            {controls, controls}}});
        return notes;
    }

    // For each dictionary key in reading order, whether it is one of `shared` itself rather than a copy.
    static QList<bool> SharedUse(const Value& value, const std::vector<QString>& shared) {
        QList<bool> use;
        if (const auto* array = std::get_if<RecordArray>(&value.v))
            for (const Value& v : *array) use += SharedUse(v, shared);
        if (const auto* record = std::get_if<Record>(&value.v))
            for (const RecordField& f : record->fields) {
                use += std::any_of(shared.begin(), shared.end(),
                                   [&f](const QString& s) { return s.constData() == f.key.constData(); });
                use += SharedUse(f.value, shared);
            }
        return use;
    }

  private slots:
    void plistlibBothWays() {
        const QString ours = dir.filePath("o"), json = dir.filePath("j"), theirs = dir.filePath("t");
        QString       error;
        Value         read;
        QVERIFY(WritePropertyListFile(ours, Sample(true), &error));
        QCOMPARE(Python("describe", ours, json), 0); // plistlib reads what we write...
        QCOMPARE(QJsonDocument::fromJson(ReadBytes(json)).toJson(), Dump(Sample(false)));
        QCOMPARE(Python("redump", ours, theirs), 0); // ...and writes it in the same bytes, but CR as LF
        QCOMPARE(ReadBytes(theirs), ReadBytes(ours).replace("&#13;\n", "\n").replace("&#13;", "\n"));
        QVERIFY(WriteBytes(json, Dump(Sample(false)))); // we read what plistlib writes from the values alone
        QCOMPARE(Python("build", json, theirs), 0);
        QVERIFY2(ReadPropertyListFile(theirs, &read, &error), qPrintable(error));
        QCOMPARE(Dump(read), Dump(Sample(false)).replace("\\r\\n", "\\n").replace("\\r", "\\n"));
    }

    void reading_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<Value>("expected");
        QTest::addColumn<QString>("reason"); // of a refusal
        const auto accept = [](const QByteArray& name, const QByteArray& bytes, const Value& expected) {
            QTest::newRow(name) << bytes << true << expected << QString();
        };
        const auto refuse = [](const QByteArray& name, const QByteArray& bytes, const char* reason) {
            QTest::newRow(name) << bytes << false << Value(u"sentinel"_s) << QString::fromLatin1(reason);
        };
        const auto bad = [&](const char* element, const QByteArray& text, const char* reason) {
            refuse(element + (" " + text),
                   Doc(QByteArray("<%1>%2</%1>").replace("%1", element).replace("%2", text)), reason);
        };
        accept("written: every type", WritePropertyList(Sample(true)), Sample(false));
        accept("written: too deep left out, deepest kept",
               WritePropertyList(Nested(PropertyListMaxDepth + 1, 1)),
               Nested(PropertyListMaxDepth, RecordArray{}));
        accept("written: nothing values left out, dates rounded down and clamped",
               WritePropertyList(RecordArray{Value(), Record{{{"a", Value()}, {"b", true}}}, DateValue{-0.5},
                                             DateValue{-1e12}, DateValue{1e12}, DateValue{NaN}}),
               RecordArray{Record{{{"b", true}}}, DateValue{-1}, DateValue{Year1}, DateValue{Year9999End},
                           DateValue{0}});
        accept(
            "raw CRs of a file written elsewhere",
            "<?xml version=\"1.0\"?>\r\n<plist>\r\n<dict>\r\n\t<key>NoteDataKey</key>\r\n\t<string>1\r2\r\n"
            "3\r\r</string>\r\n\t<key>K\rK</key>\r\n\t<string>\r</string>\r\n</dict>\r\n</plist>\r\n"_ba,
            Record{{{"NoteDataKey", u"1\r2\r\n3\r\r"_s}, {u"K\rK"_s, u"\r"_s}}});
        accept(
            "markup, other forms of numbers, data and dates",
            Doc("<!--c--><array a=\"b\"><?pi x?><string> <![CDATA[<&]]> a<!--c-->b&lt;&amp;&#13;&#x1F600;&#1;"
                "</string><integer> +5 </integer><integer>0X1f</integer><real>1E3</real><real>.5</real>"
                "<real>-1e-400</real><data>\n\tQU\n JD\r\n</data><data>QQ</data><date>2001-01-02Z</date>"
                "<date>2001-01-01T00:01Z</date></array>"),
            RecordArray{u" <& ab<&\r😀"_s, 5, 31, 1000.0, 0.5, -0.0, "ABC"_ba, "A"_ba, DateValue{86400},
                        DateValue{60}});

        refuse("empty file", "", "empty");
        refuse("NUL byte", Doc(QByteArray("<string>a\0b</string>", 20)), "NUL");
        refuse("mismatched tags", Doc("<dict></array>"), "not well-formed");
        refuse("junk after root", Doc("<true/>") + "junk", "outside the root");
        refuse("key without value", Doc("<dict><key>a</key></dict>"), "without a value");
        for (const char* text : {"QQ=x", "Q", "QQ==QQ=="}) bad("data", text, "base64");
        for (const char* text : {"2001-02-29T00:00:00Z", "2001-01-01T24:00:00Z", "2001-01-01T00:00:00"})
            bad("date", text, "bad date");
        for (const char* text : {"12a", "9223372036854775808", "0x8000000000000000"})
            bad("integer", text, "bad integer");
        QByteArray laughs = "<!DOCTYPE plist [<!ENTITY l0 \"lol\">";
        for (char i = '1'; i <= '9'; ++i)
            laughs += "<!ENTITY l" + QByteArray(1, i) + " \"" +
                      ("&l" + QByteArray(1, i - 1) + ";").repeated(10) + "\">";
        refuse("billion laughs", laughs + "]>" + Doc("<string>&l9;</string>"), "unknown entity");
        for (int depth : {PropertyListMaxDepth, 100000})
            refuse("nesting " + QByteArray::number(depth + 1),
                   Doc("<array>"_ba.repeated(depth) + "<array/>" + "</array>"_ba.repeated(depth)),
                   "deeper than");
        QByteArray junk(4096, Qt::Uninitialized);
        for (uint32_t x = 99; char& c : junk) c = char(std::max(1u, (x = x * 1664525u + 1013904223u) >> 24));
        refuse("binary junk", junk, "");
        const RecordArray sample{MakeSyntheticDaynotes(3, 3), 1, 2.5, true, DateValue{}, QByteArray(30, 'd')};
        const QByteArray  whole = WritePropertyList(sample);
        accept("only the final newline missing", whole.chopped(1), sample);
        for (qsizetype cut = 0; cut < whole.size() - 1; ++cut)
            refuse("cut at " + QByteArray::number(cut), whole.left(cut), "");
    }
    void reading() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, accepted);
        QFETCH(Value, expected);
        QFETCH(QString, reason);
        Value   read(u"sentinel"_s); // which a refusal leaves alone
        QString error;
        QCOMPARE(ReadPropertyList(bytes, &read, &error), accepted);
        QVERIFY2(accepted ? error.isEmpty() : !error.isEmpty() && error.contains(reason), qPrintable(error));
        QCOMPARE(Dump(read), Dump(expected));
        // A file is read into the parser's own buffer: the same outcome and the same reason, after the path.
        static QTemporaryDir dir;
        const QString        path = dir.filePath(u"file.plist"_s);
        QVERIFY(WriteBytes(path, bytes));
        Value   fromFile(u"sentinel"_s);
        QString fileError;
        QCOMPARE(ReadPropertyListFile(path, &fromFile, &fileError), accepted);
        QFile::remove(path); // rather than cut short by the next row, which the file system would flush first
        QCOMPARE(fileError, error.isEmpty() ? error : path + u": "_s + error);
        QCOMPARE(Dump(fromFile), Dump(expected));
        // Both readers behind it: the full one alone gives the same, and the quick one takes our own files
        // and nothing that the full one refuses or reads otherwise.
        Value full, plain;
        QCOMPARE(ReadFullPropertyList(bytes, &full, nullptr), accepted);
        if (accepted) QCOMPARE(Dump(full), Dump(expected));
        const bool taken = ReadPlainPropertyList(bytes, &plain);
        QVERIFY(taken || !QByteArray(QTest::currentDataTag()).startsWith("written"));
        QVERIFY(!taken || accepted);
        if (taken) QCOMPARE(Dump(plain), Dump(expected));
    }

    // Plain documents mangled a byte or a piece at a time: whatever the quick reader still takes, the full
    // reader takes too, with the same value and the same keys shared.
    void plainReaderMutations_data() {
        QTest::addColumn<QByteArray>("document");
        QTest::newRow("written daynotes") << WritePropertyList(MakeSyntheticDaynotes(3, 5));
        QTest::newRow("scalars and nesting as written")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
               "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist "
               "version=\"1.0\">\n<array>\n\t<dict>\n"
               "\t\t<key>a</key>\n\t\t<integer>1</integer>\n\t\t<key>b</key>\n\t\t<array>\n\t\t\t<dict/>\n"
               "\t\t\t<array/>\n\t\t\t<string>x</string>\n\t\t</array>\n\t</dict>\n\t<integer>-7</integer>\n"
               "\t<real>0.1</real>\n\t<real>-0.0</real>\n\t<real>inf</real>\n\t<real>nan</real>\n\t<true/>\n"
               "\t<false/>\n\t<date>1969-04-24T22:13:20Z</date>\n\t<data>\n\tQUJDREU=\n\t</data>\n\t<data>\n"
               "\t</data>\n\t<string>é€😀 &lt;&amp;&gt; &#13;\n</string>\n\t<string></string>\n</array>\n"
               "</plist>\n"_ba;
        QTest::newRow("by hand")
            << "<plist><dict>\n<key>a</key><string>&lt;é&#x1F600;&#13;]]></string><key>a</key>"
               "<integer> 0x1F </integer><key>k&amp;</key><dict/><key/><array><true/><false>\t</false>"
               "<data/><data> QUJD\r\n </data><string/><real>-1E3</real><date>2001-01-01T00:01Z</date>"
               "</array><key>NoteDataKey</key><string> \r </string></dict></plist>\n"_ba;
    }
    void plainReaderMutations() {
        QFETCH(QByteArray, document);
        const std::vector<QString>& shared = RecordKeys();
        QVERIFY(ReadPlainPropertyList(document, nullptr, &shared));
        static const QByteArray pieces[] = {
            "<!-- -->",     "<![CDATA[x]]>", "&amp;", "&#0;", "</dict>", "<dict>",
            "<key>a</key>", "</string>",     "&",     "\xC3", "<",       "/>"};
        static const char bytes[] = "<>/&;#x \t\r\n0e.-+Z=\xE2\x80\xFF";
        uint64_t          state = 0x243F6A8885A308D3ull;
        const auto        next = [&state](uint64_t bound) { // a fixed sequence, so that a failure repeats
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            return qsizetype((state >> 33) % bound);
        };
        int taken = 0;
        for (int i = 0; i < 20000; ++i) {
            QByteArray mutant = document;
            for (int changes = 1 + int(next(2)); changes > 0; --changes) {
                const qsizetype at = next(uint64_t(mutant.size()) + 1);
                const char      c = next(2) ? bytes[next(sizeof bytes - 1)] : char(next(256));
                switch (next(5)) {
                case 0:
                    if (at < mutant.size()) mutant[at] = c;
                    break;
                case 1:
                    mutant.insert(at, c);
                    break;
                case 2:
                    mutant.remove(at, 1 + next(4));
                    break;
                case 3:
                    mutant.truncate(at);
                    break;
                default:
                    mutant.insert(at, pieces[next(std::size(pieces))]);
                }
            }
            Value   plain, full;
            QString error;
            if (!ReadPlainPropertyList(mutant, &plain, &shared)) continue;
            ++taken;
            QVERIFY2(ReadFullPropertyList(mutant, &full, &error, &shared), mutant + '\n' + error.toUtf8());
            QCOMPARE(Dump(plain), Dump(full));
            QCOMPARE(SharedUse(plain, shared), SharedUse(full, shared));
        }
        QVERIFY(taken > 250); // enough mutants stay plain for the comparison to mean something
    }
};

QTEST_GUILESS_MAIN(TestPlist)
#include "tst_plist.moc"
