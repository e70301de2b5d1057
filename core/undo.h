// Undo and redo of daynote changes: one application-wide stack whose steps are the days a user action
// changed.
#pragma once

#include "core/records.h"

#include <QString>

class QUndoStack;

// The stack of the session; its texts are the step names ("Delete Daynote of 8 December 2026"). It keeps
// at most 200 steps and about 64 MB of the texts they hold (the newest step whatever its size); the oldest
// steps go first.
QUndoStack& DaynoteUndoStack();

// A user action that may change the daynote array. The outermost Begin takes a copy of the array; its End
// records the days that differ as one step (none when nothing changed). Inner Begin/End pairs join the
// outermost. The first name given wins; without one the step is named after what changed.
void BeginDaynoteChange(const QString& name = QString());
// A change the user did not make (an e-mail handed over takes its fields off): told to the daynote store
// like any other, but no undo step. Joins an action already open.
void BeginUnrecordedDaynoteChange();
void EndDaynoteChange();
// The daynote array was replaced and the daynote store has told every view so (the file was read): the undo
// history takes it as it stands, rather than comparing it with what it had and telling everything again.
void AdoptAnnouncedDaynotes();
// Names the step now open (the action knows better than its caller what it did).
void NameDaynoteChange(const QString& name);
// Consecutive typing steps on the same single day become one step, until another action comes between.
void MarkDaynoteChangeAsTyping();

// Every change of the daynote array ends, with the outermost scope around it, in one announcement of the
// days it changed by the daynote store (core/daynote_store.h).
struct DaynoteChangeScope {
    explicit DaynoteChangeScope(const QString& name = QString()) { BeginDaynoteChange(name); }
    ~DaynoteChangeScope() { EndDaynoteChange(); }
    DaynoteChangeScope(const DaynoteChangeScope&) = delete;
    DaynoteChangeScope& operator=(const DaynoteChangeScope&) = delete;
};

// Undo or redo the step at the top of the stack: the changed days get back exactly the records they had
// (every key, known or not), and the daynote store tells which. False when there is none.
bool UndoDaynoteChange();
bool RedoDaynoteChange();

// The days in which two date-sorted daynote arrays differ, each with its record before and after (an absent
// record is a monostate Value). Empty when they are equal; a single entry with date NaN and the whole arrays
// when either array is not one record per day in date order.
struct DaynoteDayChange {
    double date = 0;
    Value  before, after;
};
std::vector<DaynoteDayChange> DiffDaynotes(const RecordArray& before, const RecordArray& after);
// Applies the records of one side (after when forward) to the array.
void ApplyDaynoteChanges(const std::vector<DaynoteDayChange>& changes, bool forward, RecordArray& daynotes);

struct UnrecordedDaynoteChangeScope {
    UnrecordedDaynoteChangeScope() { BeginUnrecordedDaynoteChange(); }
    ~UnrecordedDaynoteChangeScope() { EndDaynoteChange(); }
    UnrecordedDaynoteChangeScope(const UnrecordedDaynoteChangeScope&) = delete;
    UnrecordedDaynoteChangeScope& operator=(const UnrecordedDaynoteChangeScope&) = delete;
};
