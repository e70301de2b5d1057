// A CalDAV client on QNetworkAccessManager: discovery of a user's calendars, changes since a sync token or
// by an ETag listing, fetching objects, and conditional uploads and deletes. Every call answers through its
// callback, later, on the thread that made it; nothing waits for the network.
#pragma once

#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>

class QNetworkAccessManager;

// How a request ended.
struct CaldavStatus {
    int                         http = 0; // HTTP status; 0 when no answer came
    QNetworkReply::NetworkError network = QNetworkReply::NoError;
    bool                        garbled = false; // a 2xx answer whose body could not be read

    bool ok() const { return http >= 200 && http < 300 && !garbled; }
    bool Unreachable() const { return http == 0; }
    bool Refused() const { return http == 401; }
    // Why it failed, for people: "server not reachable", "user name or password refused", ...
    QString Reason() const;
};

struct CaldavCollection {
    QUrl    url;
    QString name; // display name, or the last part of the address
};

struct CaldavMember {
    QUrl    url;
    QString etag; // empty when the listing gave none: the object must be fetched
};

struct CaldavObject {
    QUrl       url;
    QString    etag;
    QByteArray data;
};

class CaldavClient : public QObject {
    Q_OBJECT
  public:
    CaldavClient(const QString& user, const QString& password, QObject* parent = nullptr);
    ~CaldavClient() override;

    using Done = std::function<void(const CaldavStatus&)>;
    // The calendar collections of the user, from a server address, a principal, a home or a calendar.
    void Discover(const QUrl&                                                              server,
                  std::function<void(const CaldavStatus&, const QList<CaldavCollection>&)> done);
    // Changes since `token` (empty: every member). A refused token answers with its status (403, 409, 412,
    // 415, 418, ...); the caller lists by ETags instead.
    void SyncCollection(const QUrl& collection, const QString& token,
                        std::function<void(const CaldavStatus&, const QString& newToken,
                                           const QList<CaldavMember>& changed, const QList<QUrl>& removed)>
                            done);
    // Every member with its ETag, and the collection's sync token when it has one.
    void ListMembers(
        const QUrl&                                                                                collection,
        std::function<void(const CaldavStatus&, const QString& token, const QList<CaldavMember>&)> done);
    // The objects with their ETags; objects the server no longer has are left out.
    void Fetch(const QUrl& collection, const QList<QUrl>& objects,
               std::function<void(const CaldavStatus&, const QList<CaldavObject>&)> done);
    // An upload; `etag` empty means the object must be new (If-None-Match: *). The new ETag when the server
    // gave one.
    void Put(const QUrl& object, const QByteArray& data, const QString& etag,
             std::function<void(const CaldavStatus&, const QString& newEtag)> done);
    void Delete(const QUrl& object, const QString& etag, Done done);
    // Ends every request under way; their callbacks are never called.
    void AbortAll();
    int  Pending() const { return int(replies.size()); }
    bool SpeaksFor(const QString& user_, const QString& password_) const {
        return user == user_ && password == password_;
    }

    using Header = std::pair<QByteArray, QByteArray>;
    using Headers = QList<Header>;

  private:
    QNetworkReply* Send(const QByteArray& verb, const QUrl& url, const QByteArray& body,
                        const Headers&                                           headers,
                        std::function<void(QNetworkReply*, const CaldavStatus&)> done);
    void           DiscoverAt(const QUrl& url, bool wellKnownTried,
                              std::function<void(const CaldavStatus&, const QList<CaldavCollection>&)> done);
    void           FindHome(const QUrl&                                                              principal,
                            std::function<void(const CaldavStatus&, const QList<CaldavCollection>&)> done);
    void           ListCalendars(const QUrl&                                                              home,
                                 std::function<void(const CaldavStatus&, const QList<CaldavCollection>&)> done);

    QNetworkAccessManager*         network;
    QString                        user, password;
    QList<QPointer<QNetworkReply>> replies;
};

// The parts of a WebDAV multistatus answer that CalDAV needs; exposed for the tests.
struct DavResponse {
    QString     href;
    int         status = 200;
    QString     etag, displayName, calendarData, principal, home, syncToken;
    QStringList types; // resourcetype children: "collection", "calendar", ...
};
struct DavMultistatus {
    QList<DavResponse> responses;
    QString            syncToken;
};
bool ParseMultistatus(const QByteArray& xml, DavMultistatus* result);
