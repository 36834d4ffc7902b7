"""The named scenarios of the test host. A scenario is a function that drives
the host (accept sessions, print, wait for FTP commands); what it needs of
the printer service's configuration travels with it, and the spooled files
it prints are named so that a test can work out what must land on disk.

Adding one: write the function and decorate it with @scenario(...).
"""

from dataclasses import dataclass, field
from typing import Callable

from spooled_files import ESCAPING, ESCAPING_BACKSLASH, LETTER, REPORT, TERMINAL_ESCAPES

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


@scenario("seed-with-se-and-iac", prints=(LETTER,))
def seed_with_se_and_iac(host):
    """The host's random seed holds the bytes of SE and IAC; the negotiation
    goes on to the terminal type as with any other seed."""
    session = host.accept_session()
    session.negotiate(seed=b"\x12\xf0\x34\xff\xf0\x56\xff\x78")
    session.send_startup_response("I902")
    session.print_spooled_file(LETTER)
    session.expect_open(0.5)
    session.close()


# What the FTP server says reaches the log's last error line.
HOSTILE_REPLY = "Login \x1b[2J\x1b]0;owned\x07refused."


@scenario("terminal-escapes", prints=(TERMINAL_ESCAPES,))
def terminal_escapes(host):
    """Control sequences in the printed text and in the FTP server's replies,
    for the admin tool to show harmlessly."""
    host.ftp.set_options(refuse_login=True, refusal_text=HOSTILE_REPLY)
    print_all(host, [TERMINAL_ESCAPES])


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
import ftp_bounds_scenarios  # noqa: E402,F401
import link_scenarios  # noqa: E402,F401
import silent_ftp_scenarios  # noqa: E402,F401
import tls_scenarios  # noqa: E402,F401
import soak_scenarios  # noqa: E402,F401
import deployment_scenarios  # noqa: E402,F401
