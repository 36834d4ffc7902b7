#!/usr/bin/python3
"""Writes the golden cases of the print data decoder: <case>.records, the 5250
print records the host sends (each begins with its 2-byte length), and
<case>.spool, the spool file the document must give. The expected lines and
page sizes below are worked out by hand from the decoding rules, not taken
from the program; this script only lays them out as a spool file does."""
import pathlib
import struct

HERE = pathlib.Path(__file__).parent
ATTRIBUTES = (HERE / "attributes.txt").read_bytes().decode("latin-1").splitlines()


def record(data: bytes) -> bytes:
    # Fixed header (length, 12A0, data flow 0101), variable header 04 0000 01.
    body = b"\x12\xA0\x01\x01\x04\x00\x00\x01" + data
    return struct.pack(">H", len(body) + 2) + body


def segment(text: bytes) -> bytes:
    return bytes([0x03, len(text)]) + text


def item(text: str) -> str:
    if any(ord(c) <= 0x20 or c in '",' for c in text):
        return '"' + text.replace('"', '""') + '"'
    return text


def spool_file(attributes, lines, max_lines, max_columns) -> bytes:
    items = list(attributes) + [f"RighePerPagina={max_lines}", f"CaratteriPerRiga={max_columns}"]
    attribute_text = ",".join(item(i) for i in items).encode("latin-1")
    text = b"".join(line + b"\r\n" for line in lines)
    return (struct.pack("<i", 1) + struct.pack("<i", len(attribute_text)) + attribute_text
            + struct.pack("<i", len(text)) + text)


CASES = {
    # NUL fetches the attributes and opens line 1; CR LF lines; a form feed
    # ends page 1 on its last line; page 2 starts at line 1. Longest page: 3
    # lines (NUL, CR LF, CR LF before the form feed); widest line 10.
    "letter": (
        [record(segment(b"\x00Dear Sir,\r\n") + segment(b"see below.\r\n")),
         record(segment(b"\x0cPage 2\r\n") + b"\x00")],
        ATTRIBUTES,
        [b"Dear Sir,", b"see below.", b"\x0c", b"Page 2", b""], 3, 10),
    # CR alone overprints from column 1, a blank replaces nothing; LF alone
    # keeps the column; CR FF is one form feed. The first CR LF opens line 1.
    # No NUL: no attributes.
    "overprint": (
        [record(segment(b"\r\nABC\rx \r\nAB\nC\r\x0cZ") + b"\x00")],
        [],
        [b"xBC", b"AB", b"  C\x0c", b"Z"], 3, 3),
    # A segment of 200 bytes split over two records is decoded once, whole;
    # a byte other than 03 at a command position is read as 03.
    "split-segment": (
        [record(b"\x03\xc8\r\n" + b"x" * 98), record(b"y" * 100 + b"\x35\x02\r\n"), record(b"\x00")],
        [],
        [b"x" * 98 + b"y" * 100, b""], 2, 198),
    # A count 0 segment opens nothing; an end mark with no document saves
    # nothing; a NUL that finds no attributes leaves those of the last fetch
    # that did (the test answers every second request).
    "empty-segments": (
        [record(b"\x00\x03\x00" + segment(b"\r\nA\x00B\x00") + b"\x00")],
        ATTRIBUTES,
        [b"A", b"B", b""], 3, 1),
}

for name, (records, attributes, lines, max_lines, max_columns) in CASES.items():
    (HERE / f"{name}.records").write_bytes(b"".join(records))
    (HERE / f"{name}.spool").write_bytes(spool_file(attributes, lines, max_lines, max_columns))
