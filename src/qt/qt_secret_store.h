#pragma once

#include "ports/secret_store.h"

#include <QObject>
#include <QThread>

#include <functional>

namespace kestrel {

// The desktop's keyring through QtKeychain: the Secret Service (GNOME Keyring, KeePassXC) or
// KWallet, whichever the session runs. The jobs all run on one Qt thread of the store's own,
// where QtKeychain's queue and the D-Bus replies live; a call waits for its job's end there.
// Requires a QCoreApplication.
class QtSecretStore : public SecretStore {
  public:
    QtSecretStore();
    ~QtSecretStore() override;

    std::string Name() const override { return "the keyring"; }
    // A keyring's name is on the session bus, or the bus can start one.
    bool Present() override;
    SecretReply Put(const std::string& name, const std::string& secret) override;
    SecretReply Get(const std::string& name) override;
    SecretReply Remove(const std::string& name) override;

  private:
    SecretReply OnStoreThread(const std::function<SecretReply()>& call);

    QThread thread_;
    QObject* worker_; // lives on thread_
};

} // namespace kestrel
