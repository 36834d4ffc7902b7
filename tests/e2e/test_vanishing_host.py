#!/usr/bin/python3
"""A host that vanishes without a word under an idle session (its link taken
down: no close, no reset) is noticed by the printer itself, within three
minutes, as a socket error that ends the session; once the link is back, the
next control cycle opens a new session, within two minutes, and it prints.
This takes the real times: about three minutes."""

import sys
import time

from e2e_case import E2ECase, main
from host_link import HostLink
from link_scenarios import NOTICE_LIMIT
from printer_side_steps import PrinterSide
from scenarios import CONTROL_CYCLE

TIMED_OUT = b"Error: SOCKET ERROR 10060"
RETURN_LIMIT = 2 * CONTROL_CYCLE


class LinkSteps:
    """The printer's side: takes the link down and up, and times what the
    printer does in between."""

    def __init__(self, link):
        self.link = link
        self.went_down = self.noticed = self.came_back = self.renewed = None

    def steps(self):
        return {"take the link down": self.take_down, "bring the link back": self.bring_back,
                "new session": self.new_session}

    def take_down(self, run):
        self.link.down()
        self.went_down = time.monotonic()

    def bring_back(self, run):
        if not run.wait_for_log_texts(b"Error: SOCKET ERROR ", 1, NOTICE_LIMIT):
            raise AssertionError("the vanished host was not noticed within %d s" % NOTICE_LIMIT)
        self.noticed = time.monotonic()
        self.link.up()
        self.came_back = time.monotonic()

    def new_session(self, run):
        self.renewed = time.monotonic()


class VanishingHostTest(E2ECase):
    def address(self):
        return self.link.host_address

    def test_host_that_vanishes_is_noticed_and_a_new_session_follows_its_return(self):
        with HostLink() as self.link:
            steps = LinkSteps(self.link)
            with self.scenario_run("host-vanishes", PrinterSide(steps.steps()),
                                   host_namespace=self.link.namespace) as run:
                notice, renewal = steps.noticed - steps.went_down, steps.renewed - steps.came_back
                sys.stderr.write("\nvanished host noticed after %.1f s; new session %.1f s after its return\n"
                                 % (notice, renewal))
                self.assertLessEqual(notice, NOTICE_LIMIT)
                self.assertLessEqual(renewal, RETURN_LIMIT)
                self.assert_spool_files(run)
                texts = self.session_texts(run)
                self.assert_in_order(texts, [b"Starting...", b"Started.", b"Session successfully started",
                                             TIMED_OUT, b"Stoped.", b"Starting...", b"Started.",
                                             b"Session successfully started"])
                self.assertEqual(texts.count(b"Starting..."), 2)
                self.assert_no_faults(texts, allowed=[TIMED_OUT])


if __name__ == "__main__":
    main()
