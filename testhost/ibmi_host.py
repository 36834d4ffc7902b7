#!/usr/bin/python3
"""A stand-in IBM i host for the printer service: the telnet server on port 23
drives TN5250E printer sessions, the FTP server on port 21 answers the host
commands. It runs one named scenario and ends when the scenario is over or
at its time limit.

    /usr/bin/python3 ibmi_host.py ADDRESS SCENARIO [--log FILE] [--time-limit S]
        [--certificates FOLDER] [--data-tls-without-resumption]

ADDRESS is a loopback address (127.x.x.x), or one of the network set aside
for testing network devices (198.18.0.0/15), which the tests give only to a
virtual link of their own. "ready" is printed once both ports listen. A
scenario with TLS takes its certificates from FOLDER (made by
certificates.py) and serves telnet on port 992 instead; its FTP data
connections must resume the control connection's TLS session, unless
--data-tls-without-resumption (for a client that cannot). Exit status: 0 when every check of the scenario passed, 1 when one
failed, 2 at the time limit.
"""

import argparse
import ipaddress
import os
import socket
import ssl
import sys
import threading
import time

import certificates
from connection import HANDSHAKE_TIMEOUT, ScenarioFailure, TlsRefused
from ftp_host import FtpHost
from host_log import HostLog
from printer_session import PrinterSession
from scenarios import CONTROL_CYCLE, FTP_PASSWORD, FTP_USER, SCENARIOS

TELNET_PORT = 23
TELNET_TLS_PORT = 992
FTP_PORT = 21
# A new session comes at once, or at the printer's next control cycle.
ACCEPT_TIMEOUT = CONTROL_CYCLE + 15
EXIT_PASSED, EXIT_FAILED, EXIT_TIME_LIMIT = 0, 1, 2


class IbmiHost:
    def __init__(self, address, scenario, log, certificate_folder=None, resumption_required=True):
        self.scenario = scenario
        self.log = log
        self._sessions = 0
        self._tls = None
        if scenario.tls in certificates.SERVER_CERTIFICATES:
            self._tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            self._tls.load_cert_chain(*certificates.server_files(certificate_folder, scenario.tls))
        self._listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self._listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self._listener.bind((address, TELNET_TLS_PORT if scenario.tls else TELNET_PORT))
        self._listener.listen(1)
        self.ftp = None
        if scenario.ftp_up:
            tls_files = certificates.server_files(certificate_folder, scenario.ftp_tls) if scenario.ftp_tls else None
            self.ftp = FtpHost(user=FTP_USER, password=FTP_PASSWORD, address=address, port=FTP_PORT,
                               tls_files=tls_files, resumption_required=resumption_required)
            self.ftp.start()
            threading.Thread(target=self._mirror_ftp_commands, daemon=True).start()

    def _mirror_ftp_commands(self):
        seen = 0
        while True:
            commands = self.ftp.commands
            for command in commands[seen:]:
                self.log.write("ftp", command)
            seen = len(commands)
            time.sleep(0.02)

    def accept_connection(self, timeout=ACCEPT_TIMEOUT):
        """The printer's next connection, before anything is said on it."""
        self._listener.settimeout(timeout)
        try:
            sock, peer = self._listener.accept()
        except socket.timeout:
            raise ScenarioFailure("no printer session within %g s" % timeout) from None
        self._sessions += 1
        self.log.write("telnet", "session %d from %s:%d" % (self._sessions, *peer))
        return sock

    def accept_session(self, timeout=ACCEPT_TIMEOUT):
        sock = self.accept_connection(timeout)
        if self._tls:
            sock = self._secured(sock)
        return PrinterSession(sock, self._sessions, self.scenario.printer_name, self.ftp, self.log)

    def _secured(self, sock):
        """The TLS server side of the connection; TlsRefused when the printer
        does not complete the handshake."""
        secured = self._tls.wrap_socket(sock, server_side=True, do_handshake_on_connect=False)
        secured.settimeout(HANDSHAKE_TIMEOUT)
        try:
            secured.do_handshake()
        except (ssl.SSLError, OSError) as failure:
            secured.close()
            self.log.write("telnet", "session %d: TLS handshake failed: %s" % (self._sessions, failure))
            raise TlsRefused("TLS handshake failed: %s" % failure) from None
        secured.settimeout(None)
        self.log.write("telnet", "session %d: TLS %s established" % (self._sessions, secured.version()))
        return secured

    def wait_for_ftp_command(self, command, timeout):
        if not self.log.wait_for("ftp", command, timeout):
            raise ScenarioFailure("no FTP command %r within %g s" % (command, timeout))

    def close(self):
        self._listener.close()
        if self.ftp:
            self.ftp.stop()


TEST_NETWORK = ipaddress.IPv4Network("198.18.0.0/15")


def _test_address(text):
    address = ipaddress.IPv4Address(text)
    if not address.is_loopback and address not in TEST_NETWORK:
        raise argparse.ArgumentTypeError("%s is neither a loopback address nor in %s" % (text, TEST_NETWORK))
    return text


def _arguments():
    parser = argparse.ArgumentParser(description="stand-in IBM i host for the printer service")
    parser.add_argument("address", type=_test_address)
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--log", help="file that gets what the host saw")
    parser.add_argument("--time-limit", type=float, help="seconds; default: the scenario's own")
    parser.add_argument("--certificates", help="folder of the certificates a TLS scenario presents")
    parser.add_argument("--data-tls-without-resumption", action="store_true",
                        help="FTP data connections may have a TLS session of their own")
    return parser.parse_args()


def _end_at_time_limit(seconds, log):
    def expire():
        log.failure("time limit of %g s reached" % seconds)
        log.close()
        os._exit(EXIT_TIME_LIMIT)
    timer = threading.Timer(seconds, expire)
    timer.daemon = True
    timer.start()


def main():
    args = _arguments()
    scenario = SCENARIOS[args.scenario]
    log = HostLog(args.log)
    _end_at_time_limit(args.time_limit or scenario.time_limit, log)
    host = IbmiHost(args.address, scenario, log, args.certificates, not args.data_tls_without_resumption)
    log.write("host", "scenario %s on %s" % (scenario.name, args.address))
    print("ready", flush=True)
    try:
        scenario.run(host)
    except (ScenarioFailure, OSError) as failure:
        log.failure(str(failure))
    finally:
        time.sleep(0.1)  # lets the last FTP commands reach the log
        host.close()
    passed = not log.failures
    log.write("host", "scenario %s %s" % (scenario.name, "passed" if passed else "FAILED"))
    log.close()
    return EXIT_PASSED if passed else EXIT_FAILED


if __name__ == "__main__":
    sys.exit(main())
