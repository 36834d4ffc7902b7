#include "support/TestCertificates.h"

#include <cstdlib>
#include <stdexcept>

namespace oprinter::test {

namespace {

CertificateFiles MakeCertificateFor(const TempFolder& folder, const std::string& stem, const std::string& altName) {
    const CertificateFiles files{folder.File(stem + ".pem"), folder.File(stem + ".key")};
    const std::string command = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
                                " -subj /CN=" + stem + " -addext subjectAltName=" + altName + " -keyout '" +
                                files.key + "' -out '" + files.certificate + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("openssl could not make " + stem);
    return files;
}

}  // namespace

CertificateFiles MakeCertificate(const TempFolder& folder, const std::string& stem, const std::string& address) {
    return MakeCertificateFor(folder, stem, "IP:" + address);
}

CertificateFiles MakeNamedCertificate(const TempFolder& folder, const std::string& stem, const std::string& name) {
    return MakeCertificateFor(folder, stem, "DNS:" + name);
}

}  // namespace oprinter::test
