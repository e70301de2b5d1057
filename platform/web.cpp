// Web addresses through QDesktopServices, which tests intercept per scheme with setUrlHandler; reading them
// through one QNetworkAccessManager.
#include "platform/web.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

int OpenURLText(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return URLStatusInvalid;
    // Strict parsing: a text that needs guessing is refused rather than opened as something else.
    const QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative()) return URLStatusInvalid;
    return QDesktopServices::openUrl(url) ? URLStatusOK : URLStatusNotOpened;
}

void FetchURLText(const QString& text, int timeLimitMs, std::function<void(std::optional<QString>)> done) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.isRelative()) {
        // Still from the event loop, as every other answer comes.
        QTimer::singleShot(0, qApp, [done = std::move(done)] { done(std::nullopt); });
        return;
    }
    static QNetworkAccessManager* network = new QNetworkAccessManager(qApp);
    QNetworkRequest               request(url);
    request.setTransferTimeout(timeLimitMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply* reply = network->get(request);
    // The transfer limit starts afresh with every byte; this one holds for the whole answer.
    QTimer::singleShot(timeLimitMs, reply, [reply] { reply->abort(); });
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, done = std::move(done)] {
        reply->deleteLater();
        if (reply->error() != QNetworkReply::NoError) return done(std::nullopt);
        QByteArray bytes = reply->readAll();
        if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
        done(QString::fromUtf8(bytes));
    });
}
