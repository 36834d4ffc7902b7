"""One accepted telnet connection, read with time limits. Anything that does
not come as the host expects raises ScenarioFailure."""

import select
import socket
import struct
import time


class ScenarioFailure(Exception):
    pass


class PrinterClosed(ScenarioFailure):
    """The printer ended the connection."""


class TlsRefused(ScenarioFailure):
    """The printer did not complete the TLS handshake."""


# How long the host gives the printer's side of a TLS handshake.
HANDSHAKE_TIMEOUT = 10


class Connection:
    def __init__(self, sock, log):
        self._sock = sock
        self._log = log
        self._pending = b""

    def send(self, data):
        self._sock.sendall(data)

    def _receive(self, deadline, what):
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            raise ScenarioFailure("no %s within the time limit (have %s)" % (what, self._pending.hex(" ")))
        if not _readable(self._sock, remaining):
            raise ScenarioFailure("no %s within the time limit (have %s)" % (what, self._pending.hex(" ")))
        try:
            chunk = self._sock.recv(4096)
        except ConnectionError:
            chunk = b""
        if not chunk:
            raise PrinterClosed("the printer closed the connection while the host waited for %s" % what)
        self._pending += chunk

    def read_exact(self, count, timeout, what):
        deadline = time.monotonic() + timeout
        while len(self._pending) < count:
            self._receive(deadline, what)
        data, self._pending = self._pending[:count], self._pending[count:]
        return data

    def expect(self, expected, timeout, what):
        received = self.read_exact(len(expected), timeout, what)
        if received != expected:
            raise ScenarioFailure("%s: expected %s, received %s" % (what, expected.hex(" "), received.hex(" ")))

    def read_subnegotiation(self, timeout, what):
        """Reads IAC SB ... IAC SE, where a doubled IAC inside stands for one 0xFF."""
        deadline = time.monotonic() + timeout
        end = None
        while end is None:
            end = _subnegotiation_end(self._pending)
            if end is None:
                self._receive(deadline, what)
        data, self._pending = self._pending[:end], self._pending[end:]
        return data

    def expect_silence(self, seconds):
        """Nothing more may arrive, and the printer keeps the connection open."""
        extra = self._pending
        if _readable(self._sock, seconds):
            try:
                chunk = self._sock.recv(4096)
            except ConnectionError:
                chunk = b""
            if not chunk:
                raise ScenarioFailure("the printer closed the connection")
            extra += chunk
        if extra:
            raise ScenarioFailure("unexpected bytes from the printer: %s" % extra.hex(" "))

    def close(self):
        try:
            self._sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self._sock.close()

    def reset(self):
        """Drops the connection with a TCP reset instead of an orderly close."""
        self._sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self._sock.close()

    def expect_closed(self, timeout, what):
        """The printer ends the connection without sending anything more."""
        deadline = time.monotonic() + timeout
        while True:
            try:
                self._receive(deadline, what)
            except PrinterClosed:
                return
            if self._pending:
                raise ScenarioFailure("%s: unexpected bytes %s" % (what, self._pending.hex(" ")))

    def try_expect(self, expected, timeout, what):
        """True when the expected bytes come, False when the printer closes
        the connection first."""
        try:
            self.expect(expected, timeout, what)
            return True
        except PrinterClosed:
            return False


def _readable(sock, timeout):
    """Whether a receive would find something within timeout; over TLS,
    decrypted bytes may already wait while the socket itself is idle."""
    if getattr(sock, "pending", lambda: 0)() > 0:
        return True
    readable, _, _ = select.select([sock], [], [], timeout)
    return bool(readable)


def _subnegotiation_end(data):
    """Position just past the IAC SE that ends the subnegotiation at the start
    of data, or None while it is incomplete."""
    if len(data) >= 2 and data[:2] != b"\xff\xfa":
        raise ScenarioFailure("expected IAC SB, received %s" % data.hex(" "))
    position = 2
    while position + 1 < len(data):
        if data[position] == 0xFF:
            if data[position + 1] == 0xF0:
                return position + 2
            if data[position + 1] != 0xFF:
                raise ScenarioFailure("telnet command inside a subnegotiation: %s" % data.hex(" "))
            position += 2
        else:
            position += 1
    return None
