// The daynote store: the one place that says which days of the daynote array changed. Every change, whoever
// makes it, is told once, when the outermost change scope around it ends (or when undo, redo or a restore
// puts days back), and every view that shows daynotes follows it by redrawing just those days.
#pragma once

#include "core/records.h"

#include <QWidget>
#include <functional>
#include <vector>

class QString;

// The days one change touched.
struct DaynoteChanges {
    std::vector<double> days;               // 00:00 of each changed day, ascending
    bool                everything = false; // the array was replaced: any day may differ
    bool                reminders = false;  // a reminder moment was added, changed or removed

    bool Has(double day) const;
    // Whether a changed day lies in [first, last].
    bool HasBetween(double first, double last) const;
    bool Empty() const { return days.empty() && !everything; }
};

class DaynoteStore : public QObject {
    Q_OBJECT
  public:
    // Tells every follower; the change scope of undo.h calls it, nobody else needs to.
    void Announce(const DaynoteChanges& changes);

  signals:
    void DaynotesChanged(const DaynoteChanges& changes);
};

DaynoteStore& TheDaynoteStore();

// Calls `follow` after every change of the daynote array, for as long as `context` lives.
void FollowDaynotes(QObject* context, std::function<void(const DaynoteChanges&)> follow);

// What an editor writes back when the day it shows changed elsewhere after it loaded `loaded` and the user
// then typed `typed`: the user's text, then each line of `stored` that neither the user's text nor the loaded
// text holds, on a line of its own. Nothing the other change added is lost, nor anything the user typed.
QString MergeTypedText(const QString& typed, const QString& loaded, const QString& stored);

// Pure edits of the daynote array, for any feature that adds to it; the caller holds the change scope.

// The font flags of a daynote's style record.
inline constexpr int16_t DaynoteStyleFlags = 0x024F;

// A new daynote record at `index` (where FindNoteIndex put the day) with `text`, `type` and `style`.
void InsertStyledDaynote(double date, const QString& text, int8_t type, const NoteFontStyle& style, int index,
                         RecordArray& daynotes);

// The reminder a daynote gets unasked: a week before its day, no mail, no link. A daynote that already has a
// reminder keeps it.
void SetDefaultReminder(RecordArray& daynotes, int index);

// Puts the text on the date's daynote: appended after a carriage return to a daynote that does not already
// hold it (compared without case; its type is kept), or as a new daynote of the type. With a reminder asked
// for, a daynote without one gets the default reminder. True when nothing was
// added because the daynote already holds the text.
bool AddNamedDaynote(double date, const QString& text, int8_t type, bool withReminder, RecordArray& daynotes);
// "There is already a daynote for ' <text>' on this date in <year>", when AddNamedDaynote found the text
// there.
void ShowDuplicateDaynoteAlert(const QString& text, int year);
