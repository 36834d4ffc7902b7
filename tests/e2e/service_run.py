"""One run of the real printer service against the test host: a fresh folder
with the executable, its OPrinter.cfg and CvTable; the host started on its
own loopback address with a scenario; the service started, stopped with
SIGTERM once the host is done; and what both left behind."""

import datetime
import glob
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HOST_FOLDER = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))), "testhost")
sys.path.insert(0, HOST_FOLDER)

import certificates  # noqa: E402
import scenarios  # noqa: E402
import service_config  # noqa: E402
from spooled_files import SAMPLES  # noqa: E402

PYTHON = "/usr/bin/python3"
HEARTBEAT_ROOT = "/var/lib/kxGuardian"
LOG_FILE = re.compile(r"OPrinter (\d{4}-\d\d-\d\d)(?:\((\d+)\))?\.log")
LOG_LINE = re.compile(rb"\d\d/\d\d/\d{4}( \d\d:\d\d:\d\d)?: (.*)", re.DOTALL)
STOP_TIMEOUT = 15


class ServiceRun:
    """The service runs as an instance of its own, named after its folder, so
    that it never touches the system's heartbeat and runs side by side with
    others."""

    def __init__(self, scenario_name, address, oprinter, oprinterctl, host_namespace=None):
        """host_namespace: the network namespace the host runs in, when it
        does not share the printer's network."""
        self.scenario = scenarios.SCENARIOS[scenario_name]
        self.address = address
        self.host_namespace = host_namespace
        self.folder = tempfile.mkdtemp(prefix="oprinter-e2e-%s-" % scenario_name)
        self.heartbeat_folder = os.path.join(HEARTBEAT_ROOT, "O3812Printer@" + os.path.basename(self.folder))
        self.executable = os.path.join(self.folder, "oprinter")
        shutil.copy2(oprinter, self.executable)
        shutil.copy2(os.path.join(SAMPLES, "CvTable"), os.path.join(self.folder, "CvTable"))
        self.password = scenarios.FTP_PASSWORD
        self.settings = service_config.settings(address, self.scenario, oprinterctl)
        with open(os.path.join(self.folder, "OPrinter.cfg"), "wb") as cfg:
            cfg.write(service_config.oprinter_cfg(self.settings, datetime.date.today()))
        self.certificates = None
        if self.scenario.tls or self.scenario.ftp_tls:
            self.certificates = os.path.join(self.folder, "tls")
            certificates.make(self.certificates, address)
        self.host_log_path = os.path.join(self.folder, "host.log")
        self.host = None
        self.service = None
        self.host_exit = None
        self.service_exit = None
        self.first_heartbeat = None
        self.started_at = None
        self.ended_at = None

    def run(self, printer_side=None):
        """Runs the scenario to its end; the processes are gone afterwards.
        printer_side(run), when given, runs while the host does and takes
        the steps the scenario asks of the printer's machine."""
        try:
            self._start_host()
            self._start_service()
            if printer_side:
                printer_side(self)
            self.host_exit = self.host.wait(self.scenario.time_limit + 10)
            self.service_exit = self._stop_service()
        finally:
            self.ended_at = datetime.datetime.now()
            for process in (self.host, self.service):
                if process and process.poll() is None:
                    process.kill()
                    process.wait()
            if self.host:
                self.host.stdin.close()

    def _start_host(self):
        command = [PYTHON, os.path.join(HOST_FOLDER, "ibmi_host.py"), self.address, self.scenario.name,
                   "--log", self.host_log_path]
        if self.certificates:
            command += ["--certificates", self.certificates]
        if self.host_namespace:
            command = ["ip", "netns", "exec", self.host_namespace] + command
        with open(os.path.join(self.folder, "host.err"), "wb") as errors:
            self.host = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=errors)
        with self.host.stdout as announcement:
            if announcement.readline() != b"ready\n":
                raise AssertionError("the test host did not start: " + self._host_errors())

    def _start_service(self):
        if os.path.exists(self.heartbeat_file()):
            os.remove(self.heartbeat_file())
        self.started_at = self.started_at or datetime.datetime.now()
        with open(os.path.join(self.folder, "service.out"), "ab") as output:
            self.service = subprocess.Popen([self.executable, "--folder", self.folder], cwd=self.folder,
                                            stdout=output, stderr=output)
        self.first_heartbeat = self._wait_for_heartbeat()

    def restart_service(self):
        """Starts the service again after it ended by itself or was killed."""
        self.service.wait()
        self._start_service()

    def stop_and_restart_service(self):
        """Stops the running service as systemd does and starts it again;
        returns the exit status of the stop (None when it did not end)."""
        status = self._stop_service()
        if status is not None:
            self._start_service()
        return status

    def _wait_for_heartbeat(self):
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            value = self.heartbeat()
            if value is not None:
                return value
            time.sleep(0.05)
        return None

    def _stop_service(self):
        self.service.send_signal(signal.SIGTERM)
        try:
            return self.service.wait(STOP_TIMEOUT)
        except subprocess.TimeoutExpired:
            return None

    def heartbeat_file(self):
        return os.path.join(self.heartbeat_folder, "Guardian Value")

    def heartbeat(self):
        try:
            with open(self.heartbeat_file(), "rb") as value:
                return value.read()
        except FileNotFoundError:
            return None

    def host_log(self):
        with open(self.host_log_path, encoding="ascii", errors="replace") as log:
            return log.read()

    def _host_errors(self):
        with open(os.path.join(self.folder, "host.err"), encoding="latin-1") as errors:
            return errors.read()

    def ftp_commands(self):
        return [line.split(" ftp: ", 1)[1] for line in self.host_log().splitlines() if " ftp: " in line]

    def log_files(self):
        """The service's log files of the run, oldest first."""
        def order(name):
            match = LOG_FILE.fullmatch(os.path.basename(name))
            return (match.group(1), int(match.group(2) or 0)) if match else ("", 0)
        return sorted(glob.glob(os.path.join(self.folder, "OPrinter *.log")), key=order)

    def log_lines(self):
        """Every log line as bytes, without its CR LF; whatever follows the
        last CR LF of a file counts as one more line, for the format check."""
        lines = []
        for name in self.log_files():
            with open(name, "rb") as log:
                content = log.read()
            lines += content.split(b"\r\n")
            if lines[-1] == b"":
                lines.pop()
        return lines

    def log_texts(self):
        """The texts of the log lines, without their date and time."""
        texts = []
        for line in self.log_lines():
            match = LOG_LINE.fullmatch(line)
            texts.append(match.group(2) if match else line)
        return texts

    def wait_for_log_texts(self, prefix, count, timeout):
        """True once count log texts begin with prefix."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if sum(text.startswith(prefix) for text in self.log_texts()) >= count:
                return True
            time.sleep(0.05)
        return False

    def spool_files(self):
        """Spool file names in Spool, in the order they were written (by the
        time stamp that ends each name); the temporary ".partial" file of a
        save that never ended and the PDF copies are not spool files."""
        folder = os.path.join(self.folder, "Spool")
        if not os.path.isdir(folder):
            return []
        return sorted((name for name in os.listdir(folder) if not name.endswith((".partial", ".pdf"))), key=lambda name: name[-23:])

    def spool_file(self, name):
        with open(os.path.join(self.folder, "Spool", name), "rb") as spool:
            return spool.read()

    def remove(self):
        shutil.rmtree(self.folder, ignore_errors=True)
        shutil.rmtree(self.heartbeat_folder, ignore_errors=True)
