"""Scenarios in which the host's network link fails. The test runs the host
in a network namespace of its own, joined to the printer's machine by a
virtual link, and takes the host's end of that link down and up when asked."""

from printer_side import ask
from scenarios import CONTROL_CYCLE, scenario, started_session
from spooled_files import LETTER, REPORT

# The printer notices a host that has vanished within three minutes.
NOTICE_LIMIT = 180
# The test answers once the printer has given the dead session up.
LINK_BACK_TIMEOUT = NOTICE_LIMIT + 30


@scenario("host-vanishes", prints=(LETTER, REPORT), time_limit=LINK_BACK_TIMEOUT + 2 * CONTROL_CYCLE + 90)
def host_vanishes(host):
    """The link goes down under an idle session, so the printer hears nothing
    more: not a close, not a reset. It finds the connection dead by itself,
    and once the link is back its next control cycle opens a new session,
    which negotiates and prints as usual."""
    vanished = started_session(host)
    # The printer gives up two minutes after it last heard from the host. A
    # spooled file half a control cycle into the session keeps that moment
    # away from the printer's control cycles, one of which would otherwise
    # reconnect while the link is still down.
    vanished.expect_open(CONTROL_CYCLE / 2)
    vanished.print_spooled_file(LETTER)
    ask(host.log, "take the link down")
    ask(host.log, "bring the link back", timeout=LINK_BACK_TIMEOUT)
    vanished.close()
    session = started_session(host)
    ask(host.log, "new session")
    session.print_spooled_file(REPORT)
    session.expect_open(0.5)
    session.close()
