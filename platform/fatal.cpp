// The internal-error path.
#include "platform/fatal.h"

#include "platform/alerts.h"

#include <cstdlib>

namespace {
RecoveryWriter recoveryWriter;
bool           inFatal = false;
} // namespace

void SetRecoveryWriter(RecoveryWriter writer) {
    recoveryWriter = std::move(writer);
}

void FatalInternalError(const QString& message) {
    // A second fault while saving must not loop back here.
    if (inFatal) std::_Exit(FatalExitStatus);
    inFatal = true;
    DeferAlerts(false); // this alert is the last thing the program does
    const QString recovery = recoveryWriter ? recoveryWriter() : QString();
    QString       informative = QStringLiteral("Contact Developer");
    if (!recovery.isEmpty())
        informative += QStringLiteral("\rYour daynotes were saved to \"%1\".").arg(recovery);
    ShowAlert(AlertStyle::Critical, message, informative);
    std::exit(FatalExitStatus);
}
