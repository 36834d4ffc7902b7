#!/usr/bin/python3
"""Makes the fixed certificates of the Schannel unit tests (valid until 2120,
or expired since 2002), so that the tests need no generator under Wine:
    cd tests/windows/platform/certificates && /usr/bin/python3 make.py"""
import datetime
import ipaddress

from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec, rsa
from cryptography.hazmat.primitives.serialization import BestAvailableEncryption, NoEncryption, pkcs12
from cryptography.x509.oid import ExtendedKeyUsageOID, NameOID

UTC = datetime.timezone.utc
LONG = (datetime.datetime(2020, 1, 1, tzinfo=UTC), datetime.datetime(2120, 1, 1, tzinfo=UTC))
OLD = (datetime.datetime(2001, 1, 1, tzinfo=UTC), datetime.datetime(2002, 1, 1, tzinfo=UTC))
SERVER = ExtendedKeyUsageOID.SERVER_AUTH
CLIENT = ExtendedKeyUsageOID.CLIENT_AUTH
ADDRESS = [x509.IPAddress(ipaddress.IPv4Address("127.0.0.1"))]


def name(common_name):
    return x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, common_name)])


def builder(subject, issuer, key, period):
    return (x509.CertificateBuilder().subject_name(subject).issuer_name(issuer).public_key(key.public_key())
            .serial_number(x509.random_serial_number()).not_valid_before(period[0]).not_valid_after(period[1]))


def authority(common_name):
    key = ec.generate_private_key(ec.SECP256R1())
    certificate = (builder(name(common_name), name(common_name), key, LONG)
                   .add_extension(x509.BasicConstraints(ca=True, path_length=0), critical=True)
                   .add_extension(x509.KeyUsage(False, False, False, False, False, True, True, False, False),
                                  critical=True)
                   .sign(key, hashes.SHA256()))
    return key, certificate


def issued(issuer, common_name, usage, alternative_names, period=LONG, key=None):
    key = key or ec.generate_private_key(ec.SECP256R1())
    made = (builder(name(common_name), issuer[1].subject, key, period)
            .add_extension(x509.BasicConstraints(ca=False, path_length=None), critical=True)
            .add_extension(x509.ExtendedKeyUsage([usage]), critical=False))
    if alternative_names:
        made = made.add_extension(x509.SubjectAlternativeName(alternative_names), critical=False)
    return key, made.sign(issuer[0], hashes.SHA256())


def pem(certificate):
    return certificate.public_bytes(serialization.Encoding.PEM)


def write(file_name, data):
    with open(file_name, "wb") as out:
        out.write(data)


def main():
    ca = authority("OPrinter Test Authority")
    stranger = authority("Unknown Authority")
    write("ca.pem", pem(ca[1]))
    # Text around the blocks and a block that is no Base64, as files in the wild have.
    write("authorities.pem", b"Our authorities\n" + pem(ca[1]) +
          b"-----BEGIN CERTIFICATE-----\n!!not base64!!\n-----END CERTIFICATE-----\n" + pem(stranger[1]))
    write("address.pem", pem(issued(ca, "IBM i test host", SERVER, ADDRESS)[1]))
    write("name.pem", pem(issued(ca, "IBM i test host", SERVER, [x509.DNSName("ibmi.example.com")])[1]))
    write("expired.pem", pem(issued(ca, "IBM i test host", SERVER, ADDRESS, OLD)[1]))
    write("stranger.pem", pem(issued(stranger, "IBM i test host", SERVER, ADDRESS)[1]))
    write("client-usage.pem", pem(issued(ca, "IBM i test host", CLIENT, ADDRESS)[1]))
    self_key = ec.generate_private_key(ec.SECP256R1())
    write("self-signed.pem", pem(builder(name("IBM i test host"), name("IBM i test host"), self_key, LONG)
                                 .add_extension(x509.SubjectAlternativeName(ADDRESS), critical=False)
                                 .sign(self_key, hashes.SHA256())))
    # RSA: Wine 8 imports no EC key from a PKCS #12 file.
    key, certificate = issued(ca, "OPrinter", CLIENT, None, key=rsa.generate_private_key(65537, 2048))
    write("client.pfx", pkcs12.serialize_key_and_certificates(b"client", key, certificate, None, NoEncryption()))
    write("client-password.pfx", pkcs12.serialize_key_and_certificates(b"client", key, certificate, None,
                                                                       BestAvailableEncryption(b"secret")))
    write("certificate-only.pfx", pkcs12.serialize_key_and_certificates(b"client", None, certificate, None,
                                                                        NoEncryption()))


if __name__ == "__main__":
    main()
