#!/usr/bin/python3
"""An FTP side that goes on without end costs each attempt no more than the
printer's caps: a greeting line that never ends fails every attempt at once,
and a work file over the cap fails its attempt, whose download file is gone
at once; the records are acknowledged and the spooled files land."""

from e2e_case import E2ECase, main
from printer_figures import temporary_files
from printer_side_steps import PrinterSide

ATTEMPTS = 21
ENDLESS_LINE = b"Retrieve Error: Reply line from the FTP server longer than 8192 bytes"
OVER_THE_CAP = b"Retrieve Error: Download stopped: work file larger than 67108864 bytes"


class FtpBoundsTest(E2ECase):
    def test_endless_greeting_and_work_file_over_the_cap(self):
        left = []
        steps = {"look at tmp": lambda run: left.append(temporary_files(run.folder))}
        with self.scenario_run("ftp-without-end", PrinterSide(steps)) as run:
            self.assert_spool_files(run, attributes_found=[False, True])
            self.assertEqual(left, [[], []], "download files left in tmp/")
            texts = self.session_texts(run)
            self.assertEqual(texts.count(ENDLESS_LINE), ATTEMPTS)
            self.assertEqual(texts.count(OVER_THE_CAP), 1)
            self.assert_no_faults(texts, allowed=[ENDLESS_LINE, OVER_THE_CAP])


if __name__ == "__main__":
    main()
