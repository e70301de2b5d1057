// Synthetic daynote arrays for benchmarks and tests: the keys, sizes and characters of real files, the same
// for the same seed on every run.
#pragma once

#include "core/records.h"

#include <QStringView>

#include <cstdint>
#include <iterator>

// `count` daynotes on consecutive days from 1 January 1990: 1 to 5 lines joined by "\r", about 20 to 400
// characters (115 on average) with some accents, € and emoji, and on every tenth note the reminder date and
// the four e-mail and URL texts.
inline RecordArray MakeSyntheticDaynotes(int count, uint32_t seed) {
    uint64_t   state = seed;
    const auto next = [&state](uint32_t bound) { // splitmix64, scaled to [0, bound)
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return uint32_t(((z >> 32) * bound) >> 32);
    };
    static const char16_t* const words[] = {
        u"call",  u"Anna",   u"about", u"the",      u"dentist", u"meeting",  u"at",     u"10:30", u"buy",
        u"milk",  u"and",    u"bread", u"café",     u"Müller",  u"naïve",    u"Ärger",  u"€25",   u"rent",
        u"due",   u"🎂",      u"party", u"🎉",        u"garden",  u"water",    u"plants", u"Zoë",   u"señor",
        u"train", u"leaves", u"from",  u"platform", u"3",       u"remember", u"keys",   u"ça",    u"va"};
    constexpr uint32_t wordCount = uint32_t(std::size(words));
    constexpr double   firstDay = -4018.0 * 86400; // 1990-01-01T00:00:00Z, 4018 days before 2001

    RecordArray notes;
    notes.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const int lines = 1 + int(next(5));
        const int length = 20 + int(next(381) * next(381) / 380); // mostly short, now and then long
        QString   text;
        text.reserve(length + 16);
        for (int line = 0; line < lines; ++line) {
            if (line > 0) text += u'\r';
            const qsizetype lineEnd = text.size() + length / lines;
            bool            first = true;
            for (;;) {
                const QStringView word(words[next(wordCount)]);
                if (!first && text.size() + 1 + word.size() > lineEnd) break;
                if (!first) text += u' ';
                text += word;
                first = false;
            }
        }
        NoteFontStyle style;
        style.size = int16_t(9 + next(10));
        style.fgRed = int16_t(next(2) ? 0 : -1);
        Record note;
        note.fields = {{NoteDataKey, Value(std::move(text))},
                       {NoteDateKey, Value(DateValue{firstDay + i * 86400.0})},
                       {NoteTypeKey, Value(qint64(next(8) == 0 ? 1 + next(4) : uint32_t(NoteStandard)))},
                       {NoteCFSKey, Value(EncodeFontStyle(style))}};
        if (i % 10 == 3) {
            note.fields.push_back({ReminderDateKey, Value(DateValue{firstDay + i * 86400.0 - 3600 * 9})});
            note.fields.push_back({EmailAddrKey, Value(QStringLiteral("anna.mueller@example.org"))});
            note.fields.push_back({EmailSubjectKey, Value(QStringLiteral("Reminder: dentist at 10:30"))});
            note.fields.push_back(
                {EmailMessageKey, Value(QStringLiteral("Don't forget the dentist.\rAnna"))});
            note.fields.push_back(
                {URLKey, Value(QStringLiteral("https://example.org/notes?id=%1&x=1").arg(i))});
        }
        notes.push_back(Value(std::move(note)));
    }
    return notes;
}
