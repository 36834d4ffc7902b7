"""The Windows service end to end under Wine, in a fresh prefix: INSTALL
SILENT, "net start", the test host prints a report that must land byte for
byte beside OPrinter.exe with its attributes fetched over FTP, the registry
heartbeat counts and is 0 after "net stop", the log ends with "Stoped.", and
UNINSTALL SILENT removes the service. (TLS: windows_tls.py, on the same
prefix set-up.)

    /usr/bin/python3 tests/e2e/windows_service.py BUILD_WINDOWS_FOLDER
Runs as root (ports 21 and 23 of a loopback address) under
flock /tmp/oprinter-e2e.lock."""

import datetime
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(HERE)), "testhost"))

import expected_attributes  # noqa: E402
import expected_spool  # noqa: E402
import scenarios  # noqa: E402
import service_config  # noqa: E402
from spooled_files import SAMPLES  # noqa: E402

PYTHON = "/usr/bin/python3"
ADDRESS = "127.0.0.83"
SCENARIO = "one-report"
KEY = r"HKLM\SOFTWARE\kxGuardian\O3812Printer"
BUILD = os.path.abspath(sys.argv.pop(1)) if len(sys.argv) > 1 else "build-windows"


def wait_until(seconds, condition):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.2)
    return condition()


class WinePrinterCase(unittest.TestCase):
    """A fresh Wine prefix and a printer folder with OPrinter.exe, CvTable and
    the OPrinter.cfg of the scenario SCENARIO."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="oprinter-wine-e2e-")
        self.env = dict(os.environ, WINEPREFIX=os.path.join(self.folder, "prefix"), WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        self.printer = os.path.join(self.folder, "printer")
        os.mkdir(self.printer)
        shutil.copy2(os.path.join(BUILD, "OPrinter.exe"), self.printer)
        shutil.copy2(os.path.join(SAMPLES, "CvTable"), self.printer)
        self.scenario = scenarios.SCENARIOS[SCENARIO]
        ctl = os.path.join(self.folder, "oprinterctl")
        with open(ctl, "w") as wrapper:
            wrapper.write('#!/bin/sh\nexec wine "%s" "$@" 2>/dev/null\n' % os.path.join(BUILD, "oprinterctl.exe"))
        os.chmod(ctl, 0o755)
        # Wine's background programs outlive the call: no pipes they could hold open.
        subprocess.run(["wineboot", "--init"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       check=True)
        subprocess.run(["wineserver", "-w"], env=self.env, check=True)
        subprocess.Popen(["wineserver", "-p"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).wait()
        self.wine("cmd", "/c", "exit")
        self.settings = service_config.settings(ADDRESS, self.scenario, ctl)
        self.write_config()
        self.host = None

    def tearDown(self):
        if self.host is not None:
            if self.host.poll() is None:
                self.host.terminate()
                self.host.wait()
            self.host.stdout.close()
        subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(self.folder, ignore_errors=True)

    def wine(self, *arguments):
        """The output goes through files: a service that a call starts keeps
        pipes open for as long as it runs."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            done = subprocess.run(["wine", *arguments], env=self.env, stdout=out, stderr=err,
                                  stdin=subprocess.DEVNULL, timeout=120)
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(done.args, done.returncode, out.read(), err.read())

    def heartbeat(self):
        answer = self.wine("reg", "query", KEY, "/v", "Guardian Value").stdout.decode("latin-1")
        match = re.search(r"REG_DWORD\s+0x([0-9a-fA-F]+)", answer)
        return int(match.group(1), 16) if match else None

    @staticmethod
    def log_ends_with(name, text):
        with open(name, "rb") as log:
            return log.read().rstrip(b"\r\n").endswith(text)

    def write_config(self, **extra):
        with open(os.path.join(self.printer, "OPrinter.cfg"), "wb") as cfg:
            cfg.write(service_config.oprinter_cfg(dict(self.settings, **extra), datetime.date.today()))

    def logs(self):
        return sorted(glob.glob(os.path.join(self.printer, "OPrinter *.log")))

    def log_holds(self, text):
        logs = self.logs()
        if not logs:
            return False
        with open(logs[-1], "rb") as log:
            return text in log.read()

    def spool_files(self):
        return sorted(glob.glob(os.path.join(self.printer, "Spool", "*.spool")))


class WindowsServiceTest(WinePrinterCase):
    def test_installs_prints_beats_and_uninstalls(self):
        # PDF copies are left out of the Windows build: a line says so, and the spool file is saved as always.
        self.write_config(PdfCopy="True")
        executable = os.path.join(self.printer, "OPrinter.exe")
        installed = self.wine(executable, "INSTALL", "SILENT")
        self.assertEqual(installed.returncode, 0, installed.stderr)
        self.assertEqual(installed.stdout, b"")

        host_log = os.path.join(self.folder, "host.log")
        self.host = subprocess.Popen([PYTHON, os.path.join(HERE, "..", "..", "testhost", "ibmi_host.py"), ADDRESS,
                                      SCENARIO, "--log", host_log], stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT)
        self.assertEqual(self.host.stdout.readline().strip(), b"ready")
        started = self.wine("net", "start", "O3812Printer")
        self.assertEqual(started.returncode, 0, started.stdout + started.stderr)

        self.assertTrue(wait_until(60, lambda: len(self.spool_files()) == 1), "no spool file")
        with open(host_log, "rb") as log:
            self.assertEqual(self.host.wait(timeout=30), 0, log.read()[-2000:])
        spooled = self.scenario.prints[0]
        with open(os.path.join(SAMPLES, "CvTable"), "rb") as table:
            layout = expected_spool.lay_out(spooled.segments(), expected_spool.CvTable(table.read()))
        expected = expected_spool.spool_file_bytes(expected_attributes.from_listing(spooled.attributes), layout)
        with open(self.spool_files()[0], "rb") as spool:
            self.assertEqual(spool.read(), expected)
        self.assertTrue(wait_until(10, lambda: self.log_holds(b": PDF copies are not available in the Windows build")),
                        self.logs())

        # One beat a minute: the first at the start, the next a cycle later.
        self.assertEqual(self.heartbeat(), 1)
        self.assertTrue(wait_until(75, lambda: self.heartbeat() == 2), "the heartbeat did not count")

        stopped = self.wine("net", "stop", "O3812Printer")
        self.assertEqual(stopped.returncode, 0, stopped.stdout + stopped.stderr)
        # "net stop" may return while the service is still stopping.
        self.assertTrue(wait_until(20, lambda: self.heartbeat() == 0), "heartbeat %r after the stop" % self.heartbeat())
        logs = self.logs()
        self.assertTrue(wait_until(20, lambda: self.log_ends_with(logs[-1], b": Stoped.")), logs)

        removed = self.wine(executable, "UNINSTALL", "SILENT")
        self.assertEqual(removed.returncode, 0, removed.stderr)
        self.assertNotEqual(self.wine("net", "start", "O3812Printer").returncode, 0)


if __name__ == "__main__":
    unittest.main()
