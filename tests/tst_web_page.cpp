// The web page and the version check against Python's http.server on a free local port.
#include "core/web_page.h"
#include "helpers/test_support.h"

#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

// Serves the folder; a path under /slow/ answers after half a second, one under /never/ not at all.
const char* const ServerScript = R"(
import http.server, sys, time
class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        if self.path.startswith('/never/'):
            time.sleep(60)
        if self.path.startswith('/slow/'):
            time.sleep(0.5)
            self.path = self.path[len('/slow'):]
        super().do_GET()
    def log_message(self, *args):
        pass
server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
)";

const QString FailedMessage = u"Version check failed."_s;
using VersionRow = std::tuple<QString, QByteArray, QString, QString>;

} // namespace

class TestWebPage : public QObject {
    Q_OBJECT

    QTemporaryDir folder;
    QProcess      server;
    QString       site;
    UrlRecorder   browser{u"http"_s};

    void Publish(const QByteArray& version) {
        QVERIFY(WriteBytes(folder.filePath(u"version.txt"_s), version));
    }
    void UseSite(const QString& address) {
        const Value value(address);
        PrefSetValue(WebSiteKey, &value);
        UpdateWebCommands();
    }
    // Runs the check and waits for the alert it ends with.
    AlertRequest Check(AlertRecorder& recorder, const QString& own, int waitMs = 20000) {
        CheckForNewVersion(own);
        if (!QTest::qWaitFor([&] { return !recorder.alerts.isEmpty(); }, waitMs)) return {};
        return recorder.alerts.constFirst();
    }

  private slots:
    void initTestCase() {
        QVERIFY(SetUpProgramWindows());
        server.setWorkingDirectory(folder.path());
        server.start(RequireProgram(u"/usr/bin/python3"_s), {u"-c"_s, QString::fromUtf8(ServerScript)});
        QVERIFY(server.waitForReadyRead(10000));
        const int port = server.readLine().trimmed().toInt();
        QVERIFY(port > 0);
        site = u"http://127.0.0.1:%1"_s.arg(port);
    }
    void cleanupTestCase() {
        server.kill();
        server.waitForFinished();
    }
    void init() {
        UseSite(site);
        browser.opened.clear();
    }

    // address: where the check looks, "closed" for a port nobody listens on.
    void compareVersions_data() {
        const QString newer = u"A new version of VRD X (%1) is available."_s;
        const QString current = u"This version of VRD X (%1) is the current version."_s;
        AddRows<VersionRow>({
            {"3.10 after 3.9", {QString(), "3.10"_ba, u"3.9"_s, newer.arg(u"3.10"_s)}},
            {"byte order mark, blanks and CR LF",
             {QString(), "\xEF\xBB\xBF 3.3\r\n"_ba, u"3.2"_s, newer.arg(u"3.3"_s)}},
            {"3.2.0 same as 3.2", {QString(), "3.2.0"_ba, u"3.2"_s, current.arg(u"3.2"_s)}},
            {"not a version", {QString(), "<html>oops</html>"_ba, u"3.2"_s, FailedMessage}},
            {"nobody listening", {u"closed"_s, "3.3"_ba, u"3.2"_s, FailedMessage}},
            {"no version file", {u"/missing"_s, "3.3"_ba, u"3.2"_s, FailedMessage}},
            {"no answer at all", {u"/never"_s, "3.3"_ba, u"3.2"_s, FailedMessage}},
        });
    }
    void compareVersions() {
        FETCH_ROW(VersionRow, address, published, own, message);
        Publish(published);
        if (address == u"closed"_s) {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            UseSite(u"http://127.0.0.1:%1"_s.arg(closed.serverPort()));
        } else {
            UseSite(site + address);
        }
        AlertRecorder recorder;
        recorder.answer = AlertSecondButton;
        const AlertRequest alert = Check(recorder, own);
        QCOMPARE(alert.message, message);
        QCOMPARE(alert.button2.isEmpty(), !message.startsWith(u"A new"_s)); // "Cancel" only to an offer
        QVERIFY(browser.opened.isEmpty());
    }

    // "Go to web site" opens the product page on the same site, as the Web Page command does.
    void goToWebSite() {
        Publish("9.9");
        AlertRecorder recorder;
        QCOMPARE(Check(recorder, u"3.2"_s).message, u"A new version of VRD X (9.9) is available."_s);
        QCOMPARE(browser.opened, QList<QUrl>{QUrl(site + u"/vrdx.html"_s)});
        QCOMPARE(OpenProductWebPage(), 0);
        QCOMPARE(browser.opened.value(1), browser.opened[0]);
        UseSite(u"http://exa mple.org"_s);
        QVERIFY(OpenProductWebPage() != 0);
        QCOMPARE(recorder.alerts.size(), 2);
        QCOMPARE(recorder.alerts[1].message, u"Could not go to VRD X web site"_s);
    }

    // A slow answer is awaited from the event loop, and a second request starts no second check.
    void slowAnswerKeepsTheProgramRunning() {
        Publish("3.3");
        UseSite(site + u"/slow"_s);
        AlertRecorder recorder;
        CheckForNewVersion(u"3.2"_s);
        QVERIFY(IsVersionCheckRunning());
        CheckForNewVersion(u"3.2"_s);
        QVERIFY(QTest::qWaitFor([&] { return !recorder.alerts.isEmpty(); }, 10000));
        QVERIFY(!IsVersionCheckRunning()); // a second check would still be waiting for the slow answer
        QCOMPARE(recorder.alerts.size(), 1);
    }
};

QTEST_MAIN(TestWebPage)
#include "tst_web_page.moc"
