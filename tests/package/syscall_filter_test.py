#!/usr/bin/python3
"""The units hold the service to the system calls it makes. A printer of the
installed package runs a session with PDF copies under "strace -f", as the
user oprinter; every system call that the service and its PDF maker make
must be allowed by the SystemCallFilter= lines of the template unit
oprinter@.service and of the unit that "oprinter INSTALL" writes, each
expanded with "systemd-analyze syscall-filter".

    /usr/bin/python3 tests/package/syscall_filter_test.py

Runs as root; uses the loopback address 127.0.0.93."""

import datetime
import glob
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(SOURCE, "testhost"))

import scenarios  # noqa: E402
import service_config  # noqa: E402

PYTHON = "/usr/bin/python3"
OPRINTER = "/usr/sbin/oprinter"
OPRINTERCTL = "/usr/bin/oprinterctl"
TEMPLATE_UNIT = "/lib/systemd/system/oprinter@.service"
ADDRESS = "127.0.0.93"
SCENARIO = "one-report"
# Allowed whatever the filter says (systemd.exec(5), SystemCallFilter=).
IMPLICITLY_ALLOWED = {"execve", "exit", "exit_group", "getrlimit", "rt_sigreturn", "sigreturn"}
PDF_TIMEOUT = 60
STOP_TIMEOUT = 15


def expect(condition, message):
    if not condition:
        raise AssertionError(message)


def wait_until(seconds, check, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if check():
            return
        time.sleep(0.2)
    raise AssertionError("%s: not within %g s" % (what, seconds))


def expanded(name, groups={}):
    """The system calls of a name: a group's members, nested groups expanded."""
    if not name.startswith("@"):
        return {name}
    if name not in groups:
        listing = subprocess.run(["systemd-analyze", "syscall-filter", "--no-pager", name], check=True,
                                 capture_output=True, text=True).stdout.splitlines()
        members = [line.strip() for line in listing[1:] if line.strip() and not line.strip().startswith("#")]
        groups[name] = set().union(*(expanded(member) for member in members))
    return groups[name]


def allowed_calls(unit_text):
    """The allow list that the unit's SystemCallFilter= lines make, merged as
    systemd merges them: the first line is an allow list here; each later line
    adds its calls, or with "~" removes them."""
    lines = [line.split("=", 1)[1].strip() for line in unit_text.splitlines()
             if line.startswith("SystemCallFilter=")]
    expect(lines and not lines[0].startswith("~"), "the unit has no allow list: %r" % lines)
    allowed = set(IMPLICITLY_ALLOWED)
    for value in lines:
        removes = value.startswith("~")
        names = set().union(*(expanded(name) for name in value.lstrip("~").split()))
        allowed = allowed - names if removes else allowed | names
    return allowed


def installed_unit_text():
    """The unit "oprinter INSTALL" writes, into a folder of a mount namespace
    of its own, with a systemctl that does nothing."""
    fake = tempfile.mkdtemp(prefix="oprinter-systemctl-")
    try:
        with open(os.path.join(fake, "systemctl"), "w") as systemctl:
            systemctl.write("#!/bin/sh\nexit 0\n")
        os.chmod(os.path.join(fake, "systemctl"), 0o755)
        script = ('mount -t tmpfs tmpfs /etc/systemd/system && PATH="%s:$PATH" %s INSTALL SILENT >/dev/null '
                  '&& cat /etc/systemd/system/*.service' % (fake, OPRINTER))
        return subprocess.run(["unshare", "--mount", "--propagation", "private", "sh", "-c", script],
                              check=True, capture_output=True, text=True).stdout
    finally:
        shutil.rmtree(fake)


def heartbeat_folder(folder):
    return "/var/lib/kxGuardian/O3812Printer@" + os.path.basename(folder)


def printer_folder():
    """A folder the user oprinter runs a printer from: PDF copies on."""
    folder = tempfile.mkdtemp(prefix="oprinter-syscalls-")
    scenario = scenarios.SCENARIOS[SCENARIO]
    settings = service_config.settings(ADDRESS, scenario, OPRINTERCTL)
    settings["PdfCopy"] = "True"
    with open(os.path.join(folder, "OPrinter.cfg"), "wb") as cfg:
        cfg.write(service_config.oprinter_cfg(settings, datetime.date.today()))
    shutil.chown(folder, "oprinter", "oprinter")
    os.chmod(folder, 0o750)
    # What StateDirectory= does for the unit.
    subprocess.run(["install", "-d", "-o", "oprinter", "-g", "oprinter", heartbeat_folder(folder)], check=True)
    return folder


def traced_child(tracer):
    with open("/proc/%d/task/%d/children" % (tracer.pid, tracer.pid)) as children:
        found = children.read().split()
    return int(found[0]) if found else None


def calls_of_a_session(folder):
    """Every system call of one session: the report printed, its PDF made."""
    summary = os.path.join(folder, "strace.txt")
    host = subprocess.Popen([PYTHON, os.path.join(SOURCE, "testhost", "ibmi_host.py"), ADDRESS, SCENARIO,
                             "--log", os.path.join(folder, "host.log")],
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    expect(host.stdout.readline() == b"ready\n", "the test host did not start")
    # As the unit runs it: User=, NoNewPrivileges=, an empty CapabilityBoundingSet=.
    tracer = subprocess.Popen(["setpriv", "--reuid=oprinter", "--regid=oprinter", "--init-groups", "--no-new-privs",
                               "--inh-caps=-all", "--bounding-set=-all", "strace", "-f", "-qq", "-c", "-o", summary,
                               OPRINTER, "--folder", folder], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        wait_until(PDF_TIMEOUT, lambda: glob.glob(os.path.join(folder, "Spool", "*.pdf")), "the report's PDF")
        expect(host.wait(PDF_TIMEOUT) == 0, "the test host's checks failed, see %s/host.log" % folder)
        service = traced_child(tracer)
        expect(service is not None, "the service is gone")
        os.kill(service, signal.SIGTERM)
        expect(tracer.wait(STOP_TIMEOUT) == 0, "the service did not stop with 0")
    finally:
        for process in (tracer, host):
            if process.poll() is None:
                process.kill()
                process.wait()
    with open(summary) as table:
        return {line.split()[-1] for line in table
                if line.split() and line.split()[0].replace(".", "", 1).isdigit() and line.split()[-1] != "total"}


def main():
    folder = printer_folder()
    passed = False
    try:
        calls = calls_of_a_session(folder)
        expect({"setpriority", "connect", "execve"} <= calls, "the trace lacks calls it must hold: %s" % sorted(calls))
        units = {TEMPLATE_UNIT: open(TEMPLATE_UNIT).read(), "the unit INSTALL writes": installed_unit_text()}
        for unit, text in units.items():
            outside = sorted(calls - allowed_calls(text))
            expect(not outside, "%s refuses system calls that the service makes: %s" % (unit, " ".join(outside)))
        print("%d system calls of a session with a PDF copy, all allowed by both units" % len(calls))
        passed = True
    finally:
        if passed:
            shutil.rmtree(folder, ignore_errors=True)
        else:
            sys.stderr.write("kept for inspection: %s\n" % folder)
        shutil.rmtree(heartbeat_folder(folder), ignore_errors=True)
    print("system call filter test passed")


if __name__ == "__main__":
    main()
