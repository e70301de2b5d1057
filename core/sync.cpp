// The sync engine: one run at a time, each an asynchronous chain of requests ending in one status.
#include "core/sync.h"

#include "core/app_state.h"
#include "core/caldav_objects.h"
#include "core/datafiles.h"
#include "core/dates.h"
#include "core/daynote_store.h"
#include "core/followers.h"
#include "core/plist.h"
#include "core/preferences.h"
#include "core/secrets.h"
#include "core/undo.h"
#include "platform/notify.h"

#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

namespace {

const QString StateFileName = QStringLiteral("VRDX Sync State");
constexpr int FetchBatch = 200;   // objects per multiget
constexpr int ParallelWrites = 4; // uploads and deletes under way at once
constexpr int AfterChangeMs = 3000;
constexpr int MaxRounds = 2; // runs one sync may add when the server changed under it

// What the last sync left for one day: where it is on the server, its ETag then, and the hash of the
// daynote both sides agreed on.
struct DayState {
    QString    href;
    QString    etag;
    QByteArray hash;
};

struct SyncState {
    QString                    collection;
    QString                    token;
    std::map<qint64, DayState> days; // by day (absolute time of 00:00, whole seconds)
};

qint64 DayKey(double day) {
    return qint64(std::llround(day));
}

QString StatePath() {
    return GetDataFileURL(StateFileName);
}

SyncState LoadState() {
    SyncState state;
    QFile     file(StatePath());
    if (!file.open(QIODevice::ReadOnly)) return state;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    state.collection = root.value(QStringLiteral("collection")).toString();
    state.token = root.value(QStringLiteral("token")).toString();
    const QJsonValue daysValue = root.value(QStringLiteral("days"));
    // Each day as [day, href, etag, hash].
    for (const QJsonValue& v : daysValue.toArray()) {
        const QJsonArray d = v.toArray();
        state.days[qint64(d.at(0).toDouble())] = {d.at(1).toString(), d.at(2).toString(),
                                                  d.at(3).toString().toLatin1()};
    }
    // As an earlier version kept them: an object by day.
    const QJsonObject days = daysValue.toObject();
    for (auto it = days.begin(); it != days.end(); ++it) {
        const QJsonObject d = it.value().toObject();
        state.days[it.key().toLongLong()] = {d.value(QStringLiteral("href")).toString(),
                                             d.value(QStringLiteral("etag")).toString(),
                                             d.value(QStringLiteral("hash")).toString().toLatin1()};
    }
    return state;
}

void SaveState(const SyncState& state) {
    // An array, appended to in order: an object keyed by day sorts its keys on every insert, which for a
    // calendar of many years cost more than the rest of a sync.
    QJsonArray days;
    for (const auto& [key, d] : state.days)
        days.append(QJsonArray{double(key), d.href, d.etag, QString::fromLatin1(d.hash)});
    const QJsonObject root{{QStringLiteral("collection"), state.collection},
                           {QStringLiteral("token"), state.token},
                           {QStringLiteral("days"), days}};
    QString           error;
    if (GetDataFolderURL().isEmpty() ||
        !WriteBytesAtomically(QJsonDocument(root).toJson(QJsonDocument::Compact), StatePath(), &error))
        std::fprintf(stderr, "vrdx: the sync state could not be saved: %s\n", qPrintable(error));
}

const Record* LocalRecord(double day) {
    const RecordArray& daynotes = App().daynotes;
    const int          index = FindNoteIndex(daynotes, day);
    return IsNoteAtIndex(daynotes, day, index) ? GetRecord(daynotes, index) : nullptr;
}

// Puts the record in place of the day's (null removes the day); the caller holds the change scope.
void SetLocalRecord(double day, const Record* record) {
    RecordArray& daynotes = App().daynotes;
    const int    index = FindNoteIndex(daynotes, day);
    const bool   there = IsNoteAtIndex(daynotes, day, index);
    if (!record) {
        if (there) RemoveRecord(daynotes, index);
        return;
    }
    if (!there) InsertRecord(daynotes, index);
    *GetRecord(daynotes, index, true) = *record;
}

Followers<>& StatusFollowers() {
    static Followers<> followers;
    return followers;
}

void AnnounceStatus() {
    AnnounceToFollowers(StatusFollowers());
}

// A write the run still has to make.
struct Write {
    double     day = 0;
    QUrl       url;
    QString    etag; // If-Match; empty for a new object (or a delete of one never seen)
    QByteArray data; // empty: a delete
    QByteArray hash; // what the server holds once it succeeded
};

class SyncEngine : public QObject {
  public:
    SyncEngine() {
        periodic.setSingleShot(false);
        connect(&periodic, &QTimer::timeout, this, [this] { Start(); });
        afterChange.setSingleShot(true);
        afterChange.setInterval(AfterChangeMs);
        connect(&afterChange, &QTimer::timeout, this, [this] { Start(); });
    }

    void Configure() {
        const SyncSettings& s = Prefs().sync;
        if (!s.enabled) {
            periodic.stop();
            afterChange.stop();
            return SetStatus(QString());
        }
        periodic.start(std::max(1, s.minutes) * 60000);
        if (status.isEmpty()) SetStatus(QStringLiteral("Not synced yet"));
        AnnounceStatus(); // shown again when sync is back on
    }

    void DaynotesChanged() {
        if (!applying && Prefs().sync.enabled) afterChange.start();
    }

    void Start() {
        rounds = 0;
        Run();
    }

    void Run() {
        if (!Prefs().sync.enabled) return;
        if (running) {
            again = true;
            return;
        }
        running = true;
        listAll = false;
        again = false;
        ++generation;
        conflicts.clear();
        settings = Prefs().sync;
        if (settings.server.trimmed().isEmpty() || settings.user.isEmpty())
            return Fail(QStringLiteral("no server or user name set in Preferences"), false);
        SetStatus(QStringLiteral("Syncing..."), false);
        ReadSyncPassword(settings.server, settings.user,
                         [self = QPointer(this), run = generation](bool found, const QString& password) {
                             // The keyring may answer after this run was ended and another began.
                             if (!self || !self->running || self->generation != run) return;
                             if (!found)
                                 return self->Fail(QStringLiteral("no password stored for the account"),
                                                   false);
                             // One client while the account stays: its connections and the server's accepted
                             // credentials carry over, so a sync does not begin with a refusal and a new
                             // handshake.
                             if (self->client && !self->client->SpeaksFor(self->settings.user, password)) {
                                 self->client->deleteLater();
                                 self->client = nullptr;
                             }
                             if (!self->client)
                                 self->client = new CaldavClient(self->settings.user, password, self);
                             self->FindCollection();
                         });
    }

    // Waits for the run under way (or a new one) at most limitMs, then ends it where it stands.
    void FinishWithin(int limitMs) {
        if (!Prefs().sync.enabled) return;
        afterChange.stop();
        periodic.stop();
        const bool underWay = running;
        if (!running) Start();
        if (!running) return;
        QEventLoop loop;
        QTimer     limit;
        limit.setSingleShot(true);
        connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        finished = [&loop] { loop.quit(); };
        // A run that compared before the windows gave back their texts goes round once more.
        if (underWay) again = true;
        limit.start(limitMs);
        loop.exec();
        finished = nullptr;
        if (running) {
            again = false;
            Fail(QStringLiteral("quit before the server answered; the rest goes next time"), false);
        }
    }

    QString status;

  private:
    void SetStatus(const QString& text, bool tell = true) {
        const bool changed = text != status;
        status = text;
        if (tell && !text.isEmpty()) std::fprintf(stderr, "vrdx: sync: %s\n", qPrintable(text));
        if (changed) AnnounceStatus();
    }

    void FindCollection() {
        if (!settings.calendar.isEmpty()) return BeginRun(QUrl(settings.calendar));
        client->Discover(QUrl::fromUserInput(settings.server),
                         [this](const CaldavStatus& s, const QList<CaldavCollection>& found) {
                             if (!s.ok() || found.isEmpty()) return Fail(s.Reason());
                             // The first calendar until the user picks one.
                             settings.calendar = found.first().url.toString();
                             if (Prefs().sync.server == settings.server && Prefs().sync.calendar.isEmpty()) {
                                 Prefs().sync.calendar = settings.calendar;
                                 SaveSyncPreferences();
                             }
                             BeginRun(found.first().url);
                         });
    }

    void BeginRun(const QUrl& url) {
        collection = url;
        state = LoadState();
        if (state.collection != collection.toString()) state = SyncState{collection.toString(), {}, {}};
        ChangesSince(state.token);
    }

    void ChangesSince(const QString& token) {
        client->SyncCollection(collection, token,
                               [this, token](const CaldavStatus& s, const QString& newToken,
                                             const QList<CaldavMember>& changed, const QList<QUrl>& removed) {
                                   if (s.Unreachable() || s.Refused()) return Fail(s.Reason());
                                   if (s.ok()) return Listed(newToken, changed, removed, token.isEmpty());
                                   // A refused token: every member with a fresh token, by the same report
                                   // first, since some servers answer a Depth 1 listing of a big collection
                                   // far more slowly.
                                   if (!token.isEmpty()) return ChangesSince(QString());
                                   ListEverything(); // no sync-collection, or no initial sync
                               });
    }

    void ListEverything() {
        client->ListMembers(collection, [this](const CaldavStatus& s, const QString& token,
                                               const QList<CaldavMember>& members) {
            if (!s.ok()) return Fail(s.Reason());
            Listed(token, members, {}, true);
        });
    }

    // The server's side: members changed since the last sync (every member when `complete`).
    void Listed(const QString& token, const QList<CaldavMember>& changed, const QList<QUrl>& removed,
                bool complete) {
        newToken = token;
        remote.clear();
        QSet<qint64> listed;
        QList<QUrl>  fetch;
        for (const CaldavMember& m : changed) {
            double day = 0;
            if (!DayOfObjectName(m.url.fileName(), &day)) continue; // another client's object
            const qint64 key = DayKey(day);
            listed.insert(key);
            const auto known = state.days.find(key);
            if (!m.etag.isEmpty() && known != state.days.end() && known->second.etag == m.etag) continue;
            remote[key] = Remote{Remote::Changed, m.url, m.etag, {}};
            fetch << m.url;
        }
        for (const QUrl& url : removed) {
            double day = 0;
            if (DayOfObjectName(url.fileName(), &day))
                remote[DayKey(day)] = Remote{Remote::Gone, url, {}, {}};
        }
        if (complete)
            for (const auto& [key, d] : state.days)
                if (!listed.contains(key)) remote[key] = Remote{Remote::Gone, QUrl(d.href), {}, {}};
        toFetch = fetch;
        FetchNext();
    }

    void FetchNext() {
        if (toFetch.isEmpty()) return Compare();
        const QList<QUrl> batch = toFetch.mid(0, FetchBatch);
        toFetch = toFetch.mid(FetchBatch);
        client->Fetch(collection, batch,
                      [this, batch](const CaldavStatus& s, const QList<CaldavObject>& objects) {
                          if (!s.ok()) return Fail(s.Reason());
                          QSet<QString> got;
                          for (const CaldavObject& o : objects) {
                              double day = 0;
                              Record record;
                              if (!DayOfObjectName(o.url.fileName(), &day)) continue;
                              got.insert(o.url.fileName());
                              Remote& r = remote[DayKey(day)];
                              r.url = o.url;
                              r.etag = o.etag;
                              // An object of ours the program cannot read is left alone on both sides.
                              if (ObjectToDaynote(o.data, &record, &day))
                                  r.record = record;
                              else
                                  r.kind = Remote::Unreadable;
                          }
                          // Gone between the listing and the fetch.
                          for (const QUrl& url : batch)
                              if (!got.contains(url.fileName())) {
                                  double day = 0;
                                  if (DayOfObjectName(url.fileName(), &day))
                                      remote[DayKey(day)].kind = Remote::Gone;
                              }
                          FetchNext();
                      });
    }

    // The three-way compare of every day either side or the last sync knows.
    void Compare() {
        QSet<qint64> days;
        for (const Value& v : App().daynotes) {
            double day = 0;
            if (const Record* r = ValueRecord(v); r && RecordDate(*r, NoteDateKey, &day))
                days.insert(DayKey(day));
        }
        for (const auto& [key, d] : state.days) days.insert(key);
        for (auto it = remote.begin(); it != remote.end(); ++it) days.insert(it.key());
        QList<qint64> ordered(days.begin(), days.end());
        std::sort(ordered.begin(), ordered.end());

        struct Take {
            double                day;
            std::optional<Record> record; // none: remove the day
            bool                  conflict;
        };
        QList<Take> takes;
        writes.clear();
        for (const qint64 key : ordered) {
            const double     day = double(key);
            const Record*    local = LocalRecord(day);
            const auto       baseIt = state.days.find(key);
            const DayState*  base = baseIt != state.days.end() ? &baseIt->second : nullptr;
            const QByteArray localHash = local ? DaynoteSyncHash(*local) : QByteArray();
            const bool       localChanged = localHash != (base ? base->hash : QByteArray());
            const auto       remoteIt = remote.constFind(key);
            const Remote*    there = remoteIt != remote.constEnd() ? &*remoteIt : nullptr;
            if (there && there->kind == Remote::Unreadable) continue;
            const bool       remoteGone = there && there->kind == Remote::Gone;
            const QByteArray remoteHash = there ? (remoteGone ? QByteArray() : DaynoteSyncHash(there->record))
                                                : (base ? base->hash : QByteArray());
            const bool       remoteChanged = remoteHash != (base ? base->hash : QByteArray());
            const QUrl       url = there && !remoteGone ? there->url
                                   : base && !base->href.isEmpty()
                                       ? QUrl(base->href)
                                       : collection.resolved(QUrl(DaynoteObjectName(day)));
            const QString    remoteEtag =
                there ? (remoteGone ? QString() : there->etag) : (base ? base->etag : QString());

            if (!localChanged && !remoteChanged) {
                if (there && !remoteGone && base)
                    state.days[key].etag = there->etag; // rewritten, same content
                continue;
            }
            if (!remoteChanged || (localChanged && remoteHash == localHash)) {
                if (remoteHash == localHash) { // both sides already agree
                    if (local)
                        state.days[key] = {url.toString(), remoteEtag, localHash};
                    else
                        state.days.erase(key);
                    continue;
                }
                if (local)
                    writes << Write{day, url, remoteEtag, DaynoteToObject(*local), localHash};
                else if (!remoteGone && (base || there))
                    writes << Write{day, url, remoteEtag, {}, {}};
                else
                    state.days.erase(key);
                continue;
            }
            if (!localChanged) { // only the server changed
                if (remoteGone)
                    takes << Take{day, std::nullopt, false};
                else
                    takes << Take{day, there->record, false};
                continue;
            }
            // Both changed. A delete on one side gives way to the edit on the other.
            if (!local) {
                takes << Take{day, there->record, false};
            } else if (remoteGone) {
                writes << Write{day, url, QString(), DaynoteToObject(*local), localHash};
            } else {
                const Record merged = MergeDaynoteConflict(*local, there->record);
                takes << Take{day, merged, true};
                writes << Write{day, url, remoteEtag, DaynoteToObject(merged), DaynoteSyncHash(merged)};
            }
        }

        // Taken over here: what came from the server is one step, each merge one more.
        applying = true;
        const auto record = [&](const Take& t) {
            SetLocalRecord(t.day, t.record ? &*t.record : nullptr);
            const qint64  key = DayKey(t.day);
            const Remote& r = remote[key];
            if (t.conflict) return; // its upload below records it
            if (t.record)
                state.days[key] = {r.url.toString(), r.etag, DaynoteSyncHash(*t.record)};
            else
                state.days.erase(key);
        };
        bool plain = false;
        for (const Take& t : takes) plain = plain || !t.conflict;
        if (plain) {
            DaynoteChangeScope scope(QStringLiteral("Sync"));
            for (const Take& t : takes)
                if (!t.conflict) record(t);
        }
        for (const Take& t : takes) {
            if (!t.conflict) continue;
            const QString      date = DayMonthYearText(false, t.day);
            DaynoteChangeScope scope(QStringLiteral("Merge Sync Conflict of %1").arg(date));
            record(t);
            conflicts << date;
        }
        applying = false;
        // The file holds what the state says was agreed, before the state says it. Without anything taken the
        // state is saved once the writes are done: a write the state does not know yet is met again next time
        // as both sides agreeing.
        if (!takes.isEmpty()) {
            SaveRecordFile(App().daynotes, DaynoteFileName);
            SaveState(state);
        }
        nextWrite = 0;
        writesOut = 0;
        WriteNext();
    }

    void WriteNext() {
        while (running && writesOut < ParallelWrites && nextWrite < writes.size()) {
            const Write w = writes[nextWrite++];
            ++writesOut;
            const auto done = [this, w](const CaldavStatus& s, const QString& etag) {
                --writesOut;
                if (!running) return;
                const qint64 key = DayKey(w.day);
                if (s.ok() || (w.data.isEmpty() && s.http == 404)) {
                    if (w.data.isEmpty())
                        state.days.erase(key);
                    else
                        state.days[key] = {w.url.toString(), etag, w.hash};
                } else if (s.Unreachable() || s.Refused()) {
                    return Fail(s.Reason());
                } else if (s.http == 412) {
                    // Changed on the server meanwhile, or there already though no listing named it: the next
                    // round lists everything and compares again.
                    again = true;
                    listAll = true;
                } else {
                    writeError = s.Reason();
                }
                WriteNext();
            };
            if (w.data.isEmpty())
                client->Delete(w.url, w.etag, [done](const CaldavStatus& s) { done(s, QString()); });
            else
                client->Put(w.url, w.data, w.etag, done);
        }
        if (running && writesOut == 0 && nextWrite >= writes.size()) Succeed();
    }

    void Succeed() {
        if (listAll)
            state.token.clear();
        else if (!newToken.isEmpty())
            state.token = newToken;
        SaveState(state);
        QString text = writeError.isEmpty()
                           ? QStringLiteral("Synced %1").arg(FormatDate(QStringLiteral("HH:mm"), GetNow()))
                           : QStringLiteral("Synced %1, but the server refused a change: %2")
                                 .arg(FormatDate(QStringLiteral("HH:mm"), GetNow()), writeError);
        if (!conflicts.isEmpty())
            text += QStringLiteral("; merged both versions of %1").arg(conflicts.join(QStringLiteral(", ")));
        lastWorked = true;
        End(text);
    }

    void Fail(const QString& reason, bool retry = true) {
        if (client) client->AbortAll();
        if (!state.collection.isEmpty()) SaveState(state);
        const QString text = QStringLiteral("Sync failed: %1%2")
                                 .arg(reason, retry ? QStringLiteral(", will retry") : QString());
        if (lastWorked) PostDesktopNotification(QStringLiteral("VRD X could not sync"), text);
        lastWorked = false;
        again = false;
        End(text);
    }

    void End(const QString& text) {
        running = false;
        writeError.clear();
        if (client) client->AbortAll();
        state = SyncState{};
        remote.clear();
        writes.clear();
        SetStatus(text);
        // Another round when asked for meanwhile, but never round after round on its own.
        if (again && ++rounds <= MaxRounds) {
            QTimer::singleShot(0, this, [this] { Run(); });
            return;
        }
        rounds = 0;
        if (finished) finished();
    }

    struct Remote {
        enum Kind { Changed, Gone, Unreadable } kind = Changed;
        QUrl    url;
        QString etag;
        Record  record;
    };

    QTimer                periodic, afterChange;
    SyncSettings          settings;
    CaldavClient*         client = nullptr;
    QUrl                  collection;
    SyncState             state;
    QString               newToken, writeError;
    QHash<qint64, Remote> remote;
    QList<QUrl>           toFetch;
    QList<Write>          writes;
    qsizetype             nextWrite = 0;
    int                   writesOut = 0;
    QStringList           conflicts;
    bool                  running = false, again = false, applying = false, lastWorked = false;
    bool                  listAll = false; // a write found the listing out of date
    int                   rounds = 0;
    int                   generation = 0; // counts runs
    std::function<void()> finished;
};

SyncEngine& Engine() {
    static SyncEngine* engine = [] {
        auto* e = new SyncEngine;
        FollowDaynotes(e, [e](const DaynoteChanges&) { e->DaynotesChanged(); });
        return e;
    }();
    return *engine;
}

} // namespace

QString SyncAccount(const QString& server, const QString& user) {
    const QUrl url = QUrl::fromUserInput(server.trimmed());
    // The port written out even when it is the scheme's own, and no trailing slash: one server, one key.
    const int port = url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
    QString   path = url.path(QUrl::FullyEncoded);
    while (path.endsWith(QLatin1Char('/'))) path.chop(1);
    return QStringLiteral("%1@%2://%3:%4%5").arg(user, url.scheme(), url.host()).arg(port).arg(path);
}

void ReadSyncPassword(const QString& server, const QString& user,
                      std::function<void(bool, const QString&)> done) {
    const QString account = SyncAccount(server, user);
    ReadSecretPassword(account, [=](bool found, const QString& password, const QString&) {
        if (found) return done(true, password);
        // Kept by an older version under the user and host alone.
        const QString older = QStringLiteral("%1@%2").arg(user, QUrl::fromUserInput(server.trimmed()).host());
        ReadSecretPassword(older, [=](bool found, const QString& password, const QString&) {
            if (!found) return done(false, QString());
            WriteSecretPassword(account, password, [older](bool moved, const QString&) {
                if (moved) WriteSecretPassword(older, QString());
            });
            done(true, password);
        });
    });
}

void StartSyncService() {
    Engine().Configure();
    Engine().Start();
}

int CommandSync(FourCC) {
    SyncNow();
    return 0;
}

void SyncNow() {
    Engine().Configure();
    Engine().Start();
}

void SyncAtQuit(int limitMs) {
    Engine().FinishWithin(limitMs);
}

void SyncSettingsChanged() {
    Engine().Configure();
}

QString SyncStatusText() {
    return Prefs().sync.enabled ? Engine().status : QString();
}

void FollowSyncStatus(QObject* context, std::function<void()> follow) {
    AddFollower(StatusFollowers(), context, std::move(follow));
}

void DiscoverCalendars(const QString& server, const QString& user, const QString& password,
                       std::function<void(const CaldavStatus&, const QList<CaldavCollection>&)> done) {
    auto* client = new CaldavClient(user, password);
    client->Discover(QUrl::fromUserInput(server),
                     [client, done](const CaldavStatus& s, const QList<CaldavCollection>& found) {
                         client->deleteLater();
                         done(s, found);
                     });
}
