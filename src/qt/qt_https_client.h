#pragma once

#include "ports/https_client.h"

namespace kestrel {

// HTTPS through Qt Network, with the system's roots. Each call makes its own access manager and
// runs a local event loop on the calling thread: any thread will do, so long as a
// QCoreApplication exists.
class QtHttpsClient : public HttpsClient {
  public:
    HttpsReply PostForm(const std::string& url, const std::string& form, int limitMs) override;
};

} // namespace kestrel
