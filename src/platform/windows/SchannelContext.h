#pragma once
// The Schannel state behind TlsContext: the credentials every connection is
// made with, and the trust its host's certificate is checked against.
#define SCHANNEL_USE_BLACKLISTS
#include <windows.h>
#include <winternl.h>
#include <wincrypt.h>
#include <schannel.h>
#define SECURITY_WIN32
#include <security.h>

#include "platform/TlsContext.h"
#include "platform/windows/ClientCertificate.h"
#include "platform/windows/SchannelHandles.h"

namespace oprinter {

struct TlsContext::State {
    State() { SecInvalidateHandle(&credentials); }
    ~State() {
        if (SecIsValidHandle(&credentials)) ::FreeCredentialsHandle(&credentials);
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    // The engine that decides trust: TLSCAFile's, else the machine's.
    HCERTCHAINENGINE Engine() const { return engine ? engine.get() : HCCE_LOCAL_MACHINE; }

    CertificateStore authorities;  // TLSCAFile's certificates; null without it
    ChainEngine engine;            // trusts authorities alone; null without them
    ClientCertificate client;      // null certificate without TLSCertFile
    CredHandle credentials;        // Schannel's, shared by every connection
};

}  // namespace oprinter
