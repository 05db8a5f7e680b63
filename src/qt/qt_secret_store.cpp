#include "qt/qt_secret_store.h"

#include <qt6keychain/keychain.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QEventLoop>
#include <QStringList>

namespace kestrel {

namespace {

const QString Service = QStringLiteral("kestrel");
const QStringList Keyrings = {QStringLiteral("org.freedesktop.secrets"),
                              QStringLiteral("org.kde.kwalletd6"),
                              QStringLiteral("org.kde.kwalletd5")};

// Runs the job to its end on this thread and says how it went.
SecretReply Finish(QKeychain::Job& job) {
    job.setAutoDelete(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    switch (job.error()) {
    case QKeychain::NoError:
        return {};
    case QKeychain::EntryNotFound:
        return {SecretAnswer::NotFound, {}, {}};
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented:
        return {SecretAnswer::NoStore, {}, job.errorString().toStdString()};
    default:
        return {SecretAnswer::Refused, {}, job.errorString().toStdString()};
    }
}

QString Key(const std::string& name) {
    return QString::fromStdString(name);
}

} // namespace

QtSecretStore::QtSecretStore() : worker_(new QObject) {
    worker_->moveToThread(&thread_);
    QObject::connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
}

// A call held up by a prompt nobody answers does not hold up the exit for long.
QtSecretStore::~QtSecretStore() {
    thread_.quit();
    if (!thread_.wait(1000))
        thread_.terminate();
    thread_.wait();
}

SecretReply QtSecretStore::OnStoreThread(const std::function<SecretReply()>& call) {
    SecretReply reply;
    QMetaObject::invokeMethod(worker_, [&] { reply = call(); }, Qt::BlockingQueuedConnection);
    return reply;
}

bool QtSecretStore::Present() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QDBusReply<QStringList> running = bus.interface()->registeredServiceNames();
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListActivatableNames"));
    const QDBusReply<QStringList> startable = bus.call(ask, QDBus::Block, 2000);
    for (const QString& keyring : Keyrings) {
        if ((running.isValid() && running.value().contains(keyring)) ||
            (startable.isValid() && startable.value().contains(keyring)))
            return true;
    }
    return false;
}

SecretReply QtSecretStore::Put(const std::string& name, const std::string& secret) {
    return OnStoreThread([&] {
        QKeychain::WritePasswordJob job(Service);
        job.setKey(Key(name));
        job.setBinaryData(QByteArray(secret.data(), static_cast<qsizetype>(secret.size())));
        return Finish(job);
    });
}

SecretReply QtSecretStore::Get(const std::string& name) {
    return OnStoreThread([&] {
        QKeychain::ReadPasswordJob job(Service);
        job.setKey(Key(name));
        SecretReply reply = Finish(job);
        if (reply.answer == SecretAnswer::Done) {
            const QByteArray data = job.binaryData();
            reply.secret.assign(data.constData(), static_cast<size_t>(data.size()));
        }
        return reply;
    });
}

SecretReply QtSecretStore::Remove(const std::string& name) {
    return OnStoreThread([&] {
        QKeychain::DeletePasswordJob job(Service);
        job.setKey(Key(name));
        return Finish(job);
    });
}

} // namespace kestrel
