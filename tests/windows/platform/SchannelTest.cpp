// The Schannel side of TLS without a network: the PEM authorities, the check
// of a host's certificate against them (fixed certificates, made by
// certificates/make.py), the client certificate file, and the reasons put
// into the words of the logs.
#include <gtest/gtest.h>

#include <string>

#include "platform/TlsContext.h"
#include "platform/TlsFiles.h"
#include "platform/WholeFile.h"
#include "platform/windows/PemCertificates.h"
#include "platform/windows/SchannelReasons.h"
#include "platform/windows/ServerCertificateCheck.h"

namespace oprinter {
namespace {

std::string Fixture(const std::string& name) {
    return std::string(OPRINTER_SOURCE_DIR) + "/tests/windows/platform/certificates/" + name;
}

Certificate LoadCertificate(const std::string& name) {
    const std::vector<std::string> blocks = PemCertificateBlocks(ReadWholeFile(Fixture(name)));
    EXPECT_EQ(blocks.size(), 1u) << name;
    // In a store of its own, as the certificate a host presents comes in Schannel's.
    CertificateStore store(::CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    const CERT_CONTEXT* certificate = nullptr;
    ::CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(blocks[0].data()),
                                       static_cast<DWORD>(blocks[0].size()), CERT_STORE_ADD_ALWAYS, &certificate);
    return Certificate(certificate);
}

class ServerCertificate : public ::testing::Test {
protected:
    void SetUp() override {
        int count = 0;
        std::string failure;
        authorities_ = PemCertificateStore(Fixture("ca.pem"), count, failure);
        ASSERT_TRUE(authorities_) << failure;
        engine_ = EngineTrustingOnly(authorities_.get());
        ASSERT_TRUE(engine_);
    }

    std::string Problem(const std::string& name, const std::string& host) {
        const Certificate peer = LoadCertificate(name);
        return ServerCertificateProblem(peer.get(), engine_.get(), ReadHost(host));
    }

    CertificateStore authorities_;
    ChainEngine engine_;
};

TEST_F(ServerCertificate, SignedByTheAuthorityAndNamingTheHostIsTrusted) {
    EXPECT_EQ(Problem("address.pem", "127.0.0.1"), "");
    EXPECT_EQ(Problem("name.pem", "ibmi.example.com"), "");
}

TEST_F(ServerCertificate, AnotherNameOrAddressIsRefused) {
    EXPECT_EQ(Problem("address.pem", "127.0.0.2"), "IP address mismatch");
    // The address is compared as read once: a short form names the same bytes.
    EXPECT_EQ(Problem("address.pem", "127.1"), "");
    // A DNS name is no address, and an address no DNS name.
    EXPECT_EQ(Problem("address.pem", "ibmi.example.com"), "hostname mismatch");
    EXPECT_EQ(Problem("name.pem", "127.0.0.1"), "IP address mismatch");
    EXPECT_EQ(Problem("name.pem", "other.example.com"), "hostname mismatch");
}

TEST_F(ServerCertificate, UntrustedOrUnfitCertificatesAreRefused) {
    EXPECT_EQ(Problem("stranger.pem", "127.0.0.1"), "unable to get local issuer certificate");
    EXPECT_EQ(Problem("self-signed.pem", "127.0.0.1"), "self-signed certificate");
    EXPECT_EQ(Problem("expired.pem", "127.0.0.1"), "certificate has expired");
    EXPECT_EQ(Problem("client-usage.pem", "127.0.0.1"), "unsuitable certificate purpose");
}

TEST(ServerCertificateMachineTrust, AnAuthorityOnlyTheFileKnowsIsNotTrustedByTheMachine) {
    const Certificate peer = LoadCertificate("address.pem");
    EXPECT_EQ(ServerCertificateProblem(peer.get(), HCCE_LOCAL_MACHINE, ReadHost("127.0.0.1")),
              "unable to get local issuer certificate");
}

TEST(PemCertificates, EveryGoodBlockInOrderAndNothingElse) {
    const std::string text = ReadWholeFile(Fixture("authorities.pem"));
    EXPECT_EQ(PemCertificateBlocks(text).size(), 2u);
    EXPECT_EQ(PemCertificateBlocks("no certificate here").size(), 0u);
    // A block cut short ends the reading.
    EXPECT_EQ(PemCertificateBlocks(text.substr(0, text.rfind("-----END"))).size(), 1u);
}

TEST(TlsFilesOnWindows, TheAdminToolSeesWhatTheServiceWouldUse) {
    EXPECT_EQ(CheckCAFile(Fixture("authorities.pem")).text, "ok, 2 certificates");
    EXPECT_EQ(CheckCAFile(Fixture("client.pfx")).text, "holds no PEM certificate");
    const TlsFileCheck missing = CheckCAFile(Fixture("missing.pem"));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.text.rfind("cannot be read: ", 0), 0u) << missing.text;

    const TlsFileCheck client = CheckCertificateFile(Fixture("client.pfx"));
    EXPECT_TRUE(client.ok) << client.text;
    EXPECT_EQ(client.text, "ok, CN=OPrinter, with its key");
    EXPECT_EQ(CheckCertificateFile(Fixture("ca.pem")).text, "holds no PKCS #12 (.pfx) data");
    EXPECT_FALSE(CheckCertificateFile(Fixture("client-password.pfx")).ok);
    // Windows imports the certificate and finds no key; Wine refuses the import.
    EXPECT_FALSE(CheckCertificateFile(Fixture("certificate-only.pfx")).ok);
    EXPECT_TRUE(ClientKeyInCertificateFile());
    EXPECT_FALSE(CheckKeyFile(Fixture("client.key"), Fixture("client.pfx")).ok);
}

TEST(TlsContextOnWindows, MadeFromUsableFilesAndRefusedWithTheFileAndReason) {
    std::string failure;
    EXPECT_NE(TlsContext::Make(TlsOptions{}, failure), nullptr) << failure;
    TlsOptions options;
    options.CAFile = Fixture("ca.pem");
    options.CertFile = Fixture("client.pfx");
    EXPECT_NE(TlsContext::Make(options, failure), nullptr) << failure;

    options.CAFile = Fixture("client.pfx");
    EXPECT_EQ(TlsContext::Make(options, failure), nullptr);
    EXPECT_EQ(failure, "cannot use the CA file " + options.CAFile + ": holds no PEM certificate");
    options.CAFile = Fixture("ca.pem");
    options.CertFile = Fixture("client-password.pfx");
    EXPECT_EQ(TlsContext::Make(options, failure), nullptr);
    EXPECT_EQ(failure.rfind("cannot use the certificate file " + options.CertFile + ": ", 0), 0u) << failure;
    options.CertFile = Fixture("client.pfx");
    options.KeyFile = Fixture("client.key");
    EXPECT_EQ(TlsContext::Make(options, failure), nullptr);
    EXPECT_EQ(failure.rfind("cannot use the key file " + options.KeyFile + ": on Windows TLSKeyFile stays empty", 0),
              0u)
        << failure;
}

TEST(SchannelReasons, TheWordsOfTheLinuxLogs) {
    EXPECT_EQ(ChainStatusReason(CERT_TRUST_NO_ERROR, 2, 0), "");
    // The missing issuer comes before anything wrong with the certificate itself.
    EXPECT_EQ(ChainStatusReason(CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_NOT_TIME_VALID, 1, 1),
              "unable to get local issuer certificate");
    EXPECT_EQ(ChainStatusReason(CERT_TRUST_IS_UNTRUSTED_ROOT, 3, 0), "self-signed certificate in certificate chain");
    EXPECT_EQ(ChainStatusReason(CERT_TRUST_IS_NOT_TIME_VALID, 2, -1), "certificate is not yet valid");
    EXPECT_EQ(ChainStatusReason(CERT_TRUST_IS_REVOKED, 2, 0), "certificate revoked");
    EXPECT_EQ(ChainStatusReason(CERT_TRUST_IS_OFFLINE_REVOCATION, 2, 0), "certificate chain status 0x01000000");

    EXPECT_EQ(PolicyErrorReason(CERT_E_CN_NO_MATCH), "hostname mismatch");
    EXPECT_EQ(PolicyErrorReason(CERT_E_EXPIRED), "certificate has expired");
    EXPECT_EQ(PolicyErrorReason(CERT_E_UNTRUSTEDROOT), "self-signed certificate in certificate chain");

    EXPECT_EQ(SchannelReason(SEC_E_INVALID_TOKEN), "wrong version number");
    EXPECT_EQ(SchannelReason(SEC_E_UNSUPPORTED_FUNCTION), "unsupported protocol");
    EXPECT_EQ(SchannelReason(SEC_E_WRONG_PRINCIPAL), "certificate verify failed (hostname mismatch)");
    EXPECT_EQ(SchannelReason(SEC_E_INTERNAL_ERROR), "Schannel error 0x80090304");
}

}  // namespace
}  // namespace oprinter
