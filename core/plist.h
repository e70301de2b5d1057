// Apple's XML property-list format: the daynote and event files, written byte for byte as Apple's and
// Python's writers do and read from anything those writers produce.
#pragma once

#include "core/records.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

// Values nested deeper than this are refused on reading and left out on writing (the root is at depth 1).
constexpr int PropertyListMaxDepth = 512;
// Larger inputs are refused rather than parsed: no real calendar file comes near it.
constexpr qsizetype PropertyListMaxBytes = qsizetype(1) << 30;

// The whole file: XML declaration, DOCTYPE, <plist>, then the root with tab indentation. Text is UTF-8 with
// &, < and > escaped and a carriage return written as &#13; so that it survives XML line-end handling;
// characters that XML 1.0 cannot hold are left out, and so are std::monostate values (a monostate root
// gives an empty <plist>). Dates are written in whole UTC seconds, rounded down, years 1 to 9999.
QByteArray WritePropertyList(const Value& root);

// Writes the file as WriteBytesAtomically does, while the property list is being serialised: a thread
// compares each finished piece with the file on the disk and, from the first difference on, writes the
// pieces to the new file. A file that already holds exactly these bytes is left untouched (no new file,
// *replaced false). `beforeReplace` runs, on the calling thread, just before the new file takes the path.
bool WritePropertyListFile(const QString& path, const Value& root, QString* error, bool* replaced = nullptr,
                           const std::function<void()>& beforeReplace = {});
bool WritePropertyListFile(const QString& path, const RecordArray& root, QString* error,
                           bool* replaced = nullptr, const std::function<void()>& beforeReplace = {});
// Writes the bytes to a new file beside the path and renames it over the path once they are on the disk, so
// that the path always holds the whole old or the whole new file. A failure leaves the old file and says
// why in the system's words.
bool WriteBytesAtomically(const QByteArray& bytes, const QString& path, QString* error);

// Parses a whole file. On failure returns false, sets *error (when given) to a one-line reason with the
// line number where known, and leaves *root untouched. Raw carriage returns in text are kept as they stand;
// characters that XML 1.0 cannot hold are dropped, as on writing. Duplicate dictionary keys: the last value
// wins in the place of the first key. A null root only checks the file.
// Dictionary keys equal to one of `sharedKeys` are that very string, shared rather than a copy: looking a
// key up then finds it by its address.
bool ReadPropertyList(const QByteArray& bytes, Value* root, QString* error,
                      const std::vector<QString>* sharedKeys = nullptr);
bool ReadPropertyListFile(const QString& path, Value* root, QString* error,
                          const std::vector<QString>* sharedKeys = nullptr);

// The two readers behind ReadPropertyList, for tests that hold one against the other. The quick one walks the
// plain form that the writers produce and declines anything else (false, *root untouched, no reason), which
// the full one, on a parsed tree, then decides: it takes every form, with the same reasons as above.
bool ReadPlainPropertyList(const QByteArray& bytes, Value* root,
                           const std::vector<QString>* sharedKeys = nullptr);
bool ReadFullPropertyList(const QByteArray& bytes, Value* root, QString* error,
                          const std::vector<QString>* sharedKeys = nullptr);
