#!/usr/bin/python3
"""Months unattended: old logs go (GGMaxLog), a spooled file resent after a
lost acknowledgement is saved once, and the PDF copy and the hand-off
command of a saved file survive a stop."""

import os
import time

from e2e_case import E2ECase, main
from printer_side_steps import PrinterSide

HAND_OFF = os.path.join(os.path.dirname(os.path.abspath(__file__)), "hand_off.sh")
OLD_LOGS = ("OPrinter 2020-01-01.log", "OPrinter 2020-01-01(1).log")
NOT_A_LOG = "OPrinter 2020-01-01.log.keep"
AFTER_SAVE_TIMEOUT = 150


def restart(run):
    status = run.stop_and_restart_service()
    if status != 0:
        raise AssertionError("the service stopped with %s" % status)


class StopWhileThePdfIsMade:
    """Stops the service while the PDF maker runs, so that systemd's stop
    would end it, and starts it again; the work is then still on record."""

    def __init__(self):
        self.pending_at_the_stop = None
        self.pdf_at_the_stop = None

    def __call__(self, run):
        pending = os.path.join(run.folder, "AfterSave")
        deadline = time.monotonic() + 30
        while not (os.path.isdir(pending) and os.listdir(pending)) and time.monotonic() < deadline:
            time.sleep(0.05)
        status = run._stop_service()
        if status != 0:
            raise AssertionError("the service stopped with %s" % status)
        self.pending_at_the_stop = sorted(os.listdir(pending))
        self.pdf_at_the_stop = [name for name in os.listdir(os.path.join(run.folder, "Spool")) if name.endswith(".pdf")]
        run._start_service()
        if not run.wait_for_log_texts(b"Command: ", 1, AFTER_SAVE_TIMEOUT):
            raise AssertionError("the hand-off command did not run after the start")


class UnattendedTest(E2ECase):
    def _expected_entries(self, run):
        entries = super()._expected_entries(run)
        return entries + [name for name in ("AfterSave", "hand-off.txt", NOT_A_LOG)
                          if os.path.exists(os.path.join(run.folder, name))]

    def test_resent_file_is_saved_once_and_again_when_printed_after_its_reply(self):
        with self.scenario_run("resend-after-lost-reply", PrinterSide({"restart the printer": restart})) as run:
            self.assert_spool_files(run)
            first = run.spool_files()[0]
            texts = self.session_texts(run)
            self.assertEqual(texts.count(b"Already saved as " + os.fsencode(first) + b": not saved again"), 1)
            self.assert_no_faults(texts)

    def test_old_logs_go_and_after_save_work_outlives_a_stop(self):
        def prepare(run):
            for name in OLD_LOGS + (NOT_A_LOG,):
                with open(os.path.join(run.folder, name), "wb") as log:
                    log.write(b"01/01/2020 10:00:00: Connesso.\r\n")
            with open(os.path.join(run.folder, "OPrinter.cfg"), "rb") as cfg:
                text = cfg.read()
            with open(os.path.join(run.folder, "OPrinter.cfg"), "wb") as cfg:
                cfg.write(text.replace(b"<OPrinter ", b'<OPrinter SpoolCommand="%s" ' % HAND_OFF.encode(), 1))

        stop = StopWhileThePdfIsMade()
        steps = PrinterSide({"stop the printer while it makes the PDF and start it again": stop})
        with self.scenario_run("after-save-across-a-stop", steps, prepare=prepare) as run:
            # GGMaxLog 30: the service's own old logs went at the start, each with its line.
            for name in OLD_LOGS:
                self.assertFalse(os.path.exists(os.path.join(run.folder, name)), name)
                self.assertIn(b"Log deleted: " + os.fsencode(os.path.join(run.folder, name)), run.log_texts())
            self.assertTrue(os.path.exists(os.path.join(run.folder, NOT_A_LOG)))

            self.assert_spool_files(run)
            spool = os.path.join(run.folder, "Spool", run.spool_files()[0])
            pdf = spool[:-len(".spool")] + ".pdf"
            self.assertEqual(stop.pending_at_the_stop, [run.spool_files()[0]], "on record at the stop")
            self.assertEqual(stop.pdf_at_the_stop, [], "the stop ended the maker before the PDF was done")
            with open(pdf, "rb") as made:
                self.assertTrue(made.read(5) == b"%PDF-", "a PDF after the next start")
            self.assertEqual(os.listdir(os.path.join(run.folder, "AfterSave")), [], "the record is gone")
            with open(os.path.join(run.folder, "hand-off.txt"), "rb") as calls:
                self.assertEqual(calls.read(), b"|".join([
                    b"1", os.fsencode(spool), os.fsencode(run.folder), b"GRANDE",
                    os.fsencode(os.path.basename(run.folder)), os.fsencode(pdf)]) + b"\n")
            texts = self.session_texts(run)
            self.assertIn(b"PDF: " + os.fsencode(pdf), texts)
            self.assertIn(b"Command: " + os.fsencode(spool), texts)
            self.assert_no_faults(texts)


if __name__ == "__main__":
    main()
