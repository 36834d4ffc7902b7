"""Spooled files of any size, for the tests that need more text than the
samples hold: a report of numbered lines of varying width, 8-bit characters
and the byte 0xFF included, with a form feed after every 60 lines."""

from dataclasses import dataclass

from ftp_host import spooled_file
import scs
from spooled_files import SpooledFile

LINES_PER_PAGE = 60
# Printable ISO 8859-1: what the host's print transform leaves in the text.
PRINTABLE = bytes(range(0x20, 0x7F)) + bytes(range(0xA0, 0x100))


@dataclass(frozen=True)
class GeneratedSpooledFile(SpooledFile):
    size: int = 0                  # bytes of text, at least

    def text(self):
        return scs.document_text(report_text(self.size, seed=len(self.attributes["name"]) + self.size))


def report_text(size, seed=0):
    lines = []
    length = 0
    number = 0
    while length < size:
        number += 1
        width = (number * 37 + seed) % 133
        start = (number * 11 + seed) % len(PRINTABLE)
        body = (PRINTABLE[start:] + PRINTABLE[:start]) * 2
        line = b"%06d " % number + body[:width]
        line += b"\r\n" if number % LINES_PER_PAGE else b"\r\n\x0c"
        lines.append(line)
        length += len(line)
    return b"".join(lines)


def generated(name, size, **options):
    """A generated spooled file called name, of size bytes of text or more."""
    return GeneratedSpooledFile("", spooled_file(name=name, user="GENERA", job="GENERA", size=str(size // 1024 + 1)),
                                size=size, **options)
