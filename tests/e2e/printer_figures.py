"""What the printer service holds, read from /proc: open descriptors and
resident memory, and the temporary files it has left in its folder."""

import os


def open_descriptors(pid):
    """What each open descriptor refers to, sorted."""
    folder = "/proc/%d/fd" % pid
    targets = []
    for name in os.listdir(folder):
        try:
            targets.append(os.readlink(os.path.join(folder, name)))
        except FileNotFoundError:
            pass  # closed while we looked
    return sorted(targets)


def resident_kib(pid):
    with open("/proc/%d/status" % pid, encoding="ascii") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise AssertionError("no VmRSS for process %d" % pid)


def temporary_files(folder):
    """Whatever in Spool is not a spool file, and everything in tmp: what a
    save or a download leaves behind when it does not clean up."""
    left = []
    for sub, kept in (("Spool", ".spool"), ("tmp", None)):
        path = os.path.join(folder, sub)
        if os.path.isdir(path):
            left += [os.path.join(sub, name) for name in os.listdir(path) if not (kept and name.endswith(kept))]
    return sorted(left)
