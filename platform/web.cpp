// Web addresses through QDesktopServices, which tests intercept per scheme with setUrlHandler.
#include "platform/web.h"

#include <QDesktopServices>
#include <QUrl>

int OpenURLText(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return URLStatusInvalid;
    // Strict parsing: a text that needs guessing is refused rather than opened as something else.
    const QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative()) return URLStatusInvalid;
    return QDesktopServices::openUrl(url) ? URLStatusOK : URLStatusNotOpened;
}
