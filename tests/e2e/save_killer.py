"""Kills the printer service with SIGKILL in the middle of saving a spool
file. A save begins by creating a hidden temporary file in Spool; the killer
watches the folder (inotify), stops the service the moment such a file
appears, and kills it if the file is still open, that is, still being
written or flushed. A save that was over by then is let go on; the killer
waits for the next one."""

import ctypes
import os
import select
import signal
import struct
import threading
import time

from printer_figures import open_descriptors

IN_CREATE = 0x100
EVENT = struct.Struct("iIII")  # wd, mask, cookie, length of the name that follows
WATCH_TIME = 180


class SaveKiller:
    def __init__(self):
        self.killed_in = None  # name of the file the service was writing
        self.saves_missed = 0
        self._thread = None

    def arm(self, pid, spool_folder):
        libc = ctypes.CDLL(None, use_errno=True)
        watch = libc.inotify_init1(os.O_CLOEXEC)
        if watch < 0 or libc.inotify_add_watch(watch, os.fsencode(spool_folder), IN_CREATE) < 0:
            raise OSError(ctypes.get_errno(), "inotify on " + spool_folder)
        self._thread = threading.Thread(target=self._watch, args=(watch, pid, os.path.realpath(spool_folder)),
                                        daemon=True)
        self._thread.start()

    def wait(self):
        self._thread.join()

    def _watch(self, watch, pid, folder):
        deadline = time.monotonic() + WATCH_TIME
        try:
            while self.killed_in is None and time.monotonic() < deadline:
                readable, _, _ = select.select([watch], [], [], 0.2)
                if readable:
                    for name in _created_names(os.read(watch, 65536)):
                        if name.startswith(".") and name.endswith(".partial") and self._kill_if_open(
                                pid, os.path.join(folder, name)):
                            self.killed_in = name
                            return
        finally:
            os.close(watch)

    def _kill_if_open(self, pid, path):
        os.kill(pid, signal.SIGSTOP)
        _wait_until_stopped(pid)
        if path in open_descriptors(pid):
            os.kill(pid, signal.SIGKILL)
            return True
        self.saves_missed += 1
        os.kill(pid, signal.SIGCONT)
        return False


def _created_names(events):
    names = []
    offset = 0
    while offset < len(events):
        _, _, _, length = EVENT.unpack_from(events, offset)
        offset += EVENT.size
        names.append(os.fsdecode(events[offset:offset + length].rstrip(b"\0")))
        offset += length
    return names


def _wait_until_stopped(pid):
    deadline = time.monotonic() + 5
    while time.monotonic() < deadline:
        with open("/proc/%d/stat" % pid, encoding="latin-1") as stat:
            # The state follows the command name, which is in parentheses.
            if stat.read().rsplit(")", 1)[1].split()[0] in "tT":
                return
        time.sleep(0.0005)
    raise AssertionError("the service did not stop")
