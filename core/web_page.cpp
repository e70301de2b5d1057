// The web page and version check: the site's address, the published version fetched without blocking.
#include "core/web_page.h"

#include "core/preferences.h"
#include "platform/alerts.h"
#include "platform/web.h"
#include "platform/windows.h"

#include <QVersionNumber>

const QString WebSiteKey = QStringLiteral("Web site address");

namespace {

constexpr int VersionFetchLimitMs = 10000;
bool          versionCheckRunning = false;

QString SitePage(const QString& path) {
    QString base = WebSiteAddress();
    while (base.endsWith(QLatin1Char('/'))) base.chop(1);
    return base + path;
}

// The dotted number the text holds, or a null version when it holds anything else.
QVersionNumber ParseVersion(const QString& text) {
    const QString  trimmed = text.trimmed();
    qsizetype      end = 0;
    QVersionNumber number = QVersionNumber::fromString(trimmed, &end);
    return end == trimmed.size() ? number : QVersionNumber();
}

void ReportVersion(const std::optional<QString>& published, const QString& own) {
    const VersionVerdict verdict = published ? CompareVersions(*published, own) : VersionVerdict::Unreadable;
    if (verdict == VersionVerdict::Unreadable) {
        ShowAlert(AlertStyle::Informational, QStringLiteral("Version check failed."),
                  QStringLiteral("The VRD X web site could not be contacted."));
    } else if (verdict == VersionVerdict::Newer) {
        const int answer =
            ShowAlert(AlertStyle::Informational,
                      QStringLiteral("A new version of VRD X (%1) is available.").arg(published->trimmed()),
                      QStringLiteral("It can be downloaded from the VRD X web site."),
                      QStringLiteral("Go to web site"), QStringLiteral("Cancel"));
        if (answer == AlertFirstButton) OpenProductWebPage();
    } else {
        ShowAlert(AlertStyle::Informational,
                  QStringLiteral("This version of VRD X (%1) is the current version.").arg(own), QString());
    }
}

} // namespace

QString WebSiteAddress() {
    const Value*   stored = PrefCopyValue(WebSiteKey);
    const QString* text = stored ? ValueText(*stored) : nullptr;
    if (text && !text->trimmed().isEmpty()) return text->trimmed();
    return QStringLiteral(VRDX_WEB_SITE).trimmed();
}

void UpdateWebCommands() {
    const bool site = !WebSiteAddress().isEmpty();
    SetCommandVisible(MakeFourCC("WebP"), site);
    SetCommandVisible(MakeFourCC("Vers"), site);
}

QString GetAppVersion() {
    return QStringLiteral(VRDX_VERSION);
}

int OpenProductWebPage() {
    const int status = OpenURLText(SitePage(QStringLiteral("/vrdx.html")));
    if (status != URLStatusOK)
        ShowAlert(AlertStyle::Informational, QStringLiteral("Could not go to VRD X web site"),
                  QStringLiteral("The VRD X web site could not be contacted."));
    return status;
}

VersionVerdict CompareVersions(const QString& published, const QString& own) {
    const QVersionNumber theirs = ParseVersion(published);
    if (theirs.isNull()) return VersionVerdict::Unreadable;
    return theirs.normalized() > ParseVersion(own).normalized() ? VersionVerdict::Newer
                                                                : VersionVerdict::Current;
}

void CheckForNewVersion(const QString& ownVersion) {
    if (versionCheckRunning) return;
    versionCheckRunning = true;
    FetchURLText(SitePage(QStringLiteral("/version.txt")), VersionFetchLimitMs,
                 [ownVersion](std::optional<QString> published) {
                     versionCheckRunning = false;
                     ReportVersion(published, ownVersion);
                 });
}

bool IsVersionCheckRunning() {
    return versionCheckRunning;
}
