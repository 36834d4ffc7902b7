"""A small tmpfs over the printer's Spool folder, so that the test can make
the folder read-only or full while the service runs. Unmounting keeps the
files saved on it: they are moved into the folder underneath."""

import os
import shutil
import subprocess
import tempfile


class SpoolMount:
    def __init__(self):
        self.path = None

    def mount(self, run, options):
        self.path = os.path.join(run.folder, "Spool")
        os.makedirs(self.path, exist_ok=True)
        subprocess.run(["mount", "-t", "tmpfs", "-o", options, "oprinter-spool", self.path], check=True)

    def remount(self, options):
        subprocess.run(["mount", "-o", "remount," + options, self.path], check=True)

    def names(self):
        return sorted(os.listdir(self.path))

    def unmount(self):
        """Safe to call at any time; does nothing when nothing is mounted."""
        if not self.path or not os.path.ismount(self.path):
            return
        keep = tempfile.mkdtemp(prefix="oprinter-spool-")
        try:
            for name in os.listdir(self.path):
                shutil.copy2(os.path.join(self.path, name), keep)
            subprocess.run(["umount", self.path], check=True)
            for name in os.listdir(keep):
                shutil.move(os.path.join(keep, name), self.path)
        finally:
            shutil.rmtree(keep, ignore_errors=True)
