#!/usr/bin/python3
"""The installed package at work: two printers, each an instance with its own
folder, run as the user oprinter the way oprinter@.service's ExecStart runs
them (systemd need not be running), each against a test host of its own.
Checks what they save, where they beat, and what "oprinterctl status" says
while connected, after a host drops the session and after the stop.

    /usr/bin/python3 tests/package/deployment_test.py

Runs as root; uses the loopback addresses 127.0.0.91 and 127.0.0.92."""

import json
import os
import pwd
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(SOURCE, "testhost"))

import scenarios  # noqa: E402

PYTHON = "/usr/bin/python3"
UNIT = "/lib/systemd/system/oprinter@.service"
OPRINTERCTL = "/usr/bin/oprinterctl"
PRINTERS = {"pkgtest-a": "127.0.0.91", "pkgtest-b": "127.0.0.92"}
LINKS_PRINTER = "pkgtest-links"
SCENARIO = "print-then-drop"
SYSTEM_HEARTBEAT = "/var/lib/kxGuardian/O3812Printer/Guardian Value"
STATE_SAMPLE = 5  # seconds between the service's looks at its session


def heartbeat_folder(name):
    return "/var/lib/kxGuardian/O3812Printer@%s" % name


def printer_folder(name):
    return "/var/lib/oprinter/%s/" % name


def wait_until(seconds, check, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        result = check()
        if result:
            return result
        time.sleep(0.2)
    raise AssertionError("%s: not within %g s" % (what, seconds))


def expect(condition, message):
    if not condition:
        raise AssertionError(message)


def exec_start(name):
    """The unit's command line for instance name, split as systemd splits it."""
    with open(UNIT) as unit:
        line = next(line for line in unit if line.startswith("ExecStart="))
    return line[len("ExecStart="):].strip().replace("%i", name).split()


def new_printer(name, address):
    return subprocess.run([OPRINTERCTL, "new", name, "--host", address, "--device", scenarios.PRINTER_NAME,
                           "--user", scenarios.FTP_USER, "--password-stdin"],
                          input=(scenarios.FTP_PASSWORD + "\n").encode(), capture_output=True, check=False)


def as_service_user(*command):
    subprocess.run(["setpriv", "--reuid=oprinter", "--regid=oprinter", "--init-groups"] + list(command), check=True)


def links_refused():
    """A printer's folder is its user's to write in. Should the service be
    taken over, it could remove OPrinter.cfg and put a link where "new" makes
    Spool or tmp; run again, "new" refuses the folder and leaves the link's
    target (here a folder of root's, as /etc is) as it was."""
    target = tempfile.mkdtemp(prefix="oprinter-link-target-")
    os.chmod(target, 0o755)
    folder = printer_folder(LINKS_PRINTER)
    try:
        for part in ("Spool", "tmp"):
            shutil.rmtree(folder, ignore_errors=True)
            expect(new_printer(LINKS_PRINTER, "127.0.0.1").returncode == 0, "new %s failed" % LINKS_PRINTER)
            as_service_user("rm", "-r", folder + "OPrinter.cfg", folder + part)
            as_service_user("ln", "-s", target, folder + part)
            again = new_printer(LINKS_PRINTER, "127.0.0.1")
            expect(again.returncode == 1 and b"%s is a symbolic link; nothing changed" % (folder + part).encode()
                   in again.stderr, "new over a planted %s link: exit %d, %r" % (part, again.returncode, again.stderr))
            planted = os.stat(target)
            expect((planted.st_mode & 0o7777, planted.st_uid, planted.st_gid) == (0o755, 0, 0),
                   "the link's target became mode %o, owner %d:%d" % (planted.st_mode & 0o7777, planted.st_uid,
                                                                     planted.st_gid))
            expect(not os.path.exists(folder + "OPrinter.cfg"), "new wrote a configuration into %s" % folder)
        print("new refuses a printer folder whose Spool or tmp is a link")
    finally:
        shutil.rmtree(folder, ignore_errors=True)
        shutil.rmtree(target, ignore_errors=True)


def status(*names):
    result = subprocess.run([OPRINTERCTL, "status", "--json"] + [printer_folder(n) for n in names],
                            capture_output=True, check=False)
    found = json.loads(result.stdout)
    return result.returncode, found if isinstance(found, list) else [found]


class Printer:
    def __init__(self, name, address):
        self.name = name
        self.address = address
        self.folder = printer_folder(name)
        self.host = None
        self.service = None

    def remove(self):
        shutil.rmtree(self.folder, ignore_errors=True)
        shutil.rmtree(heartbeat_folder(self.name), ignore_errors=True)

    def create(self):
        created = new_printer(self.name, self.address)
        expect(created.returncode == 0, "new %s: %r" % (self.name, created.stderr))
        config = os.stat(self.folder + "OPrinter.cfg")
        expect(pwd.getpwuid(config.st_uid).pw_name == "oprinter", "OPrinter.cfg is not owned by oprinter")
        expect(config.st_mode & 0o777 == 0o640, "OPrinter.cfg has mode %o" % (config.st_mode & 0o777))

    def start_host(self):
        self.host = subprocess.Popen([PYTHON, os.path.join(SOURCE, "testhost", "ibmi_host.py"), self.address,
                                      SCENARIO, "--log", self.folder + "host.log"],
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        expect(self.host.stdout.readline() == b"ready\n", "the test host on %s did not start" % self.address)

    def start_service(self):
        # What StateDirectory= does for the unit.
        subprocess.run(["install", "-d", "-o", "oprinter", "-g", "oprinter", heartbeat_folder(self.name)], check=True)
        # User=, NoNewPrivileges= and an empty CapabilityBoundingSet= of the unit.
        self.service = subprocess.Popen(["setpriv", "--reuid=oprinter", "--regid=oprinter", "--init-groups",
                                         "--no-new-privs", "--inh-caps=-all", "--bounding-set=-all"]
                                        + exec_start(self.name),
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def host_asks(self):
        try:
            with open(self.folder + "host.log", encoding="ascii", errors="replace") as log:
                return "look while connected" in log.read()
        except FileNotFoundError:
            return False

    def answer_host(self):
        self.host.stdin.write(b"done\n")
        self.host.stdin.flush()

    def heartbeat(self):
        try:
            with open(os.path.join(heartbeat_folder(self.name), "Guardian Value")) as value:
                return value.read()
        except FileNotFoundError:
            return None

    def spool_files(self):
        return sorted(os.listdir(self.folder + "Spool"))

    def service_user(self):
        found = subprocess.run(["ps", "-o", "user=", "-p", str(self.service.pid)], capture_output=True,
                               check=False).stdout.split()
        return found[0].decode() if found else None

    def stop(self):
        for process in (self.service, self.host):
            if process and process.poll() is None:
                process.send_signal(signal.SIGTERM)
        for process in (self.service, self.host):
            if process:
                try:
                    process.wait(15)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()


def run(printers):
    system_heartbeat_before = os.stat(SYSTEM_HEARTBEAT).st_mtime if os.path.exists(SYSTEM_HEARTBEAT) else None
    for printer in printers:
        printer.create()
        printer.start_host()
        printer.start_service()
    for printer in printers:
        wait_until(60, printer.host_asks, "%s: report printed" % printer.name)
        expect(len(printer.spool_files()) == 1, "%s: spool files %s" % (printer.name, printer.spool_files()))
        expect(printer.heartbeat() == "1\n", "%s: heartbeat %r" % (printer.name, printer.heartbeat()))
        expect(printer.service_user() == "oprinter", "%s: runs as %s" % (printer.name, printer.service_user()))

    names = [printer.name for printer in printers]
    code, found = wait_until(2 * STATE_SAMPLE, lambda: (lambda r: r if r[0] == 0 else None)(status(*names)),
                             "status: both connected")
    for printer, entry in zip(printers, found):
        expect(entry["session"] == "connected" and entry["heartbeat"] == 1 and entry["heartbeat_age_s"] < 70,
               "while connected: %s" % entry)
        expect(entry["spool_files_today"] == 1 and entry["last_spool_file"] == printer.spool_files()[0],
               "spool facts: %s" % entry)
    print("status while connected: exit %d, %s" % (code, [e["session"] for e in found]))

    first, second = printers
    first.answer_host()
    code, found = wait_until(3 * STATE_SAMPLE,
                             lambda: (lambda r: r if r[1][0]["session"] == "disconnected" else None)(status(*names)),
                             "status after the drop")
    expect(code == 1 and found[1]["session"] == "connected", "after the drop: exit %d, %s" % (code, found))
    print("status after %s's host dropped the session: exit %d, %s" % (first.name, code, [e["session"] for e in found]))

    second.answer_host()
    for printer in printers:
        printer.stop()
        expect(printer.service.returncode == 0, "%s: stop exit %s" % (printer.name, printer.service.returncode))
        expect(printer.heartbeat() == "0\n", "%s: heartbeat after stop %r" % (printer.name, printer.heartbeat()))
        expect(printer.host.returncode == 0, "%s: the test host's checks failed, see %shost.log"
               % (printer.name, printer.folder))
    code, found = status(*names)
    expect(code == 1 and all(e["session"] == "stopped" and e["heartbeat"] == 0 for e in found),
           "after the stop: exit %d, %s" % (code, found))
    print("status after the stop: exit %d, %s" % (code, [e["session"] for e in found]))
    system_heartbeat_after = os.stat(SYSTEM_HEARTBEAT).st_mtime if os.path.exists(SYSTEM_HEARTBEAT) else None
    expect(system_heartbeat_after == system_heartbeat_before, "the system's heartbeat file was written")


def main():
    printers = [Printer(name, address) for name, address in PRINTERS.items()]
    for printer in printers:
        printer.remove()
    passed = False
    try:
        run(printers)
        links_refused()
        passed = True
    finally:
        for printer in printers:
            printer.stop()
        if passed:
            for printer in printers:
                printer.remove()
    print("deployment test passed")


if __name__ == "__main__":
    main()
