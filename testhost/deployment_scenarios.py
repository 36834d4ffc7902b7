"""Scenarios of the package test: a printer that saves one report, stays
connected until the printer's machine has looked at it, then loses the session
to the host."""

from printer_side import ask
from scenarios import scenario, started_session
from spooled_files import REPORT


@scenario("print-then-drop", prints=(REPORT,), time_limit=180)
def print_then_drop(host):
    session = started_session(host)
    session.print_spooled_file(REPORT)
    ask(host.log, "look while connected")
    session.close()
