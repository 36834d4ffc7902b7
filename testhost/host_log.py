"""What the test host saw, written as it happens and kept for the scenario to
wait on. The telnet side and the FTP thread write to the same log."""

import threading
import time


class HostLog:
    def __init__(self, path=None):
        self._lines = []
        self._failures = []
        self._changed = threading.Condition()
        self._file = open(path, "a", encoding="ascii", errors="backslashreplace") if path else None

    def write(self, source, text):
        line = "%s %s: %s" % (time.strftime("%H:%M:%S"), source, text)
        with self._changed:
            self._lines.append((source, text))
            if self._file:
                self._file.write(line + "\n")
                self._file.flush()
            self._changed.notify_all()

    def failure(self, text):
        with self._changed:
            self._failures.append(text)
        self.write("FAIL", text)

    @property
    def failures(self):
        with self._changed:
            return list(self._failures)

    def texts(self, source):
        with self._changed:
            return [text for line_source, text in self._lines if line_source == source]

    def wait_for(self, source, text, timeout):
        """True once a line from source equal to text has been written."""
        deadline = time.monotonic() + timeout
        with self._changed:
            while (source, text) not in self._lines:
                remaining = deadline - time.monotonic()
                if remaining <= 0:
                    return False
                self._changed.wait(remaining)
            return True

    def close(self):
        if self._file:
            self._file.close()
            self._file = None
