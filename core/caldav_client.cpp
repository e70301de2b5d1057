// CalDAV over QtNetwork: WebDAV verbs as custom requests, XML bodies written and read as streams.
#include "core/caldav_client.h"

#include <QAuthenticator>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <memory>

namespace {

const QString Dav = QStringLiteral("DAV:");
const QString CalDav = QStringLiteral("urn:ietf:params:xml:ns:caldav");
// A big collection listed for the first time keeps some servers silent for minutes before they answer.
constexpr int         TransferTimeoutMs = 180000;
constexpr const char* TriedProperty = "vrdxAuthTried";

int StatusCodeOfLine(const QString& line) {
    // "HTTP/1.1 404 Not Found"
    const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return parts.size() >= 2 ? parts[1].toInt() : 0;
}

// A request body: the root element with both namespaces declared, then what `content` writes.
QByteArray XmlBody(const QString& ns, const QString& root,
                   const std::function<void(QXmlStreamWriter&)>& content) {
    QByteArray       body;
    QXmlStreamWriter w(&body);
    w.writeStartDocument();
    w.writeNamespace(Dav, QStringLiteral("d"));
    w.writeNamespace(CalDav, QStringLiteral("c"));
    w.writeStartElement(ns, root);
    content(w);
    w.writeEndElement();
    w.writeEndDocument();
    return body;
}

void WriteProps(QXmlStreamWriter& w, const QList<std::pair<QString, QString>>& props) {
    w.writeStartElement(Dav, QStringLiteral("prop"));
    for (const auto& [ns, name] : props) w.writeEmptyElement(ns, name);
    w.writeEndElement();
}

QByteArray PropfindBody(const QList<std::pair<QString, QString>>& props) {
    return XmlBody(Dav, QStringLiteral("propfind"), [&](QXmlStreamWriter& w) { WriteProps(w, props); });
}

// The headers of an XML request with its Depth.
CaldavClient::Headers Depth(int depth) {
    return {{"Depth", QByteArray::number(depth)}, {"Content-Type", "application/xml; charset=utf-8"}};
}

} // namespace

QString CaldavStatus::Reason() const {
    if (http == 0 &&
        (network == QNetworkReply::OperationCanceledError || network == QNetworkReply::TimeoutError))
        return QStringLiteral("the server did not answer in time");
    if (http == 0) return QStringLiteral("server not reachable");
    if (http == 401) return QStringLiteral("user name or password refused");
    if (http == 403) return QStringLiteral("the server refused access");
    if (http == 404) return QStringLiteral("calendar not found on the server");
    if (garbled) return QStringLiteral("the server's answer could not be read");
    return QStringLiteral("the server answered %1").arg(http);
}

bool ParseMultistatus(const QByteArray& xml, DavMultistatus* result) {
    QXmlStreamReader r(xml);
    QStringList      stack;
    DavResponse      response, pending;
    int              propStatus = 200;
    bool             sawRoot = false;
    while (!r.atEnd()) {
        const QXmlStreamReader::TokenType token = r.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QString name = r.name().toString();
            const QString parent = stack.isEmpty() ? QString() : stack.last();
            const bool    dav = r.namespaceUri() == Dav;
            if (stack.isEmpty()) {
                if (!dav || name != QLatin1String("multistatus")) return false;
                sawRoot = true;
            } else if (dav && name == QLatin1String("response")) {
                response = DavResponse();
            } else if (dav && name == QLatin1String("propstat")) {
                pending = DavResponse();
                propStatus = 200;
            } else if (dav && name == QLatin1String("href")) {
                const QString href = r.readElementText().trimmed();
                if (parent == QLatin1String("response"))
                    response.href = href;
                else if (parent == QLatin1String("current-user-principal"))
                    pending.principal = href;
                else if (parent == QLatin1String("calendar-home-set"))
                    pending.home = href;
                continue;
            } else if (dav && name == QLatin1String("status")) {
                const int code = StatusCodeOfLine(r.readElementText());
                if (parent == QLatin1String("propstat"))
                    propStatus = code;
                else if (parent == QLatin1String("response"))
                    response.status = code;
                continue;
            } else if (dav && name == QLatin1String("sync-token") && parent == QLatin1String("multistatus")) {
                result->syncToken = r.readElementText().trimmed();
                continue;
            } else if (parent == QLatin1String("resourcetype")) {
                pending.types << name;
                r.skipCurrentElement();
                continue;
            } else if (parent == QLatin1String("prop")) {
                QString* text = nullptr;
                if (dav && name == QLatin1String("getetag"))
                    text = &pending.etag;
                else if (dav && name == QLatin1String("displayname"))
                    text = &pending.displayName;
                else if (dav && name == QLatin1String("sync-token"))
                    text = &pending.syncToken;
                else if (r.namespaceUri() == CalDav && name == QLatin1String("calendar-data"))
                    text = &pending.calendarData;
                if (text) {
                    *text = r.readElementText(QXmlStreamReader::IncludeChildElements);
                    if (text != &pending.calendarData) *text = text->trimmed();
                    continue;
                }
            }
            stack << name;
        } else if (token == QXmlStreamReader::EndElement) {
            const QString name = stack.isEmpty() ? QString() : stack.takeLast();
            if (name == QLatin1String("propstat") && propStatus >= 200 && propStatus < 300) {
                for (auto [to, from] : {std::pair{&response.etag, &pending.etag},
                                        {&response.displayName, &pending.displayName},
                                        {&response.calendarData, &pending.calendarData},
                                        {&response.principal, &pending.principal},
                                        {&response.home, &pending.home},
                                        {&response.syncToken, &pending.syncToken}})
                    if (!from->isEmpty()) *to = *from;
                response.types << pending.types;
            } else if (name == QLatin1String("response")) {
                result->responses << response;
            }
        }
    }
    return sawRoot && !r.hasError();
}

CaldavClient::CaldavClient(const QString& user_, const QString& password_, QObject* parent)
    : QObject(parent), network(new QNetworkAccessManager(this)), user(user_), password(password_) {
    // Credentials once per request: asked again, they were wrong, and the 401 comes through.
    connect(network, &QNetworkAccessManager::authenticationRequired, this,
            [this](QNetworkReply* reply, QAuthenticator* auth) {
                if (reply->property(TriedProperty).toBool()) return;
                reply->setProperty(TriedProperty, true);
                auth->setUser(user);
                auth->setPassword(password);
            });
}

CaldavClient::~CaldavClient() {
    AbortAll();
}

void CaldavClient::AbortAll() {
    const auto pending = replies;
    for (const QPointer<QNetworkReply>& reply : pending) {
        if (!reply) continue;
        reply->disconnect(this); // an ended request answers nobody
        reply->abort();
        reply->deleteLater();
    }
    replies.clear();
}

QNetworkReply* CaldavClient::Send(const QByteArray& verb, const QUrl& url, const QByteArray& body,
                                  const Headers&                                           headers,
                                  std::function<void(QNetworkReply*, const CaldavStatus&)> done) {
    QNetworkRequest request(url);
    request.setTransferTimeout(TransferTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    for (const auto& [name, value] : headers) request.setRawHeader(name, value);
    QNetworkReply* reply = network->sendCustomRequest(request, verb, body);
    replies << reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply, done = std::move(done)] {
        replies.removeAll(reply);
        reply->deleteLater();
        CaldavStatus status;
        status.http = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        status.network = reply->error();
        // An answer cut off half-way is no answer.
        if (status.network == QNetworkReply::OperationCanceledError ||
            status.network == QNetworkReply::RemoteHostClosedError ||
            status.network == QNetworkReply::TimeoutError)
            status.http = 0;
        done(reply, status);
    });
    return reply;
}

void CaldavClient::Discover(const QUrl&                                                              server,
                            std::function<void(const CaldavStatus&, const QList<CaldavCollection>&)> done) {
    DiscoverAt(server, false, std::move(done));
}

// What an address points at decides the next step: a calendar is the answer, a home is listed, a principal
// names its home; anything else tries the well-known address once.
void CaldavClient::DiscoverAt(const QUrl& url, bool wellKnownTried,
                              std::function<void(const CaldavStatus&, const QList<CaldavCollection>&)> done) {
    const QByteArray body = PropfindBody({{Dav, QStringLiteral("current-user-principal")},
                                          {Dav, QStringLiteral("resourcetype")},
                                          {Dav, QStringLiteral("displayname")},
                                          {CalDav, QStringLiteral("calendar-home-set")}});
    Send("PROPFIND", url, body, Depth(0),
         [this, url, wellKnownTried, done](QNetworkReply* reply, CaldavStatus s) {
             DavMultistatus ms;
             const bool parsed = s.ok() && ParseMultistatus(reply->readAll(), &ms) && !ms.responses.isEmpty();
             if (s.ok() && !parsed) s.garbled = true;
             const QUrl base = reply->url();
             if (parsed) {
                 const DavResponse& r = ms.responses.first();
                 if (r.types.contains(QLatin1String("calendar"))) {
                     const QUrl at = base.resolved(QUrl(r.href));
                     return done(
                         s, {{at, r.displayName.isEmpty() ? at.adjusted(QUrl::StripTrailingSlash).fileName()
                                                          : r.displayName}});
                 }
                 if (!r.home.isEmpty()) return ListCalendars(base.resolved(QUrl(r.home)), done);
                 if (!r.principal.isEmpty()) return FindHome(base.resolved(QUrl(r.principal)), done);
             }
             if (!wellKnownTried && !s.Unreachable() && !s.Refused())
                 return DiscoverAt(url.resolved(QUrl(QStringLiteral("/.well-known/caldav"))), true, done);
             if (s.ok()) s.http = 404; // answered, but no calendar anywhere
             done(s, {});
         });
}

void CaldavClient::FindHome(const QUrl& principal,
                            std::function<void(const CaldavStatus&, const QList<CaldavCollection>&)> done) {
    const QByteArray body = PropfindBody({{CalDav, QStringLiteral("calendar-home-set")}});
    Send("PROPFIND", principal, body, Depth(0), [this, done](QNetworkReply* reply, CaldavStatus s) {
        DavMultistatus ms;
        if (s.ok() && (!ParseMultistatus(reply->readAll(), &ms) || ms.responses.isEmpty())) s.garbled = true;
        if (!s.ok()) return done(s, {});
        const QString home = ms.responses.first().home;
        if (home.isEmpty()) {
            s.http = 404;
            return done(s, {});
        }
        ListCalendars(reply->url().resolved(QUrl(home)), done);
    });
}

void CaldavClient::ListCalendars(
    const QUrl& home, std::function<void(const CaldavStatus&, const QList<CaldavCollection>&)> done) {
    const QByteArray body =
        PropfindBody({{Dav, QStringLiteral("resourcetype")}, {Dav, QStringLiteral("displayname")}});
    Send("PROPFIND", home, body, Depth(1), [done](QNetworkReply* reply, CaldavStatus s) {
        DavMultistatus ms;
        if (s.ok() && !ParseMultistatus(reply->readAll(), &ms)) s.garbled = true;
        QList<CaldavCollection> found;
        for (const DavResponse& r : ms.responses) {
            if (!r.types.contains(QLatin1String("calendar"))) continue;
            const QUrl at = reply->url().resolved(QUrl(r.href));
            found << CaldavCollection{at, r.displayName.isEmpty()
                                              ? at.adjusted(QUrl::StripTrailingSlash).fileName()
                                              : r.displayName};
        }
        if (s.ok() && found.isEmpty()) s.http = 404;
        done(s, found);
    });
}

void CaldavClient::SyncCollection(
    const QUrl& collection, const QString& token,
    std::function<void(const CaldavStatus&, const QString&, const QList<CaldavMember>&, const QList<QUrl>&)>
        done) {
    const QByteArray body = XmlBody(Dav, QStringLiteral("sync-collection"), [&](QXmlStreamWriter& w) {
        w.writeTextElement(Dav, QStringLiteral("sync-token"), token);
        w.writeTextElement(Dav, QStringLiteral("sync-level"), QStringLiteral("1"));
        WriteProps(w, {{Dav, QStringLiteral("getetag")}});
    });
    Send("REPORT", collection, body, Depth(0), [done](QNetworkReply* reply, CaldavStatus s) {
        DavMultistatus ms;
        if (s.ok() && !ParseMultistatus(reply->readAll(), &ms)) s.garbled = true;
        // Without a new token the answer cannot be built on.
        if (s.ok() && ms.syncToken.isEmpty()) s.garbled = true;
        QList<CaldavMember> changed;
        QList<QUrl>         removed;
        const QUrl          base = reply->url();
        for (const DavResponse& r : ms.responses) {
            const QUrl at = base.resolved(QUrl(r.href));
            if (at.adjusted(QUrl::StripTrailingSlash) == base.adjusted(QUrl::StripTrailingSlash)) continue;
            if (r.status == 404)
                removed << at;
            else
                changed << CaldavMember{at, r.etag.trimmed()};
        }
        done(s, ms.syncToken, changed, removed);
    });
}

void CaldavClient::ListMembers(
    const QUrl&                                                                          collection,
    std::function<void(const CaldavStatus&, const QString&, const QList<CaldavMember>&)> done) {
    const QByteArray body = PropfindBody({{Dav, QStringLiteral("getetag")},
                                          {Dav, QStringLiteral("sync-token")},
                                          {Dav, QStringLiteral("resourcetype")}});
    Send("PROPFIND", collection, body, Depth(1), [done](QNetworkReply* reply, CaldavStatus s) {
        DavMultistatus ms;
        if (s.ok() && !ParseMultistatus(reply->readAll(), &ms)) s.garbled = true;
        QString             token;
        QList<CaldavMember> members;
        const QUrl          base = reply->url();
        for (const DavResponse& r : ms.responses) {
            const QUrl at = base.resolved(QUrl(r.href));
            if (at.adjusted(QUrl::StripTrailingSlash) == base.adjusted(QUrl::StripTrailingSlash) ||
                r.types.contains(QLatin1String("collection"))) {
                if (!r.syncToken.isEmpty()) token = r.syncToken;
                continue;
            }
            if (r.status >= 200 && r.status < 300) members << CaldavMember{at, r.etag.trimmed()};
        }
        done(s, token, members);
    });
}

void CaldavClient::Fetch(const QUrl& collection, const QList<QUrl>& objects,
                         std::function<void(const CaldavStatus&, const QList<CaldavObject>&)> done) {
    const QByteArray body = XmlBody(CalDav, QStringLiteral("calendar-multiget"), [&](QXmlStreamWriter& w) {
        WriteProps(w, {{Dav, QStringLiteral("getetag")}, {CalDav, QStringLiteral("calendar-data")}});
        for (const QUrl& url : objects)
            w.writeTextElement(Dav, QStringLiteral("href"), url.path(QUrl::FullyEncoded));
    });
    Send("REPORT", collection, body, Depth(1), [done](QNetworkReply* reply, CaldavStatus s) {
        DavMultistatus ms;
        if (s.ok() && !ParseMultistatus(reply->readAll(), &ms)) s.garbled = true;
        QList<CaldavObject> found;
        for (const DavResponse& r : ms.responses)
            if (r.status >= 200 && r.status < 300 && !r.calendarData.isEmpty())
                found << CaldavObject{reply->url().resolved(QUrl(r.href)), r.etag, r.calendarData.toUtf8()};
        done(s, found);
    });
}

void CaldavClient::Put(const QUrl& object, const QByteArray& data, const QString& etag,
                       std::function<void(const CaldavStatus&, const QString&)> done) {
    Headers headers{{"Content-Type", "text/calendar; charset=utf-8"}};
    headers << (etag.isEmpty() ? Header{"If-None-Match", "*"} : Header{"If-Match", etag.toUtf8()});
    Send("PUT", object, data, headers, [done](QNetworkReply* reply, const CaldavStatus& s) {
        done(s, QString::fromUtf8(reply->rawHeader("ETag")).trimmed());
    });
}

void CaldavClient::Delete(const QUrl& object, const QString& etag, Done done) {
    Headers headers;
    if (!etag.isEmpty()) headers << Header{"If-Match", etag.toUtf8()};
    Send("DELETE", object, QByteArray(), headers, [done](QNetworkReply*, const CaldavStatus& s) { done(s); });
}
