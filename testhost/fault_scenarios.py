"""Scenarios in which something fails at every stage of a session: the host
drops the connection, talks nonsense, or its FTP side misbehaves; or the
printer's own machine lets it down (its Spool folder, its file size limit,
a kill while it saves). Each session asks the test for a "checkpoint" at a
quiet moment, where the printer's descriptors and temporary files are
counted."""

from connection import PrinterClosed, ScenarioFailure
from ftp_host import DEFAULT_OPTIONS
from generated_files import generated
import negotiation
from printer_session import ACKNOWLEDGE_TIMEOUT
from printer_side import ask
import records
from scenarios import CONTROL_CYCLE, scenario, started_session
import scs
from spooled_files import LETTER, REPORT

# 5250 records are at most 65535 bytes, and the printer allows 1024 more
# before it gives up on a record that never ends.
LONGEST_RECORD_BUFFER = 65535 + 1024
CLOSE_TIMEOUT = 10
# Large enough that writing and flushing it takes the printer a while.
BIG = generated("GRANDE", 16 * 1024 * 1024, record_size=60000)


def checkpoint(host):
    ask(host.log, "checkpoint")


def send_all_but_the_last_reply(session, spooled):
    """Prints the spooled file; the reply to its last record, the one that
    ends the document, is left for the caller."""
    payloads = session.start_spooled_file(spooled)
    for payload in payloads[:-1]:
        session.send_print_record(payload)
    session.connection.send(records.telnet_frame(records.print_record(payloads[-1])))


def _print_with_ftp(host, session, spooled, **switches):
    """Prints spooled while the FTP side has the switches on."""
    host.ftp.set_options(**switches)
    session.print_spooled_file(spooled)
    host.ftp.set_options(**{name: DEFAULT_OPTIONS[name] for name in switches})


def _print_and_close(host, spooled_files):
    session = started_session(host)
    checkpoint(host)
    for spooled in spooled_files:
        session.print_spooled_file(spooled)
    session.expect_open(0.5)
    session.close()


# The host's faults: one per session. After each the test finds the printer
# still running and restarts it, so that the next session comes at once;
# after one of them the printer is left to replace the session at its next
# control cycle, as it does in service. The FTP faults do not end a session;
# they use the time before a session's own fault.

def _close_during_the_negotiation(host):
    session = host.accept_session()
    negotiation.offer_environment(session.connection)
    checkpoint(host)
    session.close()


def _ftp_refusals_then_reset_inside_a_record(host):
    session = started_session(host)
    checkpoint(host)
    _print_with_ftp(host, session, LETTER, refuse_login=True)
    _print_with_ftp(host, session, LETTER, close_mid_download=True)
    frame = records.telnet_frame(records.print_record(session.start_spooled_file(REPORT)[0]))
    session.connection.send(frame[:len(frame) // 2])
    session.connection.reset()


def _silent_ftp_then_close_before_a_reply(host):
    session = started_session(host)
    checkpoint(host)
    # The first attempt waits out the FTP time limit, the second succeeds.
    _print_with_ftp(host, session, REPORT, silent_connections=1)
    send_all_but_the_last_reply(session, LETTER)
    session.close()


def _garbage_negotiation(host):
    session = host.accept_session()
    negotiation.offer_environment(session.connection)
    checkpoint(host)
    # DO ECHO is refused at once; what follows it is never looked at.
    session.connection.send(b"\xff\xfd\x01\xff\xfb\x18\xff\xfa\x18\x07garbage")
    session.connection.expect_closed(CLOSE_TIMEOUT, "the end of the session after DO ECHO")


def _nonsense_pasv_then_reset_between_files(host):
    session = started_session(host)
    checkpoint(host)
    _print_with_ftp(host, session, LETTER, nonsense_pasv=True)
    session.print_spooled_file(REPORT)
    session.connection.reset()


def _record_without_end(host):
    session = started_session(host)
    checkpoint(host)
    session.connection.send(b"\x40" * LONGEST_RECORD_BUFFER)
    session.expect_open(1)
    try:
        session.connection.send(b"\x40")
    except ConnectionError:
        pass
    session.connection.expect_closed(CLOSE_TIMEOUT, "the end of the session after the longest record")


def _print_once_more(host):
    _print_and_close(host, [LETTER])


HOST_FAULTS = (_close_during_the_negotiation, _ftp_refusals_then_reset_inside_a_record,
               _silent_ftp_then_close_before_a_reply, _garbage_negotiation,
               _nonsense_pasv_then_reset_between_files, _record_without_end, _print_once_more)
REPLACED_AT_THE_CONTROL_CYCLE = _ftp_refusals_then_reset_inside_a_record


@scenario("host-faults", prints=(LETTER, LETTER, REPORT, LETTER, LETTER, REPORT, LETTER),
          time_limit=CONTROL_CYCLE + 180)
def host_faults(host):
    for number, fault in enumerate(HOST_FAULTS, start=1):
        fault(host)
        if number < len(HOST_FAULTS) and fault is not REPLACED_AT_THE_CONTROL_CYCLE:
            ask(host.log, "restart the printer")


# The printer's own faults, all in one session but for the kill.

def _save_that_fails(host, session, spooled, spoil, repair):
    """The save fails: the document stays open and its last record gets no
    reply. Once the test has repaired the fault, the end of the document is
    sent once more, and now the document is saved whole."""
    ask(host.log, spoil)
    send_all_but_the_last_reply(session, spooled)
    ask(host.log, repair)
    session.expect_open(0.5)
    session.send_print_record(scs.END_OF_DOCUMENT)


def _lost_in_the_save(host, session, spooled, tries=3):
    """Prints spooled until the printer goes away before its last reply."""
    for _ in range(tries):
        send_all_but_the_last_reply(session, spooled)
        if not session.connection.try_expect(records.PRINT_REPLY, ACKNOWLEDGE_TIMEOUT,
                                             "the reply to the end of %s" % spooled.nome):
            host.log.write("host", "%s: the printer went away while it saved" % spooled.nome)
            return
        host.log.write("host", "%s: saved and acknowledged before the kill" % spooled.nome)
    raise ScenarioFailure("the printer was never killed while it saved %s" % spooled.nome)


# Small log files, each below the file size limit the test sets, and no
# trace, whose lines for every segment of the large file would roll them
# over thousands of times.
@scenario("disk-faults", prints=(LETTER, LETTER, REPORT, REPORT, LETTER),
          settings={"MaxLog": "4", "DebugLevel": "0"},
          time_limit=240)
def disk_faults(host):
    session = started_session(host)
    checkpoint(host)
    _save_that_fails(host, session, LETTER, "make Spool a file", "remove the file Spool")
    _save_that_fails(host, session, LETTER, "mount Spool read-only", "make Spool writable")
    _save_that_fails(host, session, REPORT, "fill Spool", "give Spool room")
    ask(host.log, "unmount Spool")
    _save_that_fails(host, session, REPORT, "limit the file size", "lift the file size limit")
    checkpoint(host)
    ask(host.log, "kill the printer when it saves")
    try:
        _lost_in_the_save(host, session, BIG)
    except PrinterClosed:
        raise ScenarioFailure("the printer went away before it saved %s" % BIG.nome) from None
    ask(host.log, "start the printer again")
    _print_and_close(host, [LETTER])
