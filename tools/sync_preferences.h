// The Sync group of the Preferences window: the CalDAV account, its calendar and how often to sync. The
// password goes straight to the desktop's keyring.
#pragma once

class QWidget;

enum SyncPreferencesControl : int {
    SyncEnabledBox = 881,
    SyncServerField = 882,
    SyncUserField = 883,
    SyncPasswordField = 884,
    SyncCalendarPopUp = 885,
    SyncMinutesField = 886,
    SyncFindButton = 887,
};

void FillSyncPreferences(QWidget* window);
// At closing: the fields go to the record (the password to the keyring), and sync follows.
void TakeSyncPreferences(QWidget* window);

int SyncEnabledHit(int controlId, unsigned modifiers);
int SyncCalendarChosen(int controlId, unsigned modifiers);
// Asks the server for the account's calendars and fills the pop-up with them.
int SyncFindHit(int controlId, unsigned modifiers);
