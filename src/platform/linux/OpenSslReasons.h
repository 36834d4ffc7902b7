#pragma once
// What OpenSSL says, put into the words the logs use.
#include <string>

#include <openssl/ssl.h>

#include "platform/TlsContext.h"

namespace oprinter {

// A passphrase callback that has none: an encrypted key fails to load
// instead of prompting on a terminal an unattended service does not have.
int NoPassphrase(char* buffer, int size, int writing, void* data);

// The reason OpenSSL gives for its latest failure, from its error queue
// (which this empties); empty when the queue holds nothing.
std::string TakeOpenSslReason();

// Why a call on ssl failed: OpenSSL's reason, else the socket's (errno
// systemError), else a close by the host; with the verification's own error
// when the context verifies, e.g. "certificate verify failed (hostname mismatch)".
std::string TlsFailureReason(const ssl_st* ssl, const TlsContext& context, int systemError);

}  // namespace oprinter
