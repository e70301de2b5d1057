// Keychain jobs run asynchronously and delete themselves when they have answered.
#include "core/secrets.h"

#include <qt6keychain/keychain.h>

namespace {

const QString Service = QStringLiteral("VRD X CalDAV");

} // namespace

void ReadSecretPassword(const QString&                                            account,
                        std::function<void(bool, const QString&, const QString&)> done) {
    auto* job = new QKeychain::ReadPasswordJob(Service);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(account);
    QObject::connect(job, &QKeychain::Job::finished, job, [done](QKeychain::Job* j) {
        auto*      read = static_cast<QKeychain::ReadPasswordJob*>(j);
        const bool found = read->error() == QKeychain::NoError;
        done(found, found ? read->textData() : QString(), found ? QString() : read->errorString());
    });
    job->start();
}

void WriteSecretPassword(const QString& account, const QString& password,
                         std::function<void(bool, const QString&)> done) {
    QKeychain::Job* job = password.isEmpty()
                              ? static_cast<QKeychain::Job*>(new QKeychain::DeletePasswordJob(Service))
                              : new QKeychain::WritePasswordJob(Service);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(account);
    if (auto* write = qobject_cast<QKeychain::WritePasswordJob*>(job)) write->setTextData(password);
    QObject::connect(job, &QKeychain::Job::finished, job, [done](QKeychain::Job* j) {
        if (done) done(j->error() == QKeychain::NoError, j->errorString());
    });
    job->start();
}
