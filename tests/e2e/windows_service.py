"""The Windows service end to end under Wine, in a fresh prefix: INSTALL
SILENT, "net start", the test host prints a report that must land byte for
byte beside OPrinter.exe with its attributes fetched over FTP, the registry
heartbeat counts and is 0 after "net stop", the log ends with "Stoped.", and
UNINSTALL SILENT removes the service. The service runs under its virtual
account, which INSTALL lets write its heartbeat key. Two printer folders run
as two instances, each with its own heartbeat; the MSI installs the programs
and uninstalls them; "oprinterctl show" gives a console its characters and a
pipe the code page's bytes. (TLS: windows_tls.py, on the same prefix set-up.)

WinePrinterCase holds what every case needs (a prefix of its own, running
Wine programs, the heartbeat, the logs), for the other suites to build on.

    /usr/bin/python3 tests/e2e/windows_service.py BUILD_WINDOWS_FOLDER
Runs as root (ports 21 and 23 of a loopback address) under
flock /tmp/oprinter-e2e.lock."""

import datetime
import glob
import json
import os
import re
import pty
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(SOURCE, "testhost"))

import expected_attributes  # noqa: E402
import expected_spool  # noqa: E402
import scenarios  # noqa: E402
import service_config  # noqa: E402
from spooled_files import SAMPLES  # noqa: E402

PYTHON = "/usr/bin/python3"
ADDRESS = "127.0.0.83"
SCENARIO = "one-report"
SERVICE = "O3812Printer"
SERVICES_KEY = r"HKLM\System\CurrentControlSet\Services"
BUILD = os.path.abspath(sys.argv.pop(1)) if len(sys.argv) > 1 else "build-windows"


def wait_until(seconds, condition):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.2)
    return condition()


def windows_path(path):
    """The path of a Linux file as a Wine program names it."""
    return "Z:" + path.replace("/", "\\")


def without_escapes(text):
    """What a terminal shows of Wine's console output, without its cursor controls."""
    return re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]", b"", text)


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

    def heartbeat(self, service=SERVICE):
        key = "HKLM\\SOFTWARE\\kxGuardian\\" + service
        answer = self.wine("reg", "query", key, "/v", "Guardian Value").stdout.decode("latin-1")
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

    def service_value(self, service, name):
        """A value of the service's registration, as the service control manager keeps it."""
        answer = self.wine("reg", "query", SERVICES_KEY + "\\" + service, "/v", name).stdout.decode("latin-1")
        match = re.search(r"%s\s+REG_\w+\s+(.*?)\r?$" % re.escape(name), answer, re.M)
        return match.group(1) if match else None

    def access(self, folder, single):
        """The access lines "oprinterctl check" shows for a printer folder, by
        place. The single service's folder is the tool's own, as in the zip;
        any other is an instance's."""
        if single:
            shutil.copy2(os.path.join(BUILD, "oprinterctl.exe"), folder)
            checked = self.wine(os.path.join(folder, "oprinterctl.exe"), "check")
        else:
            checked = self.wine(os.path.join(BUILD, "oprinterctl.exe"), "check", windows_path(folder))
        lines = {}
        for line in checked.stdout.decode("latin-1").splitlines():
            match = re.match(r"(Folder|OPrinter\.cfg|Heartbeat) access: (.*)$", line)
            if match:
                lines.setdefault(match.group(1), []).append(match.group(2))
        return lines

    def assert_locked(self, folder, service, single=False):
        """The folder and its configuration are closed to all but SYSTEM, the
        Administrators and the service, and the heartbeat key is open to the
        service. Debian's Wine keeps no access lists of files (its server has
        no extended attributes) and shows one made from the Unix mode: then
        only the heartbeat key's list, which Wine keeps, can be read back."""
        access = self.access(folder, single)
        account = "NT SERVICE\\" + service
        self.assertIn("allow %s: query and set values" % account, access.get("Heartbeat", []), access)
        self.assertTrue(access.get("Folder"), access)
        if access["Folder"][0] == "protected":
            self.assertEqual(access["Folder"][1:], [
                "allow NT AUTHORITY\\SYSTEM: full control, passed on",
                "allow BUILTIN\\Administrators: full control, passed on",
                "allow %s: modify, passed on" % account])
            self.assertEqual(access["OPrinter.cfg"], [
                "protected", "allow NT AUTHORITY\\SYSTEM: full control",
                "allow BUILTIN\\Administrators: full control", "allow %s: read" % account])


class WindowsServiceTest(WinePrinterCase):
    def test_installs_prints_beats_and_uninstalls(self):
        # PDF copies are left out of the Windows build: a line says so, and the spool file is saved as always.
        self.write_config(PdfCopy="True")
        executable = os.path.join(self.printer, "OPrinter.exe")
        installed = self.wine(executable, "INSTALL", "SILENT")
        self.assertEqual(installed.returncode, 0, installed.stderr)
        self.assertEqual(installed.stdout, b"")
        self.assertEqual(self.service_value(SERVICE, "ObjectName"), "NT SERVICE\\O3812Printer")
        self.assertEqual(self.service_value(SERVICE, "ImagePath"), '"%s"' % windows_path(executable))
        self.assert_locked(self.printer, SERVICE, single=True)

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


class PrinterInstancesTest(WinePrinterCase):
    def printer_folder(self, name):
        """C:\\ProgramData\\OPrinter\\NAME with its configuration."""
        folder = os.path.join(self.env["WINEPREFIX"], "drive_c", "ProgramData", "OPrinter", name)
        os.makedirs(folder)
        with open(os.path.join(folder, "OPrinter.cfg"), "wb") as cfg:
            cfg.write(service_config.oprinter_cfg(dict(self.settings, PrinterName=name.upper()), datetime.date.today()))
        return folder

    def test_two_folders_are_two_services_each_with_its_own_heartbeat(self):
        # The programs in one place, as the MSI puts them; nothing listens for the sessions.
        executable = os.path.join(self.printer, "OPrinter.exe")
        folders = {name: self.printer_folder(name) for name in ("north", "south")}
        for name, folder in folders.items():
            given = "C:\\ProgramData\\OPrinter\\" + name
            installed = self.wine(executable, "INSTALL", "--folder", given, "SILENT")
            self.assertEqual(installed.returncode, 0, installed.stderr)
            service = SERVICE + "@" + name
            self.assertEqual(self.service_value(service, "ObjectName"), "NT SERVICE\\" + service)
            self.assertEqual(self.service_value(service, "ImagePath"),
                             '"%s" --folder "%s"' % (windows_path(executable), given))
            self.assert_locked(folder, service)
        checked = self.wine(os.path.join(BUILD, "oprinterctl.exe"), "check", "--json", windows_path(folders["north"]))
        self.assertIn("allow NT SERVICE\\O3812Printer@north: query and set values",
                      json.loads(checked.stdout)["Access"]["Heartbeat"])
        for name in folders:
            started = self.wine("net", "start", SERVICE + "@" + name)
            self.assertEqual(started.returncode, 0, started.stdout + started.stderr)
        for name in folders:
            self.assertTrue(wait_until(20, lambda: self.heartbeat(SERVICE + "@" + name) == 1), name)
        self.assertIsNone(self.heartbeat(SERVICE))
        # Each logs in its own folder, none beside the executable.
        for folder in folders.values():
            self.assertTrue(wait_until(20, lambda: glob.glob(os.path.join(folder, "OPrinter *.log"))), folder)
        self.assertEqual(self.logs(), [])

        self.assertEqual(self.wine("net", "stop", SERVICE + "@north").returncode, 0)
        self.assertTrue(wait_until(20, lambda: self.heartbeat(SERVICE + "@north") == 0))
        self.assertEqual(self.heartbeat(SERVICE + "@south"), 1)
        self.assertEqual(self.wine("net", "stop", SERVICE + "@south").returncode, 0)
        self.assertTrue(wait_until(20, lambda: self.heartbeat(SERVICE + "@south") == 0))
        for name in folders:
            removed = self.wine(executable, "UNINSTALL", "--folder", "C:\\ProgramData\\OPrinter\\" + name, "SILENT")
            self.assertEqual(removed.returncode, 0, removed.stderr)
            # A service is removed once its process has ended and its last handle closed.
            self.assertTrue(wait_until(20, lambda: self.service_value(SERVICE + "@" + name, "ImagePath") is None),
                            name)


class InstallerTest(WinePrinterCase):
    def build_msi(self):
        """The installer from this build's programs, as scripts/build-windows.sh makes it."""
        stage = os.path.join(self.folder, "stage")
        os.mkdir(stage)
        for program in ("OPrinter.exe", "oprinterctl.exe"):
            shutil.copy2(os.path.join(BUILD, program), stage)
        shutil.copy2(os.path.join(SOURCE, "samples", "OPrinter.cfg"), stage)
        shutil.copy2(os.path.join(SOURCE, "packaging", "windows", "README.txt"), stage)
        subprocess.run(["wixl", "-a", "x64", "-D", "Version=1.0.0", "-D", "SourceDir=stage", "-o", "oprinter.msi",
                        os.path.join(SOURCE, "packaging", "windows", "oprinter.wxs")], cwd=self.folder, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return windows_path(os.path.join(self.folder, "oprinter.msi"))

    def test_msi_installs_the_programs_registers_nothing_and_uninstalls_cleanly(self):
        msi = self.build_msi()
        programs = os.path.join(self.env["WINEPREFIX"], "drive_c", "Program Files", "OPrinter")
        installed = self.wine("msiexec", "/i", msi, "/qn")
        self.assertEqual(installed.returncode, 0, installed.stdout + installed.stderr)
        for name in ("OPrinter.exe", "oprinterctl.exe", "README.txt", os.path.join("Example", "OPrinter.cfg")):
            self.assertTrue(os.path.isfile(os.path.join(programs, name)), name)
        self.assertIsNone(self.service_value(SERVICE, "ImagePath"))
        version = self.wine("C:\\Program Files\\OPrinter\\oprinterctl.exe", "--version")
        self.assertTrue(version.stdout.startswith(b"oprinterctl "), version.stdout)

        removed = self.wine("msiexec", "/x", msi, "/qn")
        self.assertEqual(removed.returncode, 0, removed.stdout + removed.stderr)
        self.assertFalse(os.path.exists(programs))


class ConsoleTextTest(WinePrinterCase):
    def test_show_gives_a_console_characters_and_a_pipe_the_code_pages_bytes(self):
        # A spool file in WINDOWS-1252; the euro sign is in no console's OEM code page.
        attributes = b"Nome=PRIO,Utente=Priorit\xe0"
        text = b"Priorit\xe0 \x80 alta\r\n"
        spool = os.path.join(self.folder, "prio.spool")
        with open(spool, "wb") as out:
            out.write(struct.pack("<i", 1) + struct.pack("<i", len(attributes)) + attributes
                      + struct.pack("<i", len(text)) + text)
        show = [os.path.join(BUILD, "oprinterctl.exe"), "show", "--text", "--charset", "WINDOWS-1252",
                windows_path(spool)]

        # Wine gives a program on a terminal a console, and shows it in the terminal's UTF-8.
        leader, follower = pty.openpty()
        program = subprocess.Popen(["wine", *show], env=dict(self.env, LANG="C.UTF-8"), stdin=follower,
                                   stdout=follower, stderr=subprocess.DEVNULL)
        os.close(follower)
        shown = b""
        while True:
            try:
                chunk = os.read(leader, 4096)
            except OSError:
                break
            if not chunk:
                break
            shown += chunk
        os.close(leader)
        self.assertEqual(program.wait(timeout=60), 0)
        self.assertIn("Priorità € alta".encode("utf-8"), without_escapes(shown))

        # Redirected, the bytes of the code page (Wine's ANSI code page here: no
        # console), and the file's CR LF stays one, converted or raw.
        self.assertEqual(self.wine(*show).stdout, text)
        self.assertEqual(self.wine(*show[:2], "--raw", *show[2:]).stdout, text)


if __name__ == "__main__":
    unittest.main()
