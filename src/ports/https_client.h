#pragma once

#include <string>

namespace kestrel {

// How an HTTPS request ended. reached: the server answered (any status); otherwise failure holds
// the client's own words (no route, refused, a certificate not trusted, out of time).
struct HttpsReply {
    bool reached = false;
    int status = 0;
    std::string body;
    std::string failure;
};

// The platform's own HTTPS client, checking certificates against the system's roots as the mail
// does. Blocking: called from worker threads, never from the GUI thread; calls from several
// threads at once each have a session of their own.
class HttpsClient {
  public:
    virtual ~HttpsClient() = default;
    // POSTs form (application/x-www-form-urlencoded) to url; gives up after limitMs.
    virtual HttpsReply PostForm(const std::string& url, const std::string& form, int limitMs) = 0;
};

} // namespace kestrel
