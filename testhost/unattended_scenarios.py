"""Scenarios of a printer that runs for months: a spooled file resent after
the acknowledgement of its last record was lost, and after-save work (PDF
copy and hand-off command) that a stop interrupts."""

from fault_scenarios import BIG, send_all_but_the_last_reply
from printer_side import ask
from scenarios import scenario, started_session
from spooled_files import LETTER

# The PDF of the large file and the command after it, once the printer is back.
AFTER_SAVE_TIMEOUT = 180


@scenario("resend-after-lost-reply", prints=(LETTER, LETTER), time_limit=120)
def resend_after_lost_reply(host):
    # The connection drops right after the record that ends the letter: its
    # reply may never have reached the host, which prints the letter again.
    session = started_session(host)
    send_all_but_the_last_reply(session, LETTER)
    session.close()
    ask(host.log, "restart the printer")
    session = started_session(host)
    session.print_spooled_file(LETTER)
    # Acknowledged this time: printed again, it is a file of its own.
    session.print_spooled_file(LETTER)
    session.expect_open(0.5)
    session.close()


@scenario("after-save-across-a-stop", prints=(BIG,), settings={"PdfCopy": "True", "DebugLevel": "0"},
          time_limit=AFTER_SAVE_TIMEOUT + 120)
def after_save_across_a_stop(host):
    session = started_session(host)
    session.print_spooled_file(BIG)
    ask(host.log, "stop the printer while it makes the PDF and start it again", AFTER_SAVE_TIMEOUT)
    session = started_session(host)
    session.expect_open(0.5)
    session.close()
