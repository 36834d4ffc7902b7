"""The named scenarios of the test host. A scenario is a function that drives
the host (accept sessions, print, wait for FTP commands); what it needs of
the printer service's configuration travels with it, and the spooled files
it prints are named so that a test can work out what must land on disk.

Adding one: write the function and decorate it with @scenario(...).
"""

from dataclasses import dataclass, field
from typing import Callable

from spooled_files import ESCAPING, ESCAPING_BACKSLASH, LETTER, REPORT

PRINTER_NAME = "PRT01"
FTP_USER = "OPRTEST"
FTP_PASSWORD = "Pw#4_oprinter"
# The printer service looks at its session once a minute.
CONTROL_CYCLE = 60


@dataclass(frozen=True)
class Scenario:
    name: str
    run: Callable
    prints: tuple = ()              # spooled files that must land, in order
    ftp_up: bool = True
    settings: dict = field(default_factory=dict)  # OPrinter.cfg attributes it needs
    time_limit: float = 60
    printer_name: str = PRINTER_NAME
    # The certificate the telnet server (on port 992 then) and the FTP server
    # present: a kind of certificates.SERVER_CERTIFICATES; empty: clear text.
    tls: str = ""
    ftp_tls: str = ""
    # How OPrinter.cfg writes the host (System), made from the host's
    # address; None: the address itself.
    written_host: Callable = None


SCENARIOS = {}


def scenario(name, **options):
    def register(run):
        SCENARIOS[name] = Scenario(name=name, run=run, **options)
        return run
    return register


def started_session(host):
    session = host.accept_session()
    session.negotiate()
    session.send_startup_response("I902")
    return session


def print_all(host, spooled_files):
    session = started_session(host)
    for spooled in spooled_files:
        session.print_spooled_file(spooled)
    session.expect_open(0.5)
    session.close()


@scenario("one-report", prints=(REPORT,))
def one_report(host):
    print_all(host, [REPORT])


@scenario("several-files", prints=(REPORT, LETTER, REPORT))
def several_files(host):
    print_all(host, [REPORT, LETTER, REPORT])


@scenario("program-path", prints=(LETTER,), settings={"SpoolInfoAPI": "True"})
def program_path(host):
    print_all(host, [LETTER])


@scenario("escaping-names", prints=(ESCAPING, ESCAPING_BACKSLASH))
def escaping_names(host):
    print_all(host, [ESCAPING, ESCAPING_BACKSLASH])


@scenario("device-not-available", prints=(LETTER,))
def device_not_available(host):
    """8902 is only reported; the session goes on and prints."""
    session = host.accept_session()
    session.negotiate()
    session.send_startup_response("8902")
    session.expect_open(3)
    session.print_spooled_file(LETTER)
    session.close()


@scenario("host-closes-mid-document", prints=(REPORT,), time_limit=CONTROL_CYCLE + 60)
def host_closes_mid_document(host):
    """The half-sent report is lost; the next control cycle opens a new session."""
    session = started_session(host)
    session.print_spooled_file(REPORT, segments=20)
    session.close()
    print_all(host, [REPORT])


@scenario("data-stops-mid-document", prints=(LETTER,), time_limit=90)
def data_stops_mid_document(host):
    """After a pause the printer gives the document up and restarts the host's
    writer, which prints the spooled file again from its start."""
    session = started_session(host)
    session.print_spooled_file(LETTER, segments=3)
    host.wait_for_ftp_command("RCMD STRPRTWTR DEV(%s)" % PRINTER_NAME, timeout=30)
    session.print_spooled_file(LETTER)
    session.expect_open(0.5)
    session.close()


@scenario("ftp-down", prints=(REPORT,), ftp_up=False, time_limit=90)
def ftp_down(host):
    """No FTP server: the report is saved without its attributes."""
    print_all(host, [REPORT])


# Scenarios of their own modules register themselves here.
import fault_scenarios  # noqa: E402,F401
import link_scenarios  # noqa: E402,F401
import silent_ftp_scenarios  # noqa: E402,F401
import tls_scenarios  # noqa: E402,F401
import soak_scenarios  # noqa: E402,F401
import deployment_scenarios  # noqa: E402,F401
