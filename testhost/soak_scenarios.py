"""A long run through one session: many spooled files of mixed sizes, one
after the other, with a pause every so many files in which the test
measures the printer ("measure" steps, see printer_side)."""

import os

from generated_files import generated
from printer_side import ask
from scenarios import scenario, started_session
from spooled_files import ESCAPING, LETTER, REPORT

# A longer or shorter soak by hand: the environment of the test that runs the host says.
SOAK_FILES = int(os.environ.get("OPRINTER_SOAK_FILES", "1000"))
MEASURE_EVERY = 100
# From 61 bytes to 128 KiB of text, in records of several sizes.
MIX = (LETTER, REPORT, generated("PICCOLO", 1024, record_size=100), ESCAPING,
       generated("MEDIO", 32 * 1024, record_size=4096), LETTER,
       generated("GRANDE", 128 * 1024, record_size=32000), REPORT)
SOAK_PRINTS = tuple(MIX[number % len(MIX)] for number in range(SOAK_FILES))


@scenario("soak", prints=SOAK_PRINTS, time_limit=60 + SOAK_FILES)
def soak(host):
    session = started_session(host)
    for number, spooled in enumerate(SOAK_PRINTS, start=1):
        session.print_spooled_file(spooled)
        if number % MEASURE_EVERY == 0:
            ask(host.log, "measure")
    session.expect_open(0.5)
    session.close()
