"""The spooled files the test host prints: a sample text from samples/ and
the attributes the host lists for it."""

import os
from dataclasses import dataclass, field

from ftp_host import spooled_file
import scs

SAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "samples")


@dataclass(frozen=True)
class SpooledFile:
    sample: str                    # file name in samples/
    attributes: dict = field(hash=False)  # as ftp_host.spooled_file() makes them
    segment_size: int = scs.SEGMENT_MAX
    record_size: int = 1024        # bytes of print data per record

    @property
    def nome(self):
        return self.attributes["name"]

    def text(self):
        with open(os.path.join(SAMPLES, self.sample), "rb") as sample:
            return scs.document_text(sample.read())

    def segments(self):
        return scs.split_segments(self.text(), self.segment_size)


# A three-page 132-column report; segments cross record boundaries.
REPORT = SpooledFile("report.txt", spooled_file(
    name="VENDITE", user="ROSSI", user_data="NOV 2026", total_pages="3",
    date="261208", time="091530", file_number="7", job="VENDMENS", job_number="482913",
    size="48"))

# A letter with overprinting, accented letters, a euro sign (0x80 in the
# Windows code page) and a 0xFF byte; small segments, and records of 245 bytes
# of print data, whose length field (255) is doubled.
LETTER = SpooledFile("letter.txt", spooled_file(
    name="LETTERA", user="BIANCHI", user_data="ORD,4711", form_type="LETT",
    date="261208", time="101500", file_number="12", job="QPADEV0004", job_number="482990"),
    segment_size=100, record_size=245)

# Names that try to leave the Spool folder.
ESCAPING = SpooledFile("evil.txt", spooled_file(name="../EVIL", user="INTRUSO", job="ATTACCO"))
ESCAPING_BACKSLASH = SpooledFile("evil.txt", spooled_file(name="..\\E\x01V", user="INTRUSO", job="ATTACCO"))

# Text that would drive a terminal: ESC sequences (clear the screen, retitle
# the window, blink), a bell, DEL and the 8-bit CSI.
TERMINAL_ESCAPES = SpooledFile("terminal-escapes.txt", spooled_file(name="ESCAPES", user="INTRUSO"))
