#include "support/TestCertificates.h"

#include <cstdlib>
#include <stdexcept>

namespace oprinter::test {

CertificateFiles MakeCertificate(const TempFolder& folder, const std::string& stem, const std::string& address) {
    const CertificateFiles files{folder.File(stem + ".pem"), folder.File(stem + ".key")};
    const std::string command = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
                                " -subj /CN=" + stem + " -addext subjectAltName=IP:" + address + " -keyout '" +
                                files.key + "' -out '" + files.certificate + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("openssl could not make " + stem);
    return files;
}

}  // namespace oprinter::test
