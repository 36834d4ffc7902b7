#!/usr/bin/python3
"""Writes the seed corpora of the fuzz programs into tests/fuzz/corpus/<name>/
from real traffic and the sample files:

  session        what the test host sends on a printer session (negotiation,
                 startup responses, spooled files), recorded from its own code
  config         samples/OPrinter.cfg and the test host's service configuration
  crypt          scrambled passwords and schedule times of those files
  ftp_reply      the control connection bytes of the test FTP host, captured
                 while a client goes through the printer's FTP dialogues
  spool_listing  the listing and program work files it downloads
  spool_reader   the spool files the service writes for the test host's documents

Run with /usr/bin/python3 (it needs Debian's pyftpdlib). Deterministic but for
the data port numbers in the captured PASV replies.
"""

import dataclasses
import datetime
import logging
import os
import re
import shutil
import socket
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "testhost"))

import expected_attributes  # noqa: E402
import expected_spool  # noqa: E402
import ftp_host  # noqa: E402
import negotiation  # noqa: E402
import records  # noqa: E402
import scs  # noqa: E402
import service_config  # noqa: E402
from printer_session import PrinterSession  # noqa: E402
from spooled_files import ESCAPING, ESCAPING_BACKSLASH, LETTER, REPORT  # noqa: E402

DEVICE = "PRT01"
DOCUMENTS = {"report": REPORT, "letter": LETTER, "escaping": ESCAPING, "backslash": ESCAPING_BACKSLASH}


def write_corpus(name, seeds):
    folder = os.path.join(HERE, "corpus", name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    seen = set()
    for seed_name, data in sorted(seeds.items()):
        if data in seen:
            continue
        seen.add(data)
        with open(os.path.join(folder, seed_name), "wb") as seed:
            seed.write(data)
    print("%-14s %3d seeds, %7d bytes" % (name, len(seen), sum(len(d) for d in seen)))


# --- the printer session, as the test host sends it ---------------------------

class _Silent:
    def write(self, *unused):
        pass


class _Recorder:
    """Stands in for the connection to the printer: keeps what the host sends
    and takes every reply it waits for as given."""

    def __init__(self):
        self.sent = b""

    def send(self, data):
        self.sent += data

    def expect(self, *unused):
        pass

    def expect_silence(self, *unused):
        pass

    def close(self):
        pass

    def read_subnegotiation(self, *unused):
        body = b"".join(bytes([negotiation.VAR]) + name + bytes([negotiation.VALUE]) + value
                        for name, value in negotiation.expected_environment(DEVICE))
        return (bytes([negotiation.IAC, negotiation.SB, negotiation.NEW_ENVIRON, negotiation.IS])
                + body.replace(b"\xff", b"\xff\xff") + bytes([negotiation.IAC, negotiation.SE]))


def host_bytes(play):
    session = PrinterSession(None, 1, DEVICE, None, _Silent())
    session.connection = _Recorder()
    play(session)
    return session.connection.sent


def session_seeds():
    seeds = {"negotiation": host_bytes(lambda s: s.negotiate()),
             # A host seed holding SE and IAC, as a random one does now and then.
             "negotiation-seed": host_bytes(lambda s: s.negotiate(seed=b"\x12\xf0\x34\xff\xf0\x56\xff\x78"))}
    for code in ("I902", "8902", "I901", "8903"):
        seeds["startup-" + code] = host_bytes(lambda s: s.send_startup_response(code))
    for name, spooled in DOCUMENTS.items():
        seeds["document-" + name] = host_bytes(lambda s: s.print_spooled_file(spooled))

    def whole(session, documents, code="I902"):
        session.negotiate()
        session.send_startup_response(code)
        for spooled, segments in documents:
            session.print_spooled_file(spooled, segments)

    seeds["session-letter"] = host_bytes(lambda s: whole(s, [(LETTER, None)]))
    seeds["session-8902-letter"] = host_bytes(lambda s: whole(s, [(LETTER, None)], "8902"))
    seeds["session-letter-twice"] = host_bytes(lambda s: whole(s, [(LETTER, None), (LETTER, None)]))
    seeds["session-letter-cut"] = host_bytes(lambda s: whole(s, [(LETTER, 3)]))
    seeds["session-report-cut-letter"] = host_bytes(lambda s: whole(s, [(REPORT, 2), (LETTER, None)]))
    seeds["session-escaping"] = host_bytes(lambda s: whole(s, [(ESCAPING, None), (ESCAPING_BACKSLASH, None)]))
    # Many records of a few bytes each, every one acknowledged.
    seeds["session-letter-small-records"] = host_bytes(
        lambda s: whole(s, [(dataclasses.replace(LETTER, segment_size=7, record_size=5), None)]))

    def endless_record(session):
        # Print data with no end-of-record mark, past the largest record.
        session.negotiate()
        session.send_startup_response("I902")
        text = b"".join(scs.transparency(part) for part in scs.split_segments(b"\x00" + b"A" * 70000))
        header = records.telnet_frame(records.print_record(b""))[:-2]
        session.connection.send(header + text.replace(b"\xff", b"\xff\xff"))

    seeds["session-endless-record"] = host_bytes(endless_record)
    return seeds


# --- configuration and its values ---------------------------------------------

def read(path):
    with open(os.path.join(ROOT, path), "rb") as f:
        return f.read()


def config_seeds():
    sample = read("samples/OPrinter.cfg")
    values = {
        "System": "127.0.0.1", "User": "OPRTEST", "Password": attribute(sample, b"Password").decode("latin-1"),
        "PrinterName": DEVICE, "Language": "IT", "Log": "True", "LogDetail": "True", "MaxLog": "10000",
        "GGMaxLog": "30", "SaveLogPath": "", "SpoolInfoAPI": "True", "APILib": "KXLIB01", "DebugLevel": "2",
    }

    seeds = {
        "sample": sample,
        "test-host": service_config.oprinter_cfg(values, datetime.date(2026, 12, 8)),
        "latin1-values": service_config.oprinter_cfg(dict(values, User="CAFF\xc8", PrinterName="PRT\xe001"),
                                                     datetime.date(2026, 12, 8)),
        "no-optional": re.sub(rb'\s(MaxLog|GGMaxLog|SaveLogPath|SpoolInfoAPI|APILib|DebugLevel)="[^"]*"', b"", sample),
        "bad-boolean": sample.replace(b'Log="True"', b'Log="Yes"', 1),
        "bad-time": sample.replace(b'StartTime="07:00:00"', b'StartTime="25:99:-1"', 1),
        "utf16": sample.decode("utf-8").replace('encoding="UTF-8"', 'encoding="UTF-16"').encode("utf-16"),
        "truncated": sample[:len(sample) // 2],
        "not-xml": read("samples/CvTable"),
    }
    return seeds


def attribute(xml, name):
    return re.search(rb'\s' + name + rb'="([^"]*)"', xml).group(1)


def crypt_seeds():
    seeds = {}
    for name, xml in config_seeds().items():
        for key in (b"Password", b"StartTime", b"EndTime"):
            found = re.search(rb'\s' + key + rb'="([^"]*)"', xml)
            if found:
                seeds["%s-%s" % (name, key.decode())] = found.group(1)
    return seeds


# --- the FTP host's traffic ---------------------------------------------------

class FtpCapture:
    """A client that goes through one FTP dialogue of the printer and keeps
    every byte the server sent on the control connection."""

    def __init__(self, port):
        self.control = socket.create_connection(("127.0.0.1", port), timeout=10)
        self.received = b""
        self.pending = b""
        self.reply()

    def line(self):
        while b"\n" not in self.pending:
            chunk = self.control.recv(4096)
            if not chunk:
                line, self.pending = self.pending, b""
                return line
            self.received += chunk
            self.pending += chunk
        line, _, self.pending = self.pending.partition(b"\n")
        return line.rstrip(b"\r")

    def reply(self):
        line = self.line()
        while len(line) >= 4 and line[3:4] == b"-":
            line = self.line()
        return line

    def command(self, text):
        self.control.sendall(text.encode("latin-1") + b"\r\n")
        return self.reply()

    def retrieve(self, remote):
        pasv = self.command("PASV")
        numbers = re.search(rb"\((\d+),(\d+),(\d+),(\d+),(\d+),(\d+)\)", pasv)
        if not numbers:
            return None
        n = [int(x) for x in numbers.groups()]
        data = socket.create_connection(("%d.%d.%d.%d" % tuple(n[:4]), n[4] * 256 + n[5]), timeout=10)
        if not self.command("RETR " + remote).startswith(b"1"):
            data.close()
            return None
        content = b""
        while True:
            chunk = data.recv(65536)
            if not chunk:
                break
            content += chunk
        data.close()
        self.reply()
        return content

    def finish(self):
        self.command("QUIT")
        self.control.close()
        return self.received


def listing_dialogue(capture):
    job = "JOB(OPRTEST/QPRTJOB) SPLNBR(*LAST)"
    for command in ("WRKSPLF SELECT(*ALL %s) OUTPUT(*PRINT)" % DEVICE,
                    "CRTPF FILE(QTEMP/FILE1) RCDLEN(170) SIZE(1000000 10000)",
                    "CPYSPLF FILE(QPRTSPLF) TOFILE(QTEMP/FILE1) " + job, "DLTSPLF FILE(QPRTSPLF) " + job):
        capture.command("RCMD " + command)
    return capture.retrieve("QTEMP/FILE1")


def program_dialogue(capture):
    capture.command("RCMD CALL PGM(KXLIB01/KXSPLL) PARM('%s' 'QUSRSYS' 'FILE1' 'QTEMP' ' ' ' ' ' ')" % DEVICE)
    return capture.retrieve("QTEMP/FILE1")


def restart_dialogue(capture):
    for _ in range(2):
        capture.command("RCMD STRPRTWTR DEV(%s)" % DEVICE)


def capture_ftp():
    """Control streams for ftp_reply, downloads for spool_listing."""
    files = [dict(REPORT.attributes, printing=True), LETTER.attributes, ESCAPING.attributes]
    runs = [
        ("listing", {}, listing_dialogue),
        ("program", {}, program_dialogue),
        ("restart-refused", {"strprtwtr_refusals": 1}, restart_dialogue),
        ("login-refused", {"refuse_login": True}, None),
        ("nonsense-pasv", {"nonsense_pasv": True}, listing_dialogue),
        ("crtpf-fails", {"failing_commands": ["CRTPF"]}, listing_dialogue),
        ("mid-download", {"close_mid_download": True}, listing_dialogue),
    ]
    replies, downloads = {}, {}
    for name, options, dialogue in runs:
        host = ftp_host.FtpHost(scenario={"spooled_files": files, "options": options}).start()
        try:
            capture = FtpCapture(host.port)
            if capture.command("USER OPRTEST").startswith(b"3") and capture.command("PASS OPRPASS").startswith(b"2"):
                content = dialogue(capture) if dialogue else None
                if content:
                    downloads[name] = content
            replies[name] = capture.finish()
        finally:
            host.stop()
    return replies, downloads


def listing_seeds(downloads):
    seeds = dict(downloads)
    seeds["listing-none-printing"] = ftp_host._as_file(ftp_host.build_listing([LETTER.attributes], DEVICE))
    seeds["records-two"] = ftp_host._as_file([ftp_host.kxspll_record(dict(LETTER.attributes, printing=True)),
                                              ftp_host.kxspll_record(REPORT.attributes)])
    return seeds


# --- spool files --------------------------------------------------------------

def spool_reader_seeds():
    cvtable = expected_spool.CvTable(read("samples/CvTable"))
    seeds = {}
    for name, spooled in DOCUMENTS.items():
        layout = expected_spool.lay_out(spooled.segments(), cvtable)
        seeds["listing-" + name] = expected_spool.spool_file_bytes(
            expected_attributes.from_listing(spooled.attributes), layout)
    seeds["program-letter"] = expected_spool.spool_file_bytes(
        expected_attributes.from_program(LETTER.attributes, DEVICE),
        expected_spool.lay_out(LETTER.segments(), cvtable))
    seeds["no-attributes"] = expected_spool.spool_file_bytes([], expected_spool.lay_out(LETTER.segments(), cvtable))
    return seeds


def main():
    logging.disable(logging.INFO)
    write_corpus("session", session_seeds())
    write_corpus("config", config_seeds())
    write_corpus("crypt", crypt_seeds())
    replies, downloads = capture_ftp()
    write_corpus("ftp_reply", replies)
    write_corpus("spool_listing", listing_seeds(downloads))
    write_corpus("spool_reader", spool_reader_seeds())


if __name__ == "__main__":
    main()
