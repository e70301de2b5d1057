// The About window, filled when it is made, so each new one shows the year it was opened in.
#include "tools/about.h"

#include "core/dates.h"
#include "core/window_ids.h"
#include "platform/windows.h"

namespace {

const QString ProgramIcon = QStringLiteral(":/resources/icons/vrdx.png");

void SetLine(QWidget* window, int controlId, const QString& value, const QString& text) {
    QWidget* line = FindControl(window, controlId);
    SetControlText(line, text);
    SetControlVisible(line, !value.isEmpty());
}

} // namespace

AboutInfo ProgramAboutInfo() {
    return {QStringLiteral(VRDX_VERSION), QStringLiteral(VRDX_SUPPORT_EMAIL).trimmed(),
            QStringLiteral(VRDX_COPYRIGHT_HOLDER).trimmed()};
}

void ShowAbout(const AboutInfo& info) {
    QWidget* window = FindWindowById(AboutWindowId);
    if (window) {
        ShowWindow(window);
        return;
    }
    window = CreateWindowFromDefinition(QStringLiteral("About"));
    if (!window) return;
    SetWindowId(window, AboutWindowId);
    SetControlImage(FindControl(window, AboutIcon), ProgramIcon);
    SetLine(window, AboutVersionLine, info.version, QStringLiteral("Version: ") + info.version);
    SetLine(window, AboutPlatformLine, QStringLiteral("Linux"), QStringLiteral("For Linux"));
    SetLine(window, AboutSupportLine, info.supportAddress, QStringLiteral("Email: ") + info.supportAddress);
    SetLine(window, AboutCopyrightLine, info.copyrightHolder,
            QStringLiteral("Copyright \u00A9 %1 %2").arg(GetCurrentYear()).arg(info.copyrightHolder));
    FitWindowToContent(window);
    ShowWindow(window);
}
