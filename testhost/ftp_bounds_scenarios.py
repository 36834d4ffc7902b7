"""The FTP side goes on without end: a greeting whose line never ends, a work
file far larger than any listing. Each attempt of a retrieval is cut off at
the printer's caps, the record is acknowledged, the spooled file lands (with
its attributes when a later attempt is answered), and tmp/ is left empty."""

import time

from printer_side import ask
from scenarios import scenario, started_session
from spooled_files import LETTER, REPORT

# A little larger than the printer's cap on a work file (64 MiB).
OVER_THE_CAP = 65 * 1024 * 1024
# What the figures are taken against.
FIGURE_WORK_FILE = 1024 ** 3
# The whole retrieval may take the 60 seconds of its budget, and the records
# before and after it; the session's own limit is the reply timeout.
FIGURES_TIME_LIMIT = 600


@scenario("ftp-without-end", prints=(LETTER, REPORT))
def ftp_without_end(host):
    session = started_session(host)
    # Every attempt meets the endless greeting: the letter lands without attributes.
    host.ftp.set_options(endless_greetings=-1)
    session.print_spooled_file(LETTER)
    ask(host.log, "look at tmp")
    # The first attempt meets a work file over the cap, the second a listing.
    host.ftp.set_options(endless_greetings=0, huge_work_files=1, huge_work_file_bytes=OVER_THE_CAP)
    session.print_spooled_file(REPORT)
    ask(host.log, "look at tmp")
    session.expect_open(0.5)
    session.close()


def _timed_print(host, session, spooled, what):
    started = time.monotonic()
    session.print_spooled_file(spooled)
    host.log.write("host", "figure: %s acknowledged after %.1f s" % (what, time.monotonic() - started))
    ask(host.log, "measure")


@scenario("ftp-without-end-figures", prints=(LETTER, REPORT), time_limit=FIGURES_TIME_LIMIT)
def ftp_without_end_figures(host):
    """Every attempt meets the fault, at the real time limits."""
    session = started_session(host)
    host.ftp.set_options(endless_greetings=-1)
    _timed_print(host, session, LETTER, "endless greeting")
    host.ftp.set_options(endless_greetings=0, huge_work_files=-1, huge_work_file_bytes=FIGURE_WORK_FILE)
    _timed_print(host, session, REPORT, "work file of 1 GiB")
    session.close()
