// The daynote store's announcements and the rule that joins an editor's typing with a change made elsewhere.
#include "core/daynote_store.h"
#include "core/dates.h"
#include "platform/alerts.h"

#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <algorithm>

bool DaynoteChanges::Has(double day) const {
    return everything || std::binary_search(days.begin(), days.end(), day);
}

bool DaynoteChanges::HasBetween(double first, double last) const {
    if (everything) return true;
    const auto it = std::lower_bound(days.begin(), days.end(), first);
    return it != days.end() && *it <= last;
}

void DaynoteStore::Announce(const DaynoteChanges& changes) {
    if (!changes.Empty()) emit DaynotesChanged(changes);
}

DaynoteStore& TheDaynoteStore() {
    static DaynoteStore* store = new DaynoteStore; // lives for the session, followed until the end
    return *store;
}

void FollowDaynotes(QObject* context, std::function<void(const DaynoteChanges&)> follow) {
    QObject::connect(&TheDaynoteStore(), &DaynoteStore::DaynotesChanged, context, std::move(follow));
}

namespace {

QStringList Lines(const QString& text) {
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    return text.split(breaks);
}

} // namespace

QString MergeTypedText(const QString& typed, const QString& loaded, const QString& stored) {
    if (stored == loaded) return typed;
    QSet<QString> known;
    for (const QString& line : Lines(typed)) known.insert(line);
    for (const QString& line : Lines(loaded)) known.insert(line);
    QString merged = typed;
    for (const QString& line : Lines(stored)) {
        if (line.trimmed().isEmpty() || known.contains(line)) continue;
        known.insert(line);
        if (!merged.isEmpty() && !merged.endsWith(QLatin1Char('\r')) && !merged.endsWith(QLatin1Char('\n')))
            merged += QLatin1Char('\r');
        merged += line;
    }
    return merged;
}

void InsertStyledDaynote(double date, const QString& text, int8_t type, const NoteFontStyle& style, int index,
                         RecordArray& daynotes) {
    InsertRecord(daynotes, index);
    SetDaynote(daynotes, index, text, date, type, style);
}

void SetDefaultReminder(RecordArray& daynotes, int index) {
    double date = 0;
    if (GetRecordValue(daynotes, index, ReminderDateKey) ||
        !GetRecordDate(daynotes, index, NoteDateKey, &date))
        return;
    // A week ahead, from the start of that day whatever time the daynote's date carries.
    SetRecordDate(daynotes, index, ReminderDateKey, StartOfDay(AddDateUnits(date, -7, AddDays)));
    for (const QString* key : {&EmailAddrKey, &EmailSubjectKey, &EmailMessageKey})
        SetRecordValue(daynotes, index, *key, Value(QString()));
    SetRecordValue(daynotes, index, URLKey, Value(QStringLiteral(" ")));
}

bool AddNamedDaynote(double date, const QString& text, int8_t type, bool withReminder,
                     RecordArray& daynotes) {
    const int index = FindNoteIndex(daynotes, date);
    if (IsNoteAtIndex(daynotes, date, index)) {
        const Value*   value = GetRecordValue(daynotes, index, NoteDataKey);
        const QString* old = value ? ValueText(*value) : nullptr;
        if (old && !old->isEmpty()) {
            if (old->contains(text, Qt::CaseInsensitive)) return true;
            SetRecordValue(daynotes, index, NoteDataKey, Value(QStringLiteral("%1\r%2").arg(*old, text)));
        } else {
            SetRecordValue(daynotes, index, NoteDataKey, Value(text));
        }
    } else {
        NoteFontStyle style;
        style.flags = DaynoteStyleFlags;
        InsertStyledDaynote(date, text, type, style, index, daynotes);
    }
    if (withReminder) SetDefaultReminder(daynotes, index);
    return false;
}

void ShowDuplicateDaynoteAlert(const QString& text, int year) {
    ShowAlert(AlertStyle::Informational,
              QStringLiteral("%1 %2%3 %4 %5")
                  .arg(QStringLiteral("There is already a daynote for '"), text, QStringLiteral("'"),
                       QStringLiteral("on this date in"))
                  .arg(year),
              QString());
}
