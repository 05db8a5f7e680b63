#pragma once

// The check and the deletion of an account whose server speaks POP3. What is new there is a
// message not listed yet in this run, by its unique id where the server has them, otherwise
// every message behind the seen count.

#include "mail/mail_jobs.h"

namespace kestrel {

extern const ProtocolJobs Pop3Jobs;

} // namespace kestrel
