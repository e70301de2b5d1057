// Web addresses: opening a URL text in the user's browser or mail client, and reading a small text from one.
#pragma once

#include <QString>
#include <functional>
#include <optional>

constexpr int URLStatusOK = 0;
constexpr int URLStatusInvalid = -50;   // not a valid absolute URL
constexpr int URLStatusNotOpened = -43; // valid, but nothing on the desktop would open it

// Opens the text as a URL with the desktop's handler for its scheme. Surrounding blanks are ignored;
// nothing else is changed or escaped, so the text must already be a well-formed URL.
int OpenURLText(const QString& text);

// Reads the URL's contents without blocking: `done` runs later, from the event loop, with the text decoded as
// UTF-8 (a leading byte order mark removed), or with nothing when the URL is invalid, the read fails, the
// server answers with an error or no answer has come within the time limit.
void FetchURLText(const QString& url, int timeLimitMs, std::function<void(std::optional<QString> text)> done);
