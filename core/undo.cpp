// Undo and redo of daynote changes: steps hold only the days that changed, so a step costs what it changed
// and steps stay right when something else (a reminder firing) changed other days between them.
#include "core/undo.h"

#include "core/app_state.h"
#include "core/dates.h"
#include "core/daynote_store.h"

#include <QUndoCommand>
#include <QUndoStack>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// The steps of a long session stay within reason; the oldest go first, by number and by the text they keep
// (a step keeps the records of the days it changed: another program adding to a long daynote again and
// again makes each step as large as the daynote).
constexpr int       UndoLimit = 200;
constexpr qsizetype UndoTextCeiling = qsizetype(64) << 20;

double NoteDate(const Value& note) {
    const Record*    record = ValueRecord(note);
    const Value*     field = record ? FindField(*record, NoteDateKey) : nullptr;
    const DateValue* date = field ? ValueDate(*field) : nullptr;
    return date ? date->absTime : -std::numeric_limits<double>::infinity();
}

bool OneRecordPerDay(const RecordArray& notes) {
    double last = -std::numeric_limits<double>::infinity();
    for (const Value& note : notes) {
        const Record* record = ValueRecord(note);
        const Value*  field = record ? FindField(*record, NoteDateKey) : nullptr;
        if (!field || !ValueDate(*field)) return false;
        const double date = ValueDate(*field)->absTime;
        if (!(date > last)) return false;
        last = date;
    }
    return true;
}

// Equal values, found fast for the texts and data an unchanged record still shares with its copy.
bool SameValue(const Value& a, const Value& b);

bool SameText(const QString& s, const QString& t) {
    return (s.constData() == t.constData() && s.size() == t.size()) || s == t;
}

bool SameRecord(const Record& a, const Record& b) {
    if (a.fields.size() != b.fields.size()) return false;
    if (SharedRecord(a, b)) return true;
    for (qsizetype i = 0; i < a.fields.size(); ++i)
        if (!SameText(a.fields[i].key, b.fields[i].key) || !SameValue(a.fields[i].value, b.fields[i].value))
            return false;
    return true;
}

bool SameValue(const Value& a, const Value& b) {
    if (a.v.index() != b.v.index()) return false;
    if (const auto* s = std::get_if<QString>(&a.v)) return SameText(*s, std::get<QString>(b.v));
    if (const auto* d = std::get_if<QByteArray>(&a.v)) {
        const QByteArray& e = std::get<QByteArray>(b.v);
        return (d->constData() == e.constData() && d->size() == e.size()) || *d == e;
    }
    if (const auto* r = std::get_if<Record>(&a.v)) return SameRecord(*r, std::get<Record>(b.v));
    return a == b;
}

// Two arrays differ only in before[first, beforeEnd) and after[first, afterEnd): around those stand the very
// same records (shared storage), found without reading a field. An action changes a few records and every
// other one still shares its fields with the shadow, so this is all most comparisons look at.
struct DiffSpan {
    size_t first = 0, beforeEnd = 0, afterEnd = 0;
    bool   identical() const { return first == beforeEnd && first == afterEnd; }
};

DiffSpan ChangedSpan(const RecordArray& before, const RecordArray& after) {
    const size_t n = std::min(before.size(), after.size());
    DiffSpan     span{0, before.size(), after.size()};
    while (span.first < n && SharedRecordValue(before[span.first], after[span.first])) ++span.first;
    while (span.beforeEnd > span.first && span.afterEnd > span.first &&
           SharedRecordValue(before[span.beforeEnd - 1], after[span.afterEnd - 1]))
        --span.beforeEnd, --span.afterEnd;
    return span;
}

// Whether array[first, end) is one record per day in date order and fits between the records around it,
// which are known to be in order.
bool OrderedBetween(const RecordArray& array, size_t first, size_t end) {
    double last = first > 0 ? NoteDate(array[first - 1]) : -std::numeric_limits<double>::infinity();
    for (size_t i = first; i < end; ++i) {
        const Record* record = ValueRecord(array[i]);
        const Value*  field = record ? FindField(*record, NoteDateKey) : nullptr;
        if (!field || !ValueDate(*field)) return false;
        const double date = ValueDate(*field)->absTime;
        if (!(date > last)) return false;
        last = date;
    }
    return end == array.size() || NoteDate(array[end]) > last;
}

// The days that differ, looking only inside the span; `beforeOrdered` is asked only when something differs.
template <typename Ordered>
std::vector<DaynoteDayChange> DiffSpanDays(const RecordArray& before, const RecordArray& after,
                                           const DiffSpan& span, Ordered beforeOrdered) {
    std::vector<DaynoteDayChange> changes;
    if (span.identical()) return changes;
    if (span.beforeEnd - span.first == span.afterEnd - span.first &&
        std::equal(before.begin() + qsizetype(span.first), before.begin() + qsizetype(span.beforeEnd),
                   after.begin() + qsizetype(span.first), SameValue))
        return changes;
    // The records around the span are the same in both, so the after array is in order when the before array
    // is and the span fits.
    if (!beforeOrdered() || !OrderedBetween(after, span.first, span.afterEnd)) {
        changes.push_back({std::numeric_limits<double>::quiet_NaN(), Value(before), Value(after)});
        return changes;
    }
    size_t i = span.first, j = span.first;
    while (i < span.beforeEnd || j < span.afterEnd) {
        const double a = i < span.beforeEnd ? NoteDate(before[i]) : std::numeric_limits<double>::infinity();
        const double b = j < span.afterEnd ? NoteDate(after[j]) : std::numeric_limits<double>::infinity();
        if (a < b) {
            changes.push_back({a, before[i++], Value()});
        } else if (b < a) {
            changes.push_back({b, Value(), after[j++]});
        } else {
            if (!SameValue(before[i], after[j])) changes.push_back({a, before[i], after[j]});
            ++i, ++j;
        }
    }
    return changes;
}

bool Present(const Value& v) {
    return v.kind() != ValueKind::None;
}

bool TouchesReminders(const std::vector<DaynoteDayChange>& changes) {
    const auto reminderOf = [](const Value& note) -> const Value* {
        const Record* record = ValueRecord(note);
        return record ? FindField(*record, ReminderDateKey) : nullptr;
    };
    for (const DaynoteDayChange& c : changes) {
        if (std::isnan(c.date)) return true;
        const Value* a = reminderOf(c.before);
        const Value* b = reminderOf(c.after);
        if ((a != nullptr) != (b != nullptr) || (a && *a != *b)) return true;
    }
    return false;
}

QString StepName(const std::vector<DaynoteDayChange>& changes) {
    if (changes.size() == 1 && std::isnan(changes.front().date)) return QStringLiteral("Change Daynotes");
    bool allAdded = true, allDeleted = true;
    for (const DaynoteDayChange& c : changes) {
        allAdded = allAdded && !Present(c.before);
        allDeleted = allDeleted && !Present(c.after);
    }
    const QString verb = allAdded     ? QStringLiteral("Add")
                         : allDeleted ? QStringLiteral("Delete")
                                      : QStringLiteral("Change");
    if (changes.size() == 1)
        return QStringLiteral("%1 Daynote of %2")
            .arg(verb, FormatDate(QStringLiteral("d MMMM yyyy"), changes[0].date));
    return QStringLiteral("%1 %2 Daynotes").arg(verb).arg(changes.size());
}

// More changed days than this are told as "everything": the views redraw whole sooner than day by day.
constexpr size_t ManyDays = 64;

// What the store tells its followers about a step's days.
DaynoteChanges ChangedDays(const std::vector<DaynoteDayChange>& changes) {
    DaynoteChanges told;
    told.reminders = TouchesReminders(changes);
    told.everything = changes.size() > ManyDays;
    for (const DaynoteDayChange& c : changes) {
        if (std::isnan(c.date)) told.everything = true;
        if (told.everything) break;
        told.days.push_back(c.date);
    }
    if (told.everything) told.days.clear();
    return told;
}

// Bytes of text and data a value holds (shared or not: what dropping the step may give back).
qsizetype HeldBytes(const Value& value) {
    if (const QString* text = ValueText(value)) return text->size() * qsizetype(sizeof(QChar));
    if (const QByteArray* data = ValueData(value)) return data->size();
    if (const Record* record = ValueRecord(value)) {
        qsizetype bytes = 0;
        for (const RecordField& field : record->fields) bytes += HeldBytes(field.value);
        return bytes;
    }
    if (const auto* array = std::get_if<RecordArray>(&value.v)) {
        qsizetype bytes = 0;
        for (const Value& element : *array) bytes += HeldBytes(element);
        return bytes;
    }
    return 0;
}

qsizetype HeldBytes(const std::vector<DaynoteDayChange>& changes) {
    qsizetype bytes = 0;
    for (const DaynoteDayChange& c : changes) bytes += HeldBytes(c.before) + HeldBytes(c.after);
    return bytes;
}

struct OpenChange {
    int     depth = 0;
    QString name;
    bool    typing = false;
    bool    recorded = true; // an undo step, or only told to the store
};
OpenChange open;
// The array as the last recorded step left it. An action compares the array with it rather than copying the
// array first, so that the many actions that change nothing cost no copy however many daynotes there are.
RecordArray shadow;
// Whether the shadow is one record per day in date order, once known: the comparison then looks only at the
// records that changed rather than at every date.
std::optional<bool> shadowOrdered;
bool                typingOpen = false; // the top step is typing that the next keystroke may join

bool ShadowOrdered() {
    if (!shadowOrdered) shadowOrdered = OneRecordPerDay(shadow);
    return *shadowOrdered;
}

// The shadow after a step's days were applied: still in order unless the step replaced it whole.
void ApplyToShadow(const std::vector<DaynoteDayChange>& changes, bool forward) {
    ApplyDaynoteChanges(changes, forward, shadow);
    if (!changes.empty() && (std::isnan(changes.front().date) || shadowOrdered != true))
        shadowOrdered.reset();
}

// The days in which the array differs from the shadow; the shadow then takes the array's records for them, so
// that it shares every record with the array again.
std::vector<DaynoteDayChange> CatchUpShadow() {
    const RecordArray&            now = App().daynotes;
    const DiffSpan                span = ChangedSpan(shadow, now);
    std::vector<DaynoteDayChange> changes = DiffSpanDays(shadow, now, span, ShadowOrdered);
    if (span.identical()) return changes;
    const size_t removed = span.beforeEnd - span.first, added = span.afterEnd - span.first;
    const auto   from = now.begin() + qsizetype(span.first);
    const auto   to = shadow.begin() + qsizetype(span.first);
    std::copy(from, from + qsizetype(std::min(removed, added)), to);
    if (removed > added)
        shadow.erase(to + qsizetype(added), to + qsizetype(removed));
    else if (added > removed)
        shadow.insert(to + qsizetype(removed), from + qsizetype(removed), from + qsizetype(added));
    // Days told one by one: both arrays were in order. A whole replacement: the new shadow is looked at anew.
    if (changes.empty()) return changes;
    if (std::isnan(changes.front().date))
        shadowOrdered.reset();
    else
        shadowOrdered = true;
    return changes;
}

class DaynoteStep : public QUndoCommand {
  public:
    DaynoteStep(std::vector<DaynoteDayChange> changes, const QString& name, bool typing)
        : changes(std::move(changes)), typing(typing), bytes(HeldBytes(this->changes)) {
        setText(name);
    }
    // The same step, to be pushed again onto an emptied stack: it holds its change as done already.
    DaynoteStep* Copy() const { return new DaynoteStep(changes, text(), typing); }
    qsizetype    Bytes() const { return bytes; }

    void undo() override { Apply(false); }
    void redo() override {
        // Pushing it: the array holds the change already.
        if (!done) {
            done = true;
            return;
        }
        Apply(true);
    }
    int  id() const override { return typing ? 1 : -1; }
    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = static_cast<const DaynoteStep*>(other);
        if (!typingOpen || !next->typing || changes.size() != 1 || next->changes.size() != 1 ||
            changes[0].date != next->changes[0].date)
            return false;
        changes[0].after = next->changes[0].after;
        bytes = HeldBytes(changes);
        setObsolete(changes[0].before == changes[0].after);
        return true;
    }

  private:
    void Apply(bool forward) {
        typingOpen = false;
        ApplyDaynoteChanges(changes, forward, App().daynotes);
        // The shadow follows, so that an action still open (the undo ran inside one) does not record the undo
        // as a change of its own.
        ApplyToShadow(changes, forward);
        TheDaynoteStore().Announce(ChangedDays(changes));
    }

    std::vector<DaynoteDayChange> changes;
    bool                          typing;
    qsizetype                     bytes;
    bool                          done = false;
};

// Past the ceiling, the oldest steps go. The stack cannot drop its bottom steps itself, so the steps kept
// are pushed again onto the emptied stack; only just after a push, when no step waits for a redo.
void KeepUnderCeiling(QUndoStack& stack) {
    qsizetype total = 0;
    int       first = stack.count();
    while (first > 0) {
        const auto* step = static_cast<const DaynoteStep*>(stack.command(first - 1));
        // The newest step stays whatever its size: it is what the user would undo first.
        if (first < stack.count() && total + step->Bytes() > UndoTextCeiling) break;
        total += step->Bytes();
        --first;
    }
    if (first == 0) return;
    std::vector<DaynoteStep*> kept;
    for (int i = first; i < stack.count(); ++i)
        kept.push_back(static_cast<const DaynoteStep*>(stack.command(i))->Copy());
    const bool typing = typingOpen;
    typingOpen = false; // the copies must not merge into each other
    stack.clear();
    for (DaynoteStep* step : kept) stack.push(step);
    typingOpen = typing;
}

} // namespace

QUndoStack& DaynoteUndoStack() {
    static QUndoStack* stack = [] {
        auto* s = new QUndoStack; // lives for the session
        s->setUndoLimit(UndoLimit);
        return s;
    }();
    return *stack;
}

namespace {

void Begin(const QString& name, bool recorded) {
    if (open.depth == 0) {
        // Something outside any action may have changed or replaced the array since: the store tells it
        // first, so that no view goes on showing what is gone. The copy shares every record, so that the
        // comparison at the end finds them unchanged by identity alone.
        if (!SharedRecords(shadow, App().daynotes)) TheDaynoteStore().Announce(ChangedDays(CatchUpShadow()));
        open.name = name;
        open.typing = false;
        open.recorded = recorded;
    } else if (open.name.isEmpty()) {
        open.name = name;
    }
    ++open.depth;
}

} // namespace

void BeginDaynoteChange(const QString& name) {
    Begin(name, true);
}

void BeginUnrecordedDaynoteChange() {
    Begin(QString(), false);
}

void AdoptAnnouncedDaynotes() {
    shadow = App().daynotes;
    shadowOrdered.reset();
}

void NameDaynoteChange(const QString& name) {
    if (open.depth > 0 && open.name.isEmpty()) open.name = name;
}

void MarkDaynoteChangeAsTyping() {
    if (open.depth > 0) open.typing = true;
}

void EndDaynoteChange() {
    if (open.depth == 0 || --open.depth > 0) return;
    std::vector<DaynoteDayChange> changes = CatchUpShadow();
    const bool                    typing = open.typing;
    DaynoteChanges                told = ChangedDays(changes);
    if (!changes.empty() && open.recorded) {
        const QString name = open.name.isEmpty() ? StepName(changes) : open.name;
        DaynoteUndoStack().push(new DaynoteStep(std::move(changes), name, typing));
        typingOpen = typing;
        KeepUnderCeiling(DaynoteUndoStack());
    } else if (open.recorded) {
        typingOpen = typing;
    }
    // Told after the step is pushed: a follower that looks at the stack sees this change on it.
    TheDaynoteStore().Announce(told);
}

bool UndoDaynoteChange() {
    QUndoStack& stack = DaynoteUndoStack();
    if (!stack.canUndo()) return false;
    stack.undo();
    return true;
}

bool RedoDaynoteChange() {
    QUndoStack& stack = DaynoteUndoStack();
    if (!stack.canRedo()) return false;
    stack.redo();
    return true;
}

std::vector<DaynoteDayChange> DiffDaynotes(const RecordArray& before, const RecordArray& after) {
    return DiffSpanDays(before, after, ChangedSpan(before, after),
                        [&before] { return OneRecordPerDay(before); });
}

void ApplyDaynoteChanges(const std::vector<DaynoteDayChange>& changes, bool forward, RecordArray& daynotes) {
    if (changes.empty()) return;
    if (changes.size() == 1 && std::isnan(changes.front().date)) {
        const Value&       whole = forward ? changes.front().after : changes.front().before;
        const RecordArray* array = std::get_if<RecordArray>(&whole.v);
        daynotes = array ? *array : RecordArray();
        return;
    }
    // One walk over the array in date order, however many days the step holds.
    RecordArray merged;
    merged.reserve(daynotes.size() + changes.size());
    size_t i = 0;
    for (const DaynoteDayChange& c : changes) {
        while (i < daynotes.size() && NoteDate(daynotes[i]) < c.date)
            merged.push_back(std::move(daynotes[i++]));
        if (i < daynotes.size() && NoteDate(daynotes[i]) == c.date) ++i;
        const Value& record = forward ? c.after : c.before;
        if (Present(record)) merged.push_back(record);
    }
    while (i < daynotes.size()) merged.push_back(std::move(daynotes[i++]));
    daynotes = std::move(merged);
}
