// The program's web page and the check for a newer version, both on the web site this build names.
#pragma once

#include <QString>

// Where the web site is: the preference, when set, else the address the program was built with; empty when
// neither names one.
extern const QString WebSiteKey;
QString              WebSiteAddress();
// The web page and version check commands are shown only while there is a web site to reach.
void UpdateWebCommands();

QString GetAppVersion();
// Command 'WebP'; returns the status of OpenURLText.
int OpenProductWebPage();

enum class VersionVerdict { Newer, Current, Unreadable };
// Numbers compared field by field (3.10 is newer than 3.9); white space around the published text is
// ignored, and a text that is no dotted number is unreadable.
VersionVerdict CompareVersions(const QString& published, const QString& own);

// Command 'Vers': fetches the published version in the background and says what it found in an alert.
// While one check is under way, asking again does nothing.
void CheckForNewVersion(const QString& ownVersion = GetAppVersion());
bool IsVersionCheckRunning();
