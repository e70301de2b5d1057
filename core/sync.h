// Two-way sync of the daynotes with one CalDAV collection. Offline first: the daynotes in memory and on
// disk are the truth the user works on; a sync compares each day with the server and with the state of the
// last sync, sends what changed here, takes what changed there and merges a day changed on both sides so
// that no line of either is lost. Nothing here waits for the network.
#pragma once

#include "core/caldav_client.h"
#include "platform/fourcc.h"

#include <QString>
#include <functional>

class QObject;

// At launch, once the event loop runs: the first sync, the timer, and a sync after each change.
void StartSyncService();
// File > Sync Now (command 'Sync').
int  CommandSync(FourCC);
void SyncNow();
// The quit gives a sync at most `limitMs`; what is not sent by then goes next time.
void SyncAtQuit(int limitMs = 3000);
// The preferences window changed the account: timers and the calendar line follow it.
void SyncSettingsChanged();

// The one-line status ("Synced 14:02", "Sync failed: server not reachable, will retry"); empty while sync is
// off.
QString SyncStatusText();
// Calls `follow` after every change of the status, for as long as `context` lives.
void FollowSyncStatus(QObject* context, std::function<void()> follow);

// The calendars of an account, for the preferences window's pop-up; answers later.
void DiscoverCalendars(const QString& server, const QString& user, const QString& password,
                       std::function<void(const CaldavStatus&, const QList<CaldavCollection>&)> done);
// The Secret Service account name of the user on the server: the user and the whole server address, so two
// servers on one host keep a password each.
QString SyncAccount(const QString& server, const QString& user);
// The account's password from the keyring. One stored under the older key (user and host only) is read once
// and moved to the account's own key.
void ReadSyncPassword(const QString& server, const QString& user,
                      std::function<void(bool found, const QString& password)> done);
