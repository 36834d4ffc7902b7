#!/usr/bin/python3
"""TLS on both connections: a spooled file travels encrypted end to end;
certificates the printer must not trust end the session with one
"Error: TLS " line before any telnet byte; FTP never sends the user or the
password before TLS is up; hosts that fail the handshake do not hold the
printer."""

from e2e_case import E2ECase, listing_attempt, main

TLS_ERROR = b"Error: TLS "
NOT_VERIFIED = b"Warning: TLSVerify is False: the host's certificate is not checked"


def tls_listing_attempt(run):
    """The listing attempt behind AUTH TLS, with the data connection protected."""
    commands = listing_attempt(run)
    return ["AUTH TLS"] + commands[:2] + ["PBSZ 0", "PROT P"] + commands[2:]


class TlsTest(E2ECase):
    def tls_errors(self, run):
        return [text for text in self.session_texts(run) if text.startswith(TLS_ERROR)]

    def test_spooled_file_travels_encrypted_on_both_connections(self):
        with self.scenario_run("tls-report") as run:
            self.assert_spool_files(run)
            self.assertEqual(run.ftp_commands(), tls_listing_attempt(run))
            self.assertIn("TLS", run.host_log())
            texts = self.session_texts(run)
            self.assertNotIn(NOT_VERIFIED, texts)
            self.assert_no_faults(texts)

    def test_unverified_tls_connects_and_warns_once(self):
        with self.scenario_run("tls-not-verified") as run:
            self.assert_spool_files(run)
            self.assertEqual(run.ftp_commands(), tls_listing_attempt(run))
            texts = self.session_texts(run)
            self.assertEqual(texts.count(NOT_VERIFIED), 1)
            self.assert_no_faults(texts)

    def test_untrusted_ftp_server_never_gets_the_password(self):
        with self.scenario_run("ftps-untrusted") as run:
            # Every attempt ends in the handshake; the report is kept without attributes.
            self.assert_spool_files(run, attributes_found=False)
            self.assertEqual(set(run.ftp_commands()), {"AUTH TLS"})
            self.assertEqual(len(run.ftp_commands()), 21)
            texts = self.session_texts(run)
            retrieve_errors = [text for text in texts if text.startswith(b"Retrieve Error: ")]
            self.assertEqual(set(retrieve_errors),
                             {b"Retrieve Error: TLS certificate verify failed (unable to get local issuer certificate)"})
            self.assert_no_faults(texts, allowed=(b"Retrieve Error: TLS ",))

    def test_telnet_over_tls_with_ftp_in_clear(self):
        with self.scenario_run("tls-telnet-only") as run:
            self.assert_spool_files(run)
            self.assertEqual(run.ftp_commands(), listing_attempt(run))
            self.assertIn("TLS", run.host_log())
            self.assert_no_faults(self.session_texts(run))

    def test_certificate_of_an_unknown_authority_is_refused(self):
        with self.scenario_run("tls-unknown-authority") as run:
            self.assertEqual(self.tls_errors(run),
                             [TLS_ERROR + b"certificate verify failed (unable to get local issuer certificate)"])
            self.assertEqual(run.spool_files(), [])

    def test_certificate_naming_another_address_is_refused(self):
        with self.scenario_run("tls-misnamed") as run:
            self.assertEqual(self.tls_errors(run), [TLS_ERROR + b"certificate verify failed (IP address mismatch)"])

    def test_host_name_is_checked_as_a_name_on_both_connections(self):
        # localhost is 127.0.0.1: the host listens there.
        with self.scenario_run("tls-by-name", address="127.0.0.1") as run:
            self.assert_spool_files(run)
            self.assertEqual(run.ftp_commands(), tls_listing_attempt(run))
            self.assert_no_faults(self.session_texts(run))

    def test_certificate_naming_another_host_name_is_refused(self):
        with self.scenario_run("tls-by-name-misnamed", address="127.0.0.1") as run:
            self.assertEqual(self.tls_errors(run), [TLS_ERROR + b"certificate verify failed (hostname mismatch)"])

    def test_short_address_is_checked_as_the_address_connected_to(self):
        # With a third part of 0 the short form is three bytes, 127.77.N.
        address = "127.77.0." + self.address().rsplit(".", 1)[1]
        with self.scenario_run("tls-short-address-misnamed", address=address) as run:
            self.assertEqual(self.tls_errors(run), [TLS_ERROR + b"certificate verify failed (IP address mismatch)"])

    def test_zero_padded_address_is_read_in_decimal_on_both_connections(self):
        with self.scenario_run("tls-zero-padded-address") as run:
            self.assert_spool_files(run)
            self.assertEqual(run.ftp_commands(), tls_listing_attempt(run))
            self.assert_no_faults(self.session_texts(run))

    def test_ftps_transfer_cut_or_broken_on_the_way_fails_its_attempt(self):
        for name, reason in (("ftps-data-cut", b"TLS connection closed by the host without close_notify"),
                             ("ftps-data-broken-record", b"TLS decryption failed or bad record mac")):
            with self.subTest(name), self.scenario_run(name) as run:
                # The next attempt gets the whole work file.
                self.assert_spool_files(run)
                self.assertEqual(run.ftp_commands(), tls_listing_attempt(run) * 2)
                texts = self.session_texts(run)
                retrieve_errors = [text for text in texts if text.startswith(b"Retrieve Error: ")]
                self.assertEqual(retrieve_errors, [b"Retrieve Error: " + reason])
                self.assert_no_faults(texts, allowed=(b"Retrieve Error: TLS ",))

    def test_host_closing_in_the_handshake_ends_the_session(self):
        with self.scenario_run("tls-host-closes-in-handshake") as run:
            self.assertEqual(self.tls_errors(run), [TLS_ERROR + b"connection closed by the host during the handshake"])

    def test_host_silent_in_the_handshake_is_given_up(self):
        with self.scenario_run("tls-host-silent-in-handshake") as run:
            self.assertEqual(self.tls_errors(run), [TLS_ERROR + b"handshake timed out"])


if __name__ == "__main__":
    main()
