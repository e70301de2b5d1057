// The internal-error path: save what the user typed to a recovery file, say so, and end the process.
#pragma once

#include <QString>
#include <functional>

constexpr int FatalExitStatus = 70; // EX_SOFTWARE

// Writes the user's data somewhere safe and returns that file's path, or an empty text on failure.
using RecoveryWriter = std::function<QString()>;
void SetRecoveryWriter(RecoveryWriter writer);

// Shows the message ("error in fn <operation>") with "Contact Developer" and where the daynotes were saved,
// then ends the process with status 70. Never returns.
[[noreturn]] void FatalInternalError(const QString& message);
