"""Follows the service's heartbeat file while a scenario runs and keeps the
moments its value changed, to tell how long it ever stood still."""

import threading
import time

POLL_INTERVAL = 0.1


class HeartbeatWatch:
    def __init__(self):
        self.changes = []  # (monotonic time, value)
        self._stop = threading.Event()
        self._thread = None
        self._stopped_at = None

    def start(self, run):
        self._thread = threading.Thread(target=self._follow, args=(run,), daemon=True)
        self._thread.start()

    def stop(self):
        self._stop.set()
        if self._thread:
            self._thread.join()
        self._stopped_at = time.monotonic()

    def _follow(self, run):
        while not self._stop.is_set():
            value = run.heartbeat()
            if value is not None and (not self.changes or self.changes[-1][1] != value):
                self.changes.append((time.monotonic(), value))
            time.sleep(POLL_INTERVAL)

    def longest_still(self):
        """Seconds of the longest stretch without a new value, up to the stop."""
        moments = [moment for moment, _ in self.changes] + [self._stopped_at]
        return max(later - earlier for earlier, later in zip(moments, moments[1:]))
