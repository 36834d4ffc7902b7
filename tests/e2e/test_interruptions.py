#!/usr/bin/python3
"""A spooled file that does not arrive whole is never saved in part, and the
service recovers: a new session after the host closed, a writer restart
after the data stopped, a file without attributes when FTP is down."""

from e2e_case import E2ECase, listing_attempt, main, writer_restart

SESSION_STARTED = b"Session successfully started"
ATTEMPTS = 21


class InterruptionTest(E2ECase):
    def test_host_closing_mid_document(self):
        with self.scenario_run("host-closes-mid-document") as run:
            # Only the report of the second session lands.
            self.assert_spool_files(run)
            self.assertNotIn("RCMD STRPRTWTR DEV(PRT01)", run.ftp_commands())
            texts = self.session_texts(run)
            self.assert_in_order(texts, [b"Starting...", b"Started.", SESSION_STARTED,
                                         b"Stoped.", b"Starting...", b"Started.", SESSION_STARTED,
                                         b"Stoped."])
            self.assertEqual(texts.count(b"Starting..."), 2)
            self.assert_no_faults(texts)

    def test_data_stopping_mid_document(self):
        with self.scenario_run("data-stops-mid-document") as run:
            # The letter lands once, whole, from the second time it was sent.
            self.assert_spool_files(run)
            self.assertEqual(run.ftp_commands(),
                             listing_attempt(run) + writer_restart(run) + listing_attempt(run))
            self.assert_in_order(run.log_texts(), [b"Inizio Salvataggio Causa Interruzione",
                                                   b"Fine Salvataggio Causa Interruzione"])
            self.assert_no_faults(self.session_texts(run))

    def test_ftp_side_down(self):
        with self.scenario_run("ftp-down") as run:
            self.assert_spool_files(run, attributes_found=False)
            texts = self.session_texts(run)
            retrieve_errors = [text for text in texts if text.startswith(b"Retrieve Error: ")]
            self.assertEqual(len(retrieve_errors), ATTEMPTS)
            self.assert_no_faults(texts, allowed=[b"Retrieve Error: "])


if __name__ == "__main__":
    main()
