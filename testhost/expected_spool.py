"""The exact bytes of the ".spool" file the printer service must write for a
spooled file, worked out from the document layout rules on their own: the
segments the host sent are laid out into lines and pages, then framed with
the attribute text.
"""

import struct

NUL, LF, FF, CR, BLANK = 0x00, 0x0A, 0x0C, 0x0D, 0x20


class CvTable:
    """Site substitutions: the first line whose one-character name matches,
    letter case aside, gives the first character of its value."""

    def __init__(self, content):
        self._lines = content.replace(b"\r\n", b"\n").replace(b"\r", b"\n").split(b"\n")

    def substitute(self, byte):
        character = _lower(bytes([byte]))
        for line in self._lines:
            name, equals, value = line.partition(b"=")
            if equals and _lower(name) == character:
                return value[0] if value else byte
        return byte


def _lower(text):
    return text.decode("latin-1").lower().encode("latin-1")


class Layout:
    """The page a document is laid out on while its segments arrive."""

    def __init__(self, cvtable):
        self.cvtable = cvtable
        self.lines = []
        self.line_no = 0
        self.column_no = 0
        self.max_lines = 0
        self.max_columns = 0

    def _open_line(self):
        self.lines.append(bytearray())

    def _ensure_first_line(self):
        # Text or a form feed before any line exists opens line 1 of the page.
        if not self.lines:
            self._open_line()
            self.line_no = 1

    def _new_line(self):
        self.line_no += 1
        self.column_no = 0
        self._open_line()

    def _form_feed(self):
        self._ensure_first_line()
        self.lines[-1].append(FF)
        self._open_line()
        self.column_no = 0
        self.line_no = 1

    def _character(self, byte):
        self._ensure_first_line()
        self.column_no += 1
        line = self.lines[-1]
        if len(line) < self.column_no:
            line.extend(b" " * (self.column_no - len(line)))
        if byte != BLANK:
            line[self.column_no - 1] = self.cvtable.substitute(byte)

    def segment(self, data):
        """Two-byte movements count only when both bytes are in this segment."""
        position = 0
        while position < len(data):
            byte = data[position]
            following = data[position + 1] if position + 1 < len(data) else None
            if byte == NUL:
                self._new_line()
            elif byte == CR and following == LF:
                self._new_line()
                position += 1
            elif byte == CR and following == FF:
                self._form_feed()
                position += 1
            elif byte == FF:
                self._form_feed()
            elif byte == CR:
                self.column_no = 0
            elif byte == LF:
                self.line_no += 1
                self._open_line()
            else:
                self._character(byte)
            self.max_lines = max(self.max_lines, self.line_no)
            self.max_columns = max(self.max_columns, self.column_no)
            position += 1


def lay_out(segments, cvtable):
    layout = Layout(cvtable)
    for segment in segments:
        layout.segment(segment)
    return layout


def attribute_item(item):
    """An item with a control character, a blank, a double quote or a comma is
    quoted, its double quotes doubled."""
    if any(byte <= BLANK or byte in b'",' for byte in item):
        return b'"' + item.replace(b'"', b'""') + b'"'
    return item


def spool_file_bytes(attributes, layout):
    """attributes: the name=value lines fetched from the host, as bytes, in
    their order (none when the host could not be asked)."""
    items = list(attributes) + [b"RighePerPagina=%d" % layout.max_lines,
                                b"CaratteriPerRiga=%d" % layout.max_columns]
    attribute_text = b",".join(attribute_item(item) for item in items)
    text = b"".join(bytes(line) + b"\r\n" for line in layout.lines)
    return (struct.pack("<i", 1) + struct.pack("<i", len(attribute_text)) + attribute_text
            + struct.pack("<i", len(text)) + text)


def safe_file_name_part(nome):
    """The spooled file's name as it may appear in a file name inside Spool:
    no path separators, no control characters."""
    return bytes(ord("_") if byte in b"/\\" or byte < BLANK else byte for byte in nome)
