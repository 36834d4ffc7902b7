#pragma once
// Owners of the CryptoAPI handles the Schannel side keeps.
#include <windows.h>
#include <wincrypt.h>

#include <memory>

namespace oprinter {

struct CloseCertificateStore {
    void operator()(void* store) const { ::CertCloseStore(store, 0); }
};
using CertificateStore = std::unique_ptr<void, CloseCertificateStore>;

struct FreeCertificate {
    void operator()(const CERT_CONTEXT* certificate) const { ::CertFreeCertificateContext(certificate); }
};
using Certificate = std::unique_ptr<const CERT_CONTEXT, FreeCertificate>;

struct FreeCertificateChain {
    void operator()(const CERT_CHAIN_CONTEXT* chain) const { ::CertFreeCertificateChain(chain); }
};
using CertificateChain = std::unique_ptr<const CERT_CHAIN_CONTEXT, FreeCertificateChain>;

struct FreeChainEngine {
    void operator()(void* engine) const { ::CertFreeCertificateChainEngine(static_cast<HCERTCHAINENGINE>(engine)); }
};
using ChainEngine = std::unique_ptr<void, FreeChainEngine>;

}  // namespace oprinter
