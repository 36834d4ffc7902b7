"""TLS of the Windows service under Wine (Schannel) against the test host's
TLS telnet (port 992) and FTP (AUTH TLS) servers: a spooled file travels
encrypted on both connections and lands byte for byte with its attributes;
a certificate of an unknown authority and one naming another address end the
session with the Linux log line before any telnet byte; an FTP server with
an untrusted certificate never gets the user or the password; with TLSVerify
False the session connects and warns once.

    /usr/bin/python3 tests/e2e/windows_tls.py BUILD_WINDOWS_FOLDER
Runs as root (ports 21 and 992 of a loopback address) under
flock /tmp/oprinter-e2e.lock."""

import os
import subprocess
import unittest

import windows_service  # takes BUILD_WINDOWS_FOLDER off the command line
from windows_service import ADDRESS, BUILD, HERE, PYTHON, SAMPLES, wait_until

import certificates  # noqa: E402
import expected_attributes  # noqa: E402
import expected_spool  # noqa: E402
import scenarios  # noqa: E402
import service_config  # noqa: E402

TLS_ERROR = b"Error: TLS "
NOT_VERIFIED = b"Warning: TLSVerify is False: the host's certificate is not checked"


class WindowsTlsTest(windows_service.WinePrinterCase):
    def use_scenario(self, name):
        """The printer's configuration for the scenario, and the certificates
        the host presents, with the authority beside the printer (tls/ca.pem)."""
        self.scenario = scenarios.SCENARIOS[name]
        self.settings = service_config.settings(ADDRESS, self.scenario, os.path.join(self.folder, "oprinterctl"))
        self.write_config()
        self.certificates = os.path.join(self.printer, "tls")
        certificates.make(self.certificates, ADDRESS)

    def run_scenario(self, name, done):
        """Runs the service against the host until done() holds; returns the host's exit status."""
        self.use_scenario(name)
        self.host_log = os.path.join(self.folder, "host.log")
        self.host = subprocess.Popen([PYTHON, os.path.join(HERE, "..", "..", "testhost", "ibmi_host.py"), ADDRESS,
                                      name, "--log", self.host_log, "--certificates", self.certificates,
                                      # Wine's Schannel resumes no session (Windows' does by itself).
                                      "--data-tls-without-resumption"],
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.assertEqual(self.host.stdout.readline().strip(), b"ready")
        executable = os.path.join(self.printer, "OPrinter.exe")
        self.assertEqual(self.wine(executable, "INSTALL", "SILENT").returncode, 0)
        started = self.wine("net", "start", "O3812Printer")
        self.assertEqual(started.returncode, 0, started.stdout + started.stderr)
        self.assertTrue(wait_until(self.scenario.time_limit, done), self.logs())
        status = self.host.wait(timeout=self.scenario.time_limit)
        self.assertEqual(self.wine("net", "stop", "O3812Printer").returncode, 0)
        self.assertEqual(self.wine(executable, "UNINSTALL", "SILENT").returncode, 0)
        return status

    def host_records(self):
        with open(self.host_log, encoding="ascii", errors="replace") as log:
            return log.read()

    def ftp_commands(self):
        return [line.split(" ftp: ", 1)[1] for line in self.host_records().splitlines() if " ftp: " in line]

    def log_texts(self):
        with open(self.logs()[-1], "rb") as log:
            return [line.split(b": ", 1)[-1] for line in log.read().splitlines()]

    def expected_spool(self, attributes_found):
        spooled = self.scenario.prints[0]
        attributes = expected_attributes.from_listing(spooled.attributes) if attributes_found else []
        with open(os.path.join(SAMPLES, "CvTable"), "rb") as table:
            layout = expected_spool.lay_out(spooled.segments(), expected_spool.CvTable(table.read()))
        return expected_spool.spool_file_bytes(attributes, layout)

    def assert_one_spool_file(self, attributes_found):
        self.assertEqual(len(self.spool_files()), 1, self.spool_files())
        with open(self.spool_files()[0], "rb") as spool:
            self.assertEqual(spool.read(), self.expected_spool(attributes_found),
                             [text for text in self.log_texts() if b"Error" in text][:5])

    def test_spooled_file_travels_encrypted_on_both_connections(self):
        self.use_scenario("tls-report")
        checked = self.wine(os.path.join(BUILD, "oprinterctl.exe"), "check", "Z:" + self.printer.replace("/", "\\"))
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        self.assertIn(b"ok, 1 certificate", checked.stdout)

        self.assertEqual(self.run_scenario("tls-report", lambda: len(self.spool_files()) == 1), 0,
                         self.host_records()[-2000:])
        self.assert_one_spool_file(attributes_found=True)
        user, password = self.settings["User"], scenarios.FTP_PASSWORD
        commands = self.ftp_commands()
        self.assertEqual(commands[:5], ["AUTH TLS", "USER " + user, "PASS " + password, "PBSZ 0", "PROT P"])
        self.assertEqual(commands[-2:], ["RETR QTEMP/FILE1", "QUIT"])
        self.assertEqual([text for text in self.log_texts() if text.startswith(TLS_ERROR)], [])

    def test_unverified_tls_connects_and_warns_once(self):
        self.assertEqual(self.run_scenario("tls-not-verified", lambda: len(self.spool_files()) == 1), 0,
                         self.host_records()[-2000:])
        self.assert_one_spool_file(attributes_found=True)
        self.assertEqual(self.log_texts().count(NOT_VERIFIED), 1)

    def test_certificate_of_an_unknown_authority_is_refused(self):
        error = TLS_ERROR + b"certificate verify failed (unable to get local issuer certificate)"
        self.assertEqual(self.run_scenario("tls-unknown-authority", lambda: self.log_holds(error)), 0,
                         self.host_records()[-2000:])
        self.assertEqual(self.spool_files(), [])

    def test_certificate_naming_another_address_is_refused(self):
        error = TLS_ERROR + b"certificate verify failed (IP address mismatch)"
        self.assertEqual(self.run_scenario("tls-misnamed", lambda: self.log_holds(error)), 0,
                         self.host_records()[-2000:])

    def test_untrusted_ftp_server_never_gets_the_password(self):
        # Every attempt ends in the handshake; the report is kept without attributes.
        self.assertEqual(self.run_scenario("ftps-untrusted", lambda: len(self.spool_files()) == 1), 0,
                         self.host_records()[-2000:])
        self.assert_one_spool_file(attributes_found=False)
        self.assertEqual(self.ftp_commands(), ["AUTH TLS"] * 21)
        retrieve_errors = {text for text in self.log_texts() if text.startswith(b"Retrieve Error: ")}
        self.assertEqual(retrieve_errors,
                         {b"Retrieve Error: TLS certificate verify failed (unable to get local issuer certificate)"})


if __name__ == "__main__":
    unittest.main()
