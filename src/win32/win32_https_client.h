#pragma once

#include "ports/https_client.h"

namespace kestrel {

// HTTPS through WinHTTP, synchronous, with the system's certificate checks.
class Win32HttpsClient : public HttpsClient {
  public:
    HttpsReply PostForm(const std::string& url, const std::string& form, int limitMs) override;
};

} // namespace kestrel
