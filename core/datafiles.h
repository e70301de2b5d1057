// The data folder and its files: the daynote and event property lists, text files for exports and logs,
// and alias records of files the preferences remember.
#pragma once

#include "core/records.h"

#include <QString>
#include <functional>

inline const QString DaynoteFileName = QStringLiteral("VRDX DayNotes");
inline const QString EventFileName = QStringLiteral("VRDX Events");
inline const QString DataFolderName = QStringLiteral("VRDX");
inline const QString OldDataFolderName = QStringLiteral("VRDXData");

// $XDG_DATA_HOME (normally ~/.local/share) with the name appended; empty if the desktop gives no folder.
QString GetAppSupportURL(const QString& name);
// The data folder, created with any missing folders above it when nothing of that name exists.
QString GetDataFolderURL();
QString GetDataFileURL(const QString& name);
// Renames an old "VRDXData" folder to "VRDX"; nothing happens (and nothing is said) if that fails.
void MigrateDataFolder();

// A missing file gives an empty array. A file that exists but is not a property-list array of records is
// moved aside under a name that says so, the user is told, and the array starts empty: the next save must
// never write over words the user still has. Returns false only if the damaged file could not be moved, in
// which case nothing may be saved under its name.
bool LoadDaynoteFile(const QString& name, RecordArray* daynotes);
// LoadDaynoteFile in two halves, so that start-up can build its windows while the file is read: the reading
// runs on a worker thread, and `read` is then called on the event loop. Finishing waits for the worker if
// it is not done yet (and without a start reads now), then does with the result what LoadDaynoteFile does.
// `prepare` works on the array read, on the worker when there is one: it must touch nothing but the array,
// and says whether it changed it.
using DaynotePreparation = std::function<bool(RecordArray&)>;
void StartReadingDaynoteFile(const QString& name, DaynotePreparation prepare, std::function<void()> read);
bool FinishReadingDaynoteFile(const QString& name, const DaynotePreparation& prepare, RecordArray* daynotes);
bool LoadEventFile(RecordArray* events);
// Reads a property-list array of records from any file, touching nothing; false when it is missing or not
// such an array.
bool ReadRecordArrayFile(const QString& path, RecordArray* array);
// True when the path is a regular file holding exactly these bytes (a save that would change nothing).
bool FileHoldsBytes(const QString& path, const QByteArray& bytes);
// Writes atomically, then stamps type 'DNOT' (the daynote file) or 'EVNT' (any other name), creator 'Zer2';
// a file that already holds those bytes is left as it is. On failure *reason says where and why
// ("<file or folder>: <system's reason>").
bool SaveRecordFile(const RecordArray& array, const QString& name, QString* reason = nullptr);
// The Save command and the autosave: saves the daynote file, and when that fails tells the user which file
// and why in an alert. The daynotes stay in memory either way.
bool                 SaveDaynoteFile(const RecordArray& daynotes);
inline const QString DaynotesNotSavedMessage = QStringLiteral("The daynotes could not be saved");
// Converts the event list form back to stored records and saves them; an array with no element at all is
// not saved.
void SaveEventList(const RecordArray& eventList);
// The daynotes at the moment of an internal error or of a failed save at quit, beside the daynote file and
// never over it, or in the home folder when the data folder cannot take it. The path, or empty on failure.
QString WriteRecoveryFile(const RecordArray& daynotes);

// A file moved aside because it could not be read, named after what happened and when.
QString MoveDamagedFileAside(const QString& path);

// Text files for people (exported logs, time logs): UTF-8 with line feeds, every character kept; carriage
// returns in the text (line breaks of notes from the Mac) become line feeds. The file is replaced atomically.
bool WriteTextFile(const QString& text, const QString& path, QString* reason = nullptr);

// Resources installed with the program (sounds, scripts), by exact name.
QString GetBundleResourcePath(const QString& name);

// Alias records: the file's absolute path as UTF-8 data; it resolves while a file exists there.
QByteArray MakeFileAlias(const QString& path);
bool       ResolveAliasData(const QByteArray& alias, QString* path);
