"""Certificates for the test host's TLS, made when a test runs (Debian's
python3-cryptography): an authority the printer is told to trust, and
server certificates that it must accept or refuse.

    make(folder, address) writes into folder:
      ca.pem                 the authority the printer trusts (TLSCAFile)
      host.pem, host.key     signed by it, naming address (IP SAN)
      misnamed.pem, .key     signed by it, naming another address
      named.pem, .key        signed by it, naming the host name localhost (DNS SAN)
      misnamed-name.pem, .key  signed by it, naming another host name
      stranger-ca.pem        an authority the printer does not know
      stranger.pem, .key     signed by that one, naming address
      client.pem, .key       a client certificate signed by ca.pem
"""

import datetime
import ipaddress
import os

from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec
from cryptography.x509.oid import ExtendedKeyUsageOID, NameOID

OTHER_ADDRESS = "127.0.0.99"
# The name a printer configured with a host name writes, and one it must refuse.
HOST_NAME = "localhost"
OTHER_NAME = "ibmi.example.com"
# The certificate a server presents for each kind of scenario.
SERVER_CERTIFICATES = {"trusted": "host", "misnamed": "misnamed", "unknown-authority": "stranger",
                       "named": "named", "misnamed-name": "misnamed-name"}


def _key():
    return ec.generate_private_key(ec.SECP256R1())


def _name(common_name):
    return x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, common_name)])


def _builder(subject, issuer, public_key):
    now = datetime.datetime.now(datetime.timezone.utc)
    return (x509.CertificateBuilder().subject_name(subject).issuer_name(issuer).public_key(public_key)
            .serial_number(x509.random_serial_number())
            .not_valid_before(now - datetime.timedelta(minutes=5))
            .not_valid_after(now + datetime.timedelta(days=2)))


def _authority(common_name):
    key = _key()
    name = _name(common_name)
    certificate = (_builder(name, name, key.public_key())
                   .add_extension(x509.BasicConstraints(ca=True, path_length=0), critical=True)
                   .add_extension(x509.KeyUsage(False, False, False, False, False, True, True, False, False),
                                  critical=True)
                   .sign(key, hashes.SHA256()))
    return key, certificate


def _issued(authority, common_name, usage, address=None, name=None):
    authority_key, authority_certificate = authority
    key = _key()
    builder = (_builder(_name(common_name), authority_certificate.subject, key.public_key())
               .add_extension(x509.BasicConstraints(ca=False, path_length=None), critical=True)
               .add_extension(x509.ExtendedKeyUsage([usage]), critical=False))
    if address:
        builder = builder.add_extension(
            x509.SubjectAlternativeName([x509.IPAddress(ipaddress.IPv4Address(address))]), critical=False)
    if name:
        builder = builder.add_extension(x509.SubjectAlternativeName([x509.DNSName(name)]), critical=False)
    return key, builder.sign(authority_key, hashes.SHA256())


def _write(folder, stem, key, certificate):
    with open(os.path.join(folder, stem + ".pem"), "wb") as pem:
        pem.write(certificate.public_bytes(serialization.Encoding.PEM))
    if key is not None:
        with open(os.path.join(folder, stem + ".key"), "wb") as pem:
            pem.write(key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                        serialization.NoEncryption()))


def make(folder, address):
    os.makedirs(folder, exist_ok=True)
    authority = _authority("OPrinter Test Authority")
    stranger = _authority("Unknown Authority")
    _write(folder, "ca", None, authority[1])
    _write(folder, "stranger-ca", None, stranger[1])
    server = ExtendedKeyUsageOID.SERVER_AUTH
    _write(folder, "host", *_issued(authority, "IBM i test host", server, address))
    _write(folder, "misnamed", *_issued(authority, "another host", server, OTHER_ADDRESS))
    _write(folder, "named", *_issued(authority, "IBM i test host", server, name=HOST_NAME))
    _write(folder, "misnamed-name", *_issued(authority, "another host", server, name=OTHER_NAME))
    _write(folder, "stranger", *_issued(stranger, "IBM i test host", server, address))
    _write(folder, "client", *_issued(authority, "OPrinter", ExtendedKeyUsageOID.CLIENT_AUTH))


def server_files(folder, kind):
    """(certificate, key) of the server certificate for kind."""
    stem = os.path.join(folder, SERVER_CERTIFICATES[kind])
    return stem + ".pem", stem + ".key"
