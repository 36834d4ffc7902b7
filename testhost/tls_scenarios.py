"""Scenarios with TLS: the telnet session on port 992 and FTP with AUTH TLS,
with certificates the printer must accept or refuse, the host written as a
name, a short or a zero-padded address, hosts that fail in the middle of the
handshake, and FTP transfers cut short on the way."""

import socket
import time

from certificates import HOST_NAME
from connection import HANDSHAKE_TIMEOUT, ScenarioFailure, TlsRefused
from scenarios import print_all, scenario
from spooled_files import REPORT

# The printer finds its authority beside itself, as an administrator puts it.
TRUSTING = {"TLS": "True", "TLSCAFile": "tls/ca.pem"}
FTP_TRUSTING = {"FtpTLS": "True", "TLSCAFile": "tls/ca.pem"}


def short_form(address):
    """a.b.c.d as a.b.N, the last part filling two bytes (127.77.0.5 is 127.77.5)."""
    parts = [int(part) for part in address.split(".")]
    return "%d.%d.%d" % (parts[0], parts[1], parts[2] * 256 + parts[3])


def zero_padded(address):
    """Every part with three digits: 127.77.8.9 is 127.077.008.009, which octal would read otherwise."""
    return ".".join("%03d" % int(part) for part in address.split("."))
# The printer gives a handshake this long (and a little more) before it ends the session.
PRINTER_HANDSHAKE_LIMIT = 30 + 5


@scenario("tls-report", prints=(REPORT,), tls="trusted", ftp_tls="trusted", settings=TRUSTING)
def tls_report(host):
    print_all(host, [REPORT])


@scenario("tls-telnet-only", prints=(REPORT,), tls="trusted", settings=dict(TRUSTING, FtpTLS="False"))
def tls_telnet_only(host):
    print_all(host, [REPORT])


@scenario("tls-not-verified", prints=(REPORT,), tls="unknown-authority", ftp_tls="unknown-authority",
          settings=dict(TRUSTING, TLSVerify="False"))
def tls_not_verified(host):
    print_all(host, [REPORT])


@scenario("tls-by-name", prints=(REPORT,), tls="named", ftp_tls="named", settings=dict(TRUSTING, System=HOST_NAME))
def tls_by_name(host):
    print_all(host, [REPORT])


@scenario("tls-zero-padded-address", prints=(REPORT,), tls="trusted", ftp_tls="trusted", settings=TRUSTING,
          written_host=zero_padded)
def tls_zero_padded_address(host):
    print_all(host, [REPORT])


def _refused(host):
    """The printer ends the handshake itself; nothing of telnet is said."""
    try:
        host.accept_session()
    except TlsRefused:
        return
    raise ScenarioFailure("the printer accepted a certificate it must refuse")


@scenario("tls-unknown-authority", tls="unknown-authority", settings=TRUSTING)
def tls_unknown_authority(host):
    _refused(host)


@scenario("tls-misnamed", tls="misnamed", settings=TRUSTING)
def tls_misnamed(host):
    _refused(host)


@scenario("tls-short-address-misnamed", tls="misnamed", settings=TRUSTING, written_host=short_form)
def tls_short_address_misnamed(host):
    _refused(host)


@scenario("tls-by-name-misnamed", tls="misnamed-name", settings=dict(TRUSTING, System=HOST_NAME))
def tls_by_name_misnamed(host):
    _refused(host)


def _client_hello(sock):
    sock.settimeout(HANDSHAKE_TIMEOUT)
    hello = sock.recv(4096)
    if not hello or hello[0] != 0x16:
        raise ScenarioFailure("expected a TLS ClientHello, received %r" % hello[:16])
    return hello


@scenario("tls-host-closes-in-handshake", tls="closes", settings=TRUSTING)
def tls_host_closes_in_handshake(host):
    sock = host.accept_connection()
    _client_hello(sock)
    sock.close()
    host.log.write("telnet", "closed after the ClientHello")


@scenario("tls-host-silent-in-handshake", tls="silent", settings=TRUSTING, time_limit=PRINTER_HANDSHAKE_LIMIT + 30)
def tls_host_silent_in_handshake(host):
    sock = host.accept_connection()
    _client_hello(sock)
    started = time.monotonic()
    sock.settimeout(PRINTER_HANDSHAKE_LIMIT)
    try:
        while sock.recv(4096):
            pass
    except socket.timeout:
        raise ScenarioFailure("the printer still waits for the handshake after %d s" % PRINTER_HANDSHAKE_LIMIT)
    except ConnectionError:
        pass
    host.log.write("telnet", "the printer gave up the handshake after %.1f s" % (time.monotonic() - started))
    sock.close()


@scenario("ftps-untrusted", prints=(REPORT,), ftp_tls="unknown-authority", time_limit=120,
          settings={"FtpTLS": "True", "TLSCAFile": "tls/ca.pem"})
def ftps_untrusted(host):
    """Every attempt ends in the handshake: the report is saved without its attributes."""
    print_all(host, [REPORT])


def _first_transfer_ends(host, fault):
    """The first attempt's work file ends as fault says; the next attempt gets it whole."""
    host.ftp.set_options(tls_data_faults=[fault])
    print_all(host, [REPORT])


@scenario("ftps-data-cut", prints=(REPORT,), ftp_tls="trusted", settings=FTP_TRUSTING)
def ftps_data_cut(host):
    _first_transfer_ends(host, "cut")


@scenario("ftps-data-broken-record", prints=(REPORT,), ftp_tls="trusted", settings=FTP_TRUSTING)
def ftps_data_broken_record(host):
    _first_transfer_ends(host, "broken-record")
