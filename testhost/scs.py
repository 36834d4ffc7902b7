"""The SCS print data of one spooled file, as the host sends it after its
print transform: ASCII text inside transparency segments, then the end of
the document.
"""

TRANSPARENCY = 0x03
END_OF_DOCUMENT = b"\x00"
SEGMENT_MAX = 255


def document_text(sample):
    """The host starts every spooled file's text with a NUL."""
    return b"\x00" + sample


def split_segments(text, segment_size=SEGMENT_MAX):
    if not 1 <= segment_size <= SEGMENT_MAX:
        raise ValueError("a transparency segment holds 1 to 255 bytes")
    return [text[i:i + segment_size] for i in range(0, len(text), segment_size)]


def transparency(segment):
    return bytes([TRANSPARENCY, len(segment)]) + segment


def pack_records(items, record_size):
    """Cuts the stream of SCS items into record payloads of at most record_size
    bytes. A cut may fall inside a segment's text, as the host's does, but never
    between a command byte and its count."""
    if record_size < 2:
        raise ValueError("a record carries at least two bytes of print data")
    stream = b"".join(items)
    after_command = set()
    position = 0
    for item in items:
        if item[0] == TRANSPARENCY:
            after_command.add(position + 1)
        position += len(item)
    payloads = []
    start = 0
    while start < len(stream):
        end = min(start + record_size, len(stream))
        if end in after_command:
            end -= 1
        payloads.append(stream[start:end])
        start = end
    return payloads
