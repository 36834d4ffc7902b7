"""What every end-to-end test checks after a run of the service against the
test host, and the entry point that takes the executables' paths.

    /usr/bin/python3 test_x.py --oprinter PATH --oprinterctl PATH [unittest arguments]
"""

import argparse
import contextlib
import datetime
import json
import os
import re
import subprocess
import sys
import unittest
import zlib

# service_run puts the test host's folder on the module path.
from service_run import LOG_LINE, SAMPLES, ServiceRun
import expected_attributes  # noqa: E402
import expected_spool  # noqa: E402

EXECUTABLES = {}

# Log texts that only a fault produces.
FAULT_TEXTS = (b"Read Error: ", b"Retrieve Error: ", b"Decode Error: ", b"AddSpoolData Error: ",
               b"AvvioPgm Error: ", b"Error: SOCKET ERROR ", b"<!> ", b"0x03 not found.",
               b"Head Size Error!", b"Errore ", b"Unknow ", b"Call Error: ", b"Start Error: ", b"Error: TLS ")
# Step markers of the trace at DebugLevel 2.
STEP_MARKER = re.compile(rb"(Inizio|Fine) [A-Z].*")
SPOOL_NAME = re.compile(rb"(.*) (\d{17})\.spool", re.DOTALL)


class E2ECase(unittest.TestCase):
    def setUp(self):
        if os.geteuid() != 0:
            self.skipTest("needs root: the test host listens on ports 21 and 23")

    def address(self):
        """A loopback address of this test's own."""
        number = zlib.crc32(self.id().encode())
        return "127.77.%d.%d" % (number % 250 + 1, number // 250 % 250 + 1)

    @contextlib.contextmanager
    def scenario_run(self, name, printer_side=None, host_namespace=None, address=None):
        """Runs the scenario (the host on address, by default the test's own);
        its folder is removed when the checks pass and kept, for a look, when
        they fail."""
        run = ServiceRun(name, address or self.address(), EXECUTABLES["oprinter"], EXECUTABLES["oprinterctl"],
                         host_namespace)
        try:
            run.run(printer_side)
            self.assert_clean_run(run)
            yield run
        except BaseException:
            sys.stderr.write("\nkept for inspection: %s\n" % run.folder)
            raise
        run.remove()

    def assert_clean_run(self, run):
        self.assertEqual(run.host_exit, 0, "the test host's checks failed:\n" + run.host_log())
        self.assertEqual(run.service_exit, 0, "the service did not exit with 0 on SIGTERM")
        self.assertEqual(run.first_heartbeat, b"1\n", "first heartbeat")
        self.assertEqual(run.heartbeat(), b"0\n", "heartbeat after the stop")
        self.assert_stopped_status(run)
        for line in run.log_lines():
            self.assertIsNotNone(LOG_LINE.fullmatch(line), "log line format: %r" % line)
        self.assertEqual(sorted(os.listdir(run.folder)), sorted(self._expected_entries(run)))
        self.assertEqual(os.listdir(os.path.join(run.folder, "tmp")) if os.path.isdir(
            os.path.join(run.folder, "tmp")) else [], [], "temporary download files left behind")

    def assert_stopped_status(self, run):
        """What the admin tool makes of the folder the service left."""
        result = subprocess.run([EXECUTABLES["oprinterctl"], "status", "--json", run.folder], capture_output=True)
        self.assertEqual(result.returncode, 1, "status of a stopped printer is a failed check")
        status = json.loads(result.stdout)
        self.assertEqual((status["session"], status["heartbeat"]), ("stopped", 0))
        spooled = run.spool_files()
        self.assertEqual(status["last_spool_file"], os.fsencode(spooled[-1]).decode("latin-1") if spooled else None)

    @staticmethod
    def _expected_entries(run):
        entries = ["oprinter", "OPrinter.cfg", "CvTable", "host.log", "host.err", "service.out", "oprinter.state"]
        entries += [os.path.basename(name) for name in run.log_files()]
        entries += [folder for folder in ("Spool", "tmp", "tls") if os.path.isdir(os.path.join(run.folder, folder))]
        return entries

    def session_texts(self, run):
        """The log texts without the trace's step markers."""
        return [text for text in run.log_texts() if not STEP_MARKER.fullmatch(text)]

    def assert_no_faults(self, texts, allowed=()):
        for text in texts:
            if text.startswith(FAULT_TEXTS) and not text.startswith(tuple(allowed)):
                self.fail("unexpected log line %r" % text)

    def assert_in_order(self, texts, expected):
        """expected appear in texts in this order, others between them."""
        position = 0
        for wanted in expected:
            try:
                position = texts.index(wanted, position) + 1
            except ValueError:
                self.fail("log line %r missing after line %d of:\n%s" % (
                    wanted, position, b"\n".join(texts).decode("latin-1")))

    def expected_spool(self, run, spooled, attributes_found=True):
        if not attributes_found:
            attributes = []
        elif run.settings["SpoolInfoAPI"] == "True":
            attributes = expected_attributes.from_program(spooled.attributes, run.settings["PrinterName"])
        else:
            attributes = expected_attributes.from_listing(spooled.attributes)
        with open(os.path.join(SAMPLES, "CvTable"), "rb") as table:
            layout = expected_spool.lay_out(spooled.segments(), expected_spool.CvTable(table.read()))
        return expected_spool.spool_file_bytes(attributes, layout)

    def assert_spool_files(self, run, attributes_found=True, prints=None):
        """The spooled files the scenario prints (or prints, when given)
        landed, in order, byte for byte, each under its sanitised name with
        the time it was saved. attributes_found: for all of them, or a list
        with one entry for each."""
        names = run.spool_files()
        prints = run.scenario.prints if prints is None else prints
        self.assertEqual(len(names), len(prints), "spool files: %r" % names)
        if isinstance(attributes_found, bool):
            attributes_found = [attributes_found] * len(prints)
        for name, spooled, found in zip(names, prints, attributes_found):
            match = SPOOL_NAME.fullmatch(os.fsencode(name))
            self.assertIsNotNone(match, "spool file name %r" % name)
            nome = spooled.nome.encode("latin-1") if found else b""
            self.assertEqual(match.group(1), expected_spool.safe_file_name_part(nome))
            saved = datetime.datetime.strptime(match.group(2).decode()[:14], "%Y%m%d%H%M%S")
            self.assertTrue(run.started_at - datetime.timedelta(seconds=1) <= saved <= run.ended_at,
                            "time in the name %r" % name)
            saved_bytes = run.spool_file(name)
            expected_bytes = self.expected_spool(run, spooled, found)
            if saved_bytes != expected_bytes:
                self.fail("content of %r: %s" % (name, _first_difference(saved_bytes, expected_bytes)))


def _first_difference(saved, expected):
    offset = next((i for i, (a, b) in enumerate(zip(saved, expected)) if a != b), min(len(saved), len(expected)))
    return "%d bytes saved, %d expected; first difference at offset %d:\n saved    %r\n expected %r" % (
        len(saved), len(expected), offset, saved[max(0, offset - 40):offset + 40],
        expected[max(0, offset - 40):offset + 40])


def listing_attempt(run):
    """One FTP session that fetches the attributes by the WRKSPLF listing."""
    user = run.settings["User"]
    return ["USER " + user, "PASS " + run.password,
            "RCMD WRKSPLF SELECT(*ALL %s) OUTPUT(*PRINT)" % run.settings["PrinterName"],
            "RCMD CRTPF FILE(QTEMP/FILE1) RCDLEN(170) SIZE(1000000 10000)",
            "RCMD CPYSPLF FILE(QPRTSPLF) TOFILE(QTEMP/FILE1) JOB(%s/QPRTJOB) SPLNBR(*LAST)" % user,
            "RCMD DLTSPLF FILE(QPRTSPLF) JOB(%s/QPRTJOB) SPLNBR(*LAST)" % user,
            "PASV", "RETR QTEMP/FILE1", "QUIT"]


def program_attempt(run):
    """One FTP session that fetches the attributes through KXSPLL."""
    return ["USER " + run.settings["User"], "PASS " + run.password,
            "RCMD CALL PGM(KXLIB01/KXSPLL) PARM('%s' 'QUSRSYS' 'FILE1' 'QTEMP' ' ' ' ' ' ')"
            % run.settings["PrinterName"].replace("'", "''"),
            "PASV", "RETR QTEMP/FILE1", "QUIT"]


def writer_restart(run):
    return ["USER " + run.settings["User"], "PASS " + run.password,
            "RCMD STRPRTWTR DEV(%s)" % run.settings["PrinterName"], "QUIT"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--oprinter", required=True)
    parser.add_argument("--oprinterctl", required=True)
    args, rest = parser.parse_known_args()
    EXECUTABLES.update(oprinter=os.path.abspath(args.oprinter), oprinterctl=os.path.abspath(args.oprinterctl))
    unittest.main(module="__main__", argv=[sys.argv[0]] + rest, verbosity=2)
