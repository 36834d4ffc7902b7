"""The telnet negotiation an IBM i host opens for a TN5250E printer session,
with every reply of the printer checked."""

from connection import ScenarioFailure

IAC, SB, SE, DO, WILL = 0xFF, 0xFA, 0xF0, 0xFD, 0xFB
BINARY, TERMINAL_TYPE, END_OF_RECORD, NEW_ENVIRON = 0x00, 0x18, 0x19, 0x27
IS, SEND = 0x00, 0x01
VAR, VALUE, USERVAR = 0x00, 0x01, 0x03

TERMINAL_TYPE_NAME = b"IBM-3812-1"
REPLY_TIMEOUT = 10


def _command(verb, option):
    return bytes([IAC, verb, option])


def expected_environment(device_name):
    """The variables a 3812 printer session has to report, in their order."""
    return [
        (b"DEVNAME", device_name.encode("latin-1")),
        (b"IBMMSGQNAME", b"QSYSOPR"),
        (b"IBMMSGQLIB", b"*LIBL"),
        (b"IBMTRANSFORM", b"1"),
        (b"IBMMFRTYPMDL", b"*NONE"),
        (b"IBMFONT", b"12"),
        (b"IBMFORMFEED", b"C"),
        (b"IBMPPRSRC1", b"\xff"),
        (b"IBMPPRSRC2", b"\xff"),
        (b"IBMENVELOPE", b"\xff"),
    ]


def parse_environment(block):
    """The variables of an IAC SB NEW-ENVIRON IS ... IAC SE block as
    (name, value) pairs; every variable must come as VAR name VALUE value."""
    if block[:4] != bytes([IAC, SB, NEW_ENVIRON, IS]):
        raise ScenarioFailure("NEW-ENVIRON reply does not begin with IAC SB NEW-ENVIRON IS: %s" % block.hex(" "))
    body = block[4:-2].replace(b"\xff\xff", b"\xff")
    variables = []
    position = 0
    while position < len(body):
        if body[position] != VAR:
            raise ScenarioFailure("NEW-ENVIRON: expected VAR at %d of %s" % (position, body.hex(" ")))
        name_end = body.find(bytes([VALUE]), position + 1)
        if name_end < 0:
            raise ScenarioFailure("NEW-ENVIRON: variable without VALUE: %r" % body[position:])
        value_end = name_end + 1
        while value_end < len(body) and body[value_end] not in (VAR, USERVAR):
            value_end += 1
        variables.append((body[position + 1:name_end], body[name_end + 1:value_end]))
        position = value_end
    return variables


def offer_environment(connection):
    """The negotiation's first step: DO NEW-ENVIRON, answered by WILL."""
    connection.send(_command(DO, NEW_ENVIRON))
    connection.expect(_command(WILL, NEW_ENVIRON), REPLY_TIMEOUT, "WILL NEW-ENVIRON")


def environment_request(seed=None):
    """NEW-ENVIRON SEND VAR USERVAR; with a seed, as an IBM i sends it to a
    printer (RFC 2877, RFC 4777): USERVAR "IBMRSEED" and the 8 seed bytes,
    an FF among them doubled, before VAR USERVAR."""
    request = bytes([IAC, SB, NEW_ENVIRON, SEND])
    if seed is not None:
        request += bytes([USERVAR]) + b"IBMRSEED" + seed.replace(b"\xff", b"\xff\xff")
    return request + bytes([VAR, USERVAR, IAC, SE])


def negotiate(connection, device_name, log, seed=None):
    offer_environment(connection)

    connection.send(environment_request(seed))
    variables = parse_environment(connection.read_subnegotiation(REPLY_TIMEOUT, "the NEW-ENVIRON block"))
    if variables != expected_environment(device_name):
        raise ScenarioFailure("NEW-ENVIRON variables: expected %r, received %r"
                              % (expected_environment(device_name), variables))
    log.write("telnet", "environment: " + " ".join(
        "%s=%s" % (name.decode("latin-1"), value.decode("latin-1")) for name, value in variables[:5]))

    connection.send(_command(DO, TERMINAL_TYPE))
    connection.expect(_command(WILL, TERMINAL_TYPE), REPLY_TIMEOUT, "WILL TERMINAL-TYPE")
    connection.send(bytes([IAC, SB, TERMINAL_TYPE, SEND, IAC, SE]))
    connection.expect(bytes([IAC, SB, TERMINAL_TYPE, IS]) + TERMINAL_TYPE_NAME + bytes([IAC, SE]),
                      REPLY_TIMEOUT, "TERMINAL-TYPE IS IBM-3812-1")

    # Two requests in one send: both replies come back together, in order.
    for option, name in ((END_OF_RECORD, "END-OF-RECORD"), (BINARY, "BINARY")):
        connection.send(_command(DO, option) + _command(WILL, option))
        connection.expect(_command(WILL, option) + _command(DO, option), REPLY_TIMEOUT,
                          "WILL and DO " + name)
    log.write("telnet", "negotiation complete")
