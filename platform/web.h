// Web addresses: opening a URL text in the user's browser or mail client.
#pragma once

#include <QString>

constexpr int URLStatusOK = 0;
constexpr int URLStatusInvalid = -50;   // not a valid absolute URL
constexpr int URLStatusNotOpened = -43; // valid, but nothing on the desktop would open it

// Opens the text as a URL with the desktop's handler for its scheme. Surrounding blanks are ignored;
// nothing else is changed or escaped, so the text must already be a well-formed URL.
int OpenURLText(const QString& text);
