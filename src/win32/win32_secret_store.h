#pragma once

#include "ports/secret_store.h"

namespace kestrel {

// The Credential Manager: one generic credential per name, "kestrel:NAME". A secret larger
// than a credential's blob is split: its numbered parts are written first, under a generation
// of their own, then the credential that names the generation and the count; the parts of the
// generation before are removed last. A cut anywhere leaves a credential naming whole parts.
class Win32SecretStore : public SecretStore {
  public:
    static constexpr size_t PartBytes = 5 * 512; // CRED_MAX_CREDENTIAL_BLOB_SIZE

    std::string Name() const override { return "the Credential Manager"; }
    bool Present() override;
    SecretReply Put(const std::string& name, const std::string& secret) override;
    SecretReply Get(const std::string& name) override;
    SecretReply Remove(const std::string& name) override;
};

} // namespace kestrel
