// Key filters: what may be typed, pasted or dropped into a numeric or length-limited text field.
#pragma once

#include <QString>

class QWidget;

// A key as a filter sees it.
struct FilterKey {
    QString text;            // the character it types; empty for an editing key
    bool    editing = false; // backspace, delete, left or right arrow, Home, End
    bool    command = false; // held with Ctrl: a shortcut, not typing
};

// A filter answers 0 to let the key through; otherwise the key is refused and the answer is the number of
// rules it broke, one beep each. Length is counted in characters of the field's text before the key, and a
// selection is not taken into account.
using KeyFilter = int (*)(const QString& fieldText, const FilterKey& key);

int TwoDigitFilter(const QString& fieldText, const FilterKey& key);  // up to two digits
int FourDigitFilter(const QString& fieldText, const FilterKey& key); // up to four digits
int TextFilter40(const QString& fieldText, const FilterKey& key);    // up to 40 characters
int TextFilter39(const QString& fieldText, const FilterKey& key);    // up to 39 characters

// Puts the filter on a window's text field. Every typed key is asked first (a refused key beeps); text that
// arrives otherwise (pasted, dropped, composed by an input method, or set by the program) keeps what the
// filter lets through, character by character, with one beep when anything was left out. So a value read
// from the field is always one the filter allows.
void InstallKeyFilter(QWidget* window, int controlId, KeyFilter filter);
