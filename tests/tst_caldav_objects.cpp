// Daynotes as CalDAV objects: every field through libical and back, the UID from the day alone, the merge of
// a day changed on both sides, and the multistatus answers servers give.
#include "core/caldav_client.h"
#include "core/caldav_objects.h"
#include "core/dates.h"
#include "helpers/test_support.h"

using namespace Qt::StringLiterals;

namespace {

Record Daynote(double day, const QString& text, int type = NoteStandard, const NoteFontStyle& style = {}) {
    Record r;
    SetField(r, NoteDataKey, Value(text));
    SetField(r, NoteDateKey, Value(DateValue{day}));
    SetField(r, NoteTypeKey, Value(qint64(type)));
    SetField(r, NoteCFSKey, Value(EncodeFontStyle(style)));
    return r;
}

Record WithReminder(Record r, double moment, const QString& mail, const QString& url) {
    SetField(r, ReminderDateKey, Value(DateValue{moment}));
    SetField(r, URLKey, Value(url));
    SetField(r, EmailAddrKey, Value(mail));
    SetField(r, EmailSubjectKey, Value(u"Subject; with, separators"_s));
    SetField(r, EmailMessageKey, Value(u"Body\rsecond line"_s));
    return r;
}

QString Text(const Record& r, const QString& key) {
    const Value* v = FindField(r, key);
    return v && ValueText(*v) ? *ValueText(*v) : u"(none)"_s;
}

} // namespace

Q_DECLARE_METATYPE(Record)

class TestCaldavObjects : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { UsePrivateHome(); }

    void roundTrip_data() {
        QTest::addColumn<Record>("record");
        QTest::addColumn<QString>("textBack"); // the text as it comes back
        const double  day = DateToAbsTime(12, 8, 2026);
        NoteFontStyle bold14;
        bold14.size = 14;
        bold14.style = 3;
        bold14.fgRed = -1;
        QTest::newRow("line breaks") << Daynote(day, u"first\rsecond\r\rfourth"_s)
                                     << u"first\rsecond\r\rfourth"_s;
        QTest::newRow("line feeds come back as stored breaks")
            << Daynote(day, u"a\nb\r\nc"_s) << u"a\rb\rc"_s;
        QTest::newRow("holiday") << Daynote(day, u"h"_s, NoteHoliday) << u"h"_s;
        QTest::newRow("event") << Daynote(day, u"e"_s, NoteEvent) << u"e"_s;
        QTest::newRow("keeper") << Daynote(day, u"k"_s, NoteKeeper) << u"k"_s;
        QTest::newRow("font style") << Daynote(day, u"styled"_s, NoteStandard, bold14) << u"styled"_s;
        QTest::newRow("non-ASCII and iCalendar specials")
            << Daynote(day, u"Grüße 😀 – a;b,c\\d: \"quoted\""_s) << u"Grüße 😀 – a;b,c\\d: \"quoted\""_s;
        QTest::newRow("empty text") << Daynote(day, QString()) << QString();
        QTest::newRow("reminder with e-mail and web address")
            << WithReminder(Daynote(day, u"dentist"_s), DateTimeToAbsTime(12, 7, 2026, 8, 30),
                            u"me@example.org"_s, u"https://example.org/?a=1&b=2"_s)
            << u"dentist"_s;
        QTest::newRow("reminder without mail or link (single spaces)")
            << WithReminder(Daynote(DateToAbsTime(2, 29, 2028), u"leap"_s),
                            DateTimeToAbsTime(2, 22, 2028, 0, 0), u" "_s, u" "_s)
            << u"leap"_s;
    }
    void roundTrip() {
        QFETCH(Record, record);
        QFETCH(QString, textBack);
        const QByteArray object = DaynoteToObject(record);
        double           day = 0, back = 0;
        QVERIFY(RecordDate(record, NoteDateKey, &day));
        QVERIFY(object.contains("DTSTART;VALUE=DATE:" + FormatDate(u"yyyyMMdd"_s, day).toLatin1()));
        QVERIFY(object.contains("TRANSP:TRANSPARENT"));
        QVERIFY(object.contains("UID:" + DaynoteObjectUid(day).toLatin1()));
        Record read;
        QVERIFY(ObjectToDaynote(object, &read, &back));
        QCOMPARE(back, day);
        QCOMPARE(Text(read, NoteDataKey), textBack);
        for (const QString* key : {&NoteTypeKey, &NoteCFSKey, &ReminderDateKey, &URLKey, &EmailAddrKey,
                                   &EmailSubjectKey, &EmailMessageKey}) {
            const Value* want = FindField(record, *key);
            const Value* got = FindField(read, *key);
            QVERIFY2(bool(want) == bool(got) && (!want || *want == *got),
                     qPrintable(*key + u" "_s + (got && ValueText(*got) ? *ValueText(*got) : QString())));
        }
        // Everything a sync compares survives; the order of the keys does not matter.
        SetField(record, NoteDataKey, Value(textBack));
        QCOMPARE(DaynoteSyncHash(read), DaynoteSyncHash(record));
        // The same day written anywhere else is the same resource.
        QCOMPARE(DaynoteObjectUid(day), DaynoteObjectUid(back));
        double named = 0;
        QVERIFY(DayOfObjectName(DaynoteObjectName(day), &named));
        QCOMPARE(named, day);
    }

    void objectsOfOthers_data() {
        QTest::addColumn<QByteArray>("object");
        QTest::newRow("another client's event")
            << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nBEGIN:VEVENT\r\nUID:abc@phone\r\n"
               "DTSTAMP:20261201T000000Z\r\nDTSTART;VALUE=DATE:20261208\r\nSUMMARY:lunch\r\nEND:VEVENT\r\n"
               "END:VCALENDAR\r\n"_ba;
        QTest::newRow("garbage") << "<html>502 Bad Gateway</html>"_ba;
        QTest::newRow("empty") << QByteArray();
    }
    void objectsOfOthers() {
        QFETCH(QByteArray, object);
        Record record;
        double day = 0;
        QVERIFY(!ObjectToDaynote(object, &record, &day));
    }

    void mergeConflict_data() {
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("serverReminder");
        QTest::addColumn<QString>("merged");
        QTest::addColumn<bool>("mergedReminder");
        QTest::newRow("both added a line") << u"base\rfrom here"_s << u"base\rfrom there"_s << false
                                           << u"base\rfrom here\rfrom there"_s << false;
        QTest::newRow("server's line breaks differ")
            << u"one\rtwo"_s << u"one\ntwo\nthree"_s << false << u"one\rtwo\rthree"_s << false;
        QTest::newRow("blank server lines add nothing")
            << u"x"_s << u"\r\r  \rx"_s << false << u"x"_s << false;
        QTest::newRow("local emptied, server wrote") << QString() << u"kept"_s << false << u"kept"_s << false;
        QTest::newRow("reminder only on the server is taken") << u"a"_s << u"a"_s << true << u"a"_s << true;
    }
    void mergeConflict() {
        QFETCH(QString, local);
        QFETCH(QString, server);
        QFETCH(bool, serverReminder);
        QFETCH(QString, merged);
        QFETCH(bool, mergedReminder);
        const double day = DateToAbsTime(12, 8, 2026);
        Record       there = Daynote(day, server, NoteKeeper);
        if (serverReminder) there = WithReminder(there, day - 3600, u"a@b.c"_s, u" "_s);
        const Record result = MergeDaynoteConflict(Daynote(day, local), there);
        QCOMPARE(Text(result, NoteDataKey), merged);
        QCOMPARE(bool(FindField(result, ReminderDateKey)), mergedReminder);
        int8_t type = 0;
        QVERIFY(RecordByte(result, NoteTypeKey, &type));
        QCOMPARE(type, int8_t(NoteStandard)); // the rest is this machine's
    }

    void multistatus_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("summary"); // href|status|etag per response, then the token
        const QByteArray head =
            R"(<?xml version="1.0"?><multistatus xmlns="DAV:" xmlns:C="urn:ietf:params:xml:ns:caldav">)"_ba;
        QTest::newRow("sync answer with a removal")
            << head + R"(<response><href>/a/c/x.ics</href><propstat><prop><getetag>"1"</getetag></prop>
                <status>HTTP/1.1 200 OK</status></propstat></response>
                <response><href>/a/c/y.ics</href><status>HTTP/1.1 404 Not Found</status></response>
                <sync-token>http://r/sync/2</sync-token></multistatus>)"_ba
            << true << QStringList{u"/a/c/x.ics|200|\"1\""_s, u"/a/c/y.ics|404|"_s, u"http://r/sync/2"_s};
        QTest::newRow("an ETag refused is no ETag")
            << head + R"(<response><href>/a/c/x.ics</href><propstat><prop><getetag/></prop>
                <status>HTTP/1.1 404 Not Found</status></propstat></response></multistatus>)"_ba
            << true << QStringList{u"/a/c/x.ics|200|"_s, QString()};
        QTest::newRow("prefixed names") << R"(<d:multistatus xmlns:d="DAV:"><d:response><d:href>/h/</d:href>
                <d:propstat><d:prop><d:resourcetype><d:collection/><cal:calendar xmlns:cal="urn:ietf:params:xml:ns:caldav"/>
                </d:resourcetype><d:displayname>Daynotes</d:displayname></d:prop><d:status>HTTP/1.1 200 OK</d:status>
                </d:propstat></d:response></d:multistatus>)"_ba
                                        << true << QStringList{u"/h/|200|"_s, QString()};
        QTest::newRow("HTML error page")
            << "<html><body>Bad Gateway</body></html>"_ba << false << QStringList();
        QTest::newRow("cut off") << head + "<response><href>/a/c/x.ics</href><propstat>"_ba << false
                                 << QStringList();
    }
    void multistatus() {
        QFETCH(QByteArray, xml);
        QFETCH(bool, ok);
        QFETCH(QStringList, summary);
        DavMultistatus ms;
        QCOMPARE(ParseMultistatus(xml, &ms), ok);
        if (!ok) return;
        QStringList got;
        for (const DavResponse& r : ms.responses) got << u"%1|%2|%3"_s.arg(r.href).arg(r.status).arg(r.etag);
        got << ms.syncToken;
        QCOMPARE(got, summary);
    }
};

QTEST_MAIN(TestCaldavObjects)
#include "tst_caldav_objects.moc"
