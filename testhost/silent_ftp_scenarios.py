"""The FTP side falls silent while documents are in progress: it accepts
connections and never answers. Each attribute retrieval and each writer
restart then gives up when its time budget is spent, the session goes on,
and every spooled file printed whole lands."""

from printer_side import ask
import records
from scenarios import CONTROL_CYCLE, scenario, started_session
from spooled_files import LETTER, REPORT

# The writer restart starts 5 to 8 seconds after the data stopped and takes
# its whole budget of 60 seconds.
RESTART_GIVEN_UP_TIMEOUT = 120


@scenario("silent-ftp", prints=(REPORT, LETTER), time_limit=CONTROL_CYCLE + 240)
def silent_ftp(host):
    session = started_session(host)
    # The report's retrieval meets the silence; the report lands without attributes.
    host.ftp.set_options(silent=True)
    session.print_spooled_file(REPORT)
    # The letter's retrieval is answered; then its data stops, and the writer
    # restart meets the silence. The partial letter is dropped.
    host.ftp.set_options(silent=False)
    session.print_spooled_file(LETTER, segments=3)
    host.ftp.set_options(silent=True)
    ask(host.log, "wait until the writer restart gives up", timeout=RESTART_GIVEN_UP_TIMEOUT)
    host.ftp.set_options(silent=False)
    session.print_spooled_file(LETTER)
    session.expect_open(0.5)
    session.close()


@scenario("stop-during-silent-retrieval", prints=(LETTER,), time_limit=CONTROL_CYCLE + 60)
def stop_during_silent_retrieval(host):
    """The service is stopped while the letter's retrieval waits on the silent
    FTP side: it ends at once, the letter unsaved; started again, it prints
    the letter whole, with its attributes."""
    session = started_session(host)
    host.ftp.set_options(silent=True)
    first_record = session.start_spooled_file(LETTER)[0]  # its NUL asks for the attributes
    session.connection.send(records.telnet_frame(records.print_record(first_record)))
    ask(host.log, "stop the printer during the retrieval")
    session.connection.expect_closed(5, "the end of the stopped printer's session")
    host.ftp.set_options(silent=False)
    session = started_session(host)
    session.print_spooled_file(LETTER)
    session.expect_open(0.5)
    session.close()
