#!/usr/bin/python3
"""A spooled file that does not arrive whole is never saved in part, and the
service recovers: a new session after the host closed, a writer restart
after the data stopped, a file without attributes when FTP is down or
silent."""

import datetime
import re
import signal
import sys
import time

from e2e_case import E2ECase, listing_attempt, main, writer_restart
from heartbeat_watch import HeartbeatWatch
from printer_side_steps import PrinterSide
from service_run import STOP_TIMEOUT

SESSION_STARTED = b"Session successfully started"
ATTEMPTS = 21
RETRIEVAL_GAVE_UP = b"Retrieve Error: Time budget of 60 seconds ran out after 2 attempts"
RESTART_GAVE_UP = b"AvvioPgm Error: Time budget of 60 seconds ran out after 2 attempts"
SILENT_SERVER = b"Timed out waiting for a reply from the FTP server"
LONGEST_HEARTBEAT_STILL = 150
LONGEST_STOP_DURING_FTP = 2
# The retrieval is under way once its record is in; its FTP server stays silent.
RETRIEVAL_UNDER_WAY = 1
RESTART_GIVEN_UP_TIMEOUT = 110


class SilentFtpSide:
    """Watches the heartbeat from the service's first value on, and tells
    the host when the writer restart has given up."""

    def __init__(self):
        self.heartbeat = HeartbeatWatch()
        self.steps = PrinterSide({"wait until the writer restart gives up": self.wait_for_restart_to_give_up})

    def __call__(self, run):
        self.heartbeat.start(run)
        try:
            self.steps(run)
        finally:
            self.heartbeat.stop()

    @staticmethod
    def wait_for_restart_to_give_up(run):
        if not run.wait_for_log_texts(RESTART_GAVE_UP, 1, RESTART_GIVEN_UP_TIMEOUT):
            raise AssertionError("the writer restart did not give up")


def _seconds_to_save(run, spool_name):
    """From the host's start of the session to the time in the file's name."""
    started = re.search(r"^(\d\d:\d\d:\d\d) telnet: session 1: startup response", run.host_log(), re.M)
    saved = datetime.datetime.strptime(spool_name[-23:-6], "%Y%m%d%H%M%S%f")
    started_at = datetime.datetime.combine(saved.date(), datetime.time.fromisoformat(started.group(1)))
    return (saved - started_at).total_seconds()


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

    def test_silent_ftp_side(self):
        side = SilentFtpSide()
        started = time.monotonic()
        with self.scenario_run("silent-ftp", side) as run:
            # The report without attributes, the letter with them; the
            # partial letter before it was dropped at the writer restart.
            self.assert_spool_files(run, attributes_found=[False, True])
            texts = self.session_texts(run)
            self.assertEqual(texts.count(RETRIEVAL_GAVE_UP), 1)
            self.assertEqual(texts.count(RESTART_GAVE_UP), 1)
            self.assertEqual(texts.count(b"Retrieve Error: " + SILENT_SERVER), 2)
            self.assertEqual(texts.count(b"AvvioPgm Error: " + SILENT_SERVER), 2)
            self.assert_no_faults(texts, allowed=[b"Retrieve Error: ", b"AvvioPgm Error: "])
            longest = side.heartbeat.longest_still()
            self.assertLessEqual(longest, LONGEST_HEARTBEAT_STILL, "heartbeat still for %.1f s" % longest)
            sys.stderr.write("\nsilent FTP: report saved %.1f s after the session started; heartbeat still "
                             "for at most %.1f s; run took %.0f s\n" % (
                                 _seconds_to_save(run, run.spool_files()[0]), longest, time.monotonic() - started))

    def test_stop_during_a_silent_retrieval(self):
        stops = []

        def stop_during_the_retrieval(run):
            time.sleep(RETRIEVAL_UNDER_WAY)
            started = time.monotonic()
            run.service.send_signal(signal.SIGTERM)
            status = run.service.wait(STOP_TIMEOUT)
            stops.append((time.monotonic() - started, status))
            run.restart_service()

        steps = PrinterSide({"stop the printer during the retrieval": stop_during_the_retrieval})
        with self.scenario_run("stop-during-silent-retrieval", steps) as run:
            self.assert_spool_files(run)
            [(took, status)] = stops
            self.assertEqual(status, 0, "the stop during the retrieval")
            self.assertLessEqual(took, LONGEST_STOP_DURING_FTP, "the stop took %.1f s" % took)
            self.assert_no_faults(self.session_texts(run))
            sys.stderr.write("\nstop during a silent retrieval: the service ended %.2f s after SIGTERM\n" % took)


if __name__ == "__main__":
    main()
