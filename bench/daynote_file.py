"""Daynote files for the benchmarks run on the built program: the keys, sizes and characters of a real user's
file, the same for the same seed on every run."""
import datetime
import random
import struct

WORDS = ["call", "Anna", "about", "the", "dentist", "meeting", "at", "10:30", "buy", "milk", "and", "bread", "café",
         "Müller", "naïve", "Ärger", "€25", "rent", "due", "🎂", "party", "🎉", "garden", "water", "plants", "Zoë",
         "señor", "train", "leaves", "from", "platform", "3", "remember", "keys", "ça", "va"]


def font_style(rng):
    fields = [0x024F, 0, 9 + rng.randrange(10), 0, 0, 0, 0 if rng.randrange(2) else -1, 0, 0, 0, 0, 0]
    return struct.pack("<12h", *fields)


def daynotes(count, first=datetime.datetime(1990, 1, 1), seed=7, due=0):
    """`count` daynotes on consecutive days from `first`: 1 to 5 lines joined by "\\r", about 20 to 400
    characters, and on every tenth a reminder (9 hours before its day) with an e-mail and a link. Reminders
    already past are left off but for the first `due` of them (the first day is moved back far enough to
    have that many), so that exactly `due` reminders fire at launch."""
    rng = random.Random(seed)
    now = datetime.datetime.now()
    first = min(first, datetime.datetime.combine((now - datetime.timedelta(days=10 * due + 30)).date(),
                                                 datetime.time()))
    past = 0
    notes = []
    for i in range(count):
        lines = 1 + rng.randrange(5)
        length = 20 + rng.randrange(381) * rng.randrange(381) // 380
        text = []
        for _ in range(lines):
            line = rng.choice(WORDS)
            while len(line) + 1 < length // lines:
                line += " " + rng.choice(WORDS)
            text.append(line)
        day = first + datetime.timedelta(days=i)
        kind = 1 + rng.randrange(4) if rng.randrange(8) == 0 else 1
        note = {"NoteDataKey": "\r".join(text), "NoteDateKey": day, "NoteTypeKey": kind,
                "NoteCFSKey": font_style(rng)}
        reminder = day - datetime.timedelta(hours=9)
        if i % 10 == 3 and reminder <= now:
            past += 1
        if i % 10 == 3 and (reminder > now or past <= due):
            note.update({"ReminderDateKey": reminder, "EmailAddrKey": "anna.mueller@example.org",
                         "EmailSubjectKey": "Reminder: dentist at 10:30",
                         "EmailMessageKey": "Don't forget the dentist.\rAnna",
                         "URL Key": f"https://example.org/notes?id={i}&x=1"})
        notes.append(note)
    return notes
