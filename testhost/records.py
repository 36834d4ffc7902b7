"""5250 records as an IBM i host frames them on a TN5250E printer session.

Every record travels with its 0xFF bytes doubled and ends in IAC EOR.
"""

IAC = 0xFF
EOR = 0xEF

RECORD_TYPE = b"\x12\xa0"
FLOW_STARTUP_RESPONSE = b"\x90\x00"
FLOW_PRINT = b"\x01\x01"

# What the printer sends back for every print record it has dealt with.
PRINT_REPLY = bytes.fromhex("000A12A0010204000001FFEF")

# Variable header of a print record: length 4 (itself included), no flags,
# opcode "print/complete".
PRINT_VARIABLE_HEADER = b"\x04\x00\x00\x01"
# Variable header of the startup response: length 5, then the four bytes the
# host puts there, then the five bytes that stand before the response code.
STARTUP_VARIABLE_HEADER = b"\x05\x60\x06\x00\x20"
STARTUP_BEFORE_CODE = b"\xc0\x00\x3d\x00\x00"


def telnet_frame(record):
    """The record as it goes on the wire: 0xFF doubled, then IAC EOR."""
    return record.replace(b"\xff", b"\xff\xff") + bytes([IAC, EOR])


def _record(flow, body):
    length = 6 + len(body)
    if length > 0xFFFF:
        raise ValueError("a 5250 record holds at most 65535 bytes")
    return length.to_bytes(2, "big") + RECORD_TYPE + flow + body


def print_record(scs_data):
    return _record(FLOW_PRINT, PRINT_VARIABLE_HEADER + scs_data)


def _ebcdic(text):
    # Digits, capital letters and the blank are alike in every EBCDIC code page.
    return text.encode("cp500")


def startup_response_record(code, device_name):
    """code: the four characters the host sends, for example "I902" or "8902"."""
    if len(code) != 4:
        raise ValueError("a response code has four characters")
    body = (STARTUP_VARIABLE_HEADER + STARTUP_BEFORE_CODE + _ebcdic(code)
            + _ebcdic(device_name[:10].ljust(10)))
    return _record(FLOW_STARTUP_RESPONSE, body)
