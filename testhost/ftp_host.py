#!/usr/bin/python3
"""The FTP side of a fake IBM i host, for tests of oprinter.

It is a pyftpdlib server (Debian's python3-pyftpdlib; run it with
/usr/bin/python3) with one test user and the host's RCMD subcommand. It knows
the host commands the printer service sends:

  RCMD WRKSPLF ... / CRTPF ... / CPYSPLF ... / DLTSPLF ...
      CPYSPLF places the printed WRKSPLF listing (170-column records) in the
      work file QTEMP/FILE1 for the RETR that follows. The listing has a title
      line whose columns 11-16 carry the release ("V7R4M0"), heading lines, one
      line per spooled file, a count line whose columns 2-11 read "Num." and an
      end line. The spooled file being printed shows status "WTR".
  RCMD CALL PGM(KXLIB01/KXSPLL) PARM(...)
      places one record per spooled file in QTEMP/FILE1, in the record layout
      of the host program; the one being printed shows status "WRT".
  RCMD STRPRTWTR DEV(...)
      answered 250, or refused with a two-line 550 reply (see the switches).

QTEMP belongs to one FTP session, as on the host: a new connection starts
without a work file, and RETR of it without a CPYSPLF or CALL before is a 550.
Every command line received is recorded, in order, before it is answered.

As a module:

    from ftp_host import FtpHost, spooled_file
    host = FtpHost(user="OPRTEST", password="secret",
                   scenario={"spooled_files": [spooled_file(name="INVOICE",
                                                            printing=True)]})
    # also: address="127.0.0.1", port=0 (a free one), scenario_file=PATH
    # (a JSON scenario, see below), command_log=PATH (one line per command)
    # also tls_files=(CERT.pem, KEY.pem): explicit TLS (AUTH TLS) required on
    # the control and the data connections, as a host that allows only FTPS
    host.start()                  # serves in a thread, on host.port
    ...
    host.commands                 # the command lines received so far
    host.set_printing(spooled_file(name="NEXTDOC", printing=True))
    host.set_options(strprtwtr_refusals=3)   # also restarts that count
    host.stop()                   # also: with FtpHost(...) as host:

A scenario is a dict:
    "spooled_files": list of dicts made by spooled_file(); the one with
                     "printing": True is what the writer prints now (none:
                     nothing matches, every attempt of the client fails).
    "options":       switches, all off by default:
        refuse_login        answer PASS with 530
        refusal_text        the text of that 530, in place of "Login refused."
        close_mid_download  send half of the work file, close the data
                            connection and answer 426
        silent              accept connections and never answer anything
        silent_connections  the next this many connections are silent, the
                            ones after them answered (a host that hangs once);
                            like strprtwtr_refusals, counted from the last
                            change of the switches
        nonsense_pasv       answer PASV with a 227 that holds no address
        strprtwtr_refusals  refuse this many STRPRTWTR commands, then accept
                            (-1 refuses all of them)
        failing_commands    host command words (e.g. ["CRTPF"]) answered 550
        endless_greetings   the next this many connections (-1: all) are
                            greeted with "220-" and a line that never ends,
                            sent as fast as it is read; counted like
                            silent_connections
        huge_work_files     the next this many RETRs of the work file (-1:
                            all) send huge_work_file_bytes bytes of listing
                            lines instead, made as they are sent
        huge_work_file_bytes  (default 1 GiB)
        tls_data_faults     with TLS: how the next transfers end, one entry
                            each, in order: "cut" sends half of the work
                            file and closes the data connection without
                            close_notify, "broken-record" sends half and then
                            a record that cannot decrypt; both answer 226, as
                            a server does whose bytes were cut on the way

Standalone (the scenario file is read again at every new connection when it
has changed, so a test can change it between documents; a changed file
replaces the spooled files, its switches apply on top of the command line's,
and the count of refused STRPRTWTR starts again):

    /usr/bin/python3 ftp_host.py ADDRESS PORT USER PASSWORD
        [--scenario FILE.json] [--log COMMANDS.txt] [--ready-file FILE]
        [--refuse-login] [--close-mid-download] [--silent] [--nonsense-pasv]
        [--strprtwtr-refusals N]

PORT 0 takes a free port; the port in use is written to the ready file (and
printed) once the server listens. The command log gets one line per command.
"""

import argparse
import copy
import json
import logging
import os
import re
import shutil
import signal
import sys
import tempfile
import threading

from OpenSSL._util import lib as ssl_lib
from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, TLS_DTPHandler, TLS_FTPHandler, proto_cmds
from pyftpdlib.servers import FTPServer

WORK_FILE = "/QTEMP/FILE1"
LISTING_WIDTH = 170
RECORD_WIDTH = 104
RELEASE = "V7R4M0"
ENCODING = "latin-1"

DEFAULT_OPTIONS = {
    "refuse_login": False,
    "refusal_text": "",
    "close_mid_download": False,
    "silent": False,
    "silent_connections": 0,
    "nonsense_pasv": False,
    "strprtwtr_refusals": 0,
    "failing_commands": [],
    "endless_greetings": 0,
    "huge_work_files": 0,
    "huge_work_file_bytes": 1024 ** 3,
    "tls_data_faults": [],
}
# What a huge work file is made of, a block at a time.
HUGE_BLOCK_LINES = 400

# An application data record whose authentication cannot hold.
BROKEN_RECORD = b"\x17\x03\x03\x00\x20" + b"\x5a" * 32


def spooled_file(**attributes):
    """A spooled file's attributes, with plausible values for those not given.

    Dates are YYMMDD and times HHMMSS, as the host keeps them.
    """
    attrs = {
        "name": "QSYSPRT", "user": "ROSSI", "device": "PRT01",
        "user_data": "", "status": "RDY", "total_pages": "1",
        "current_page": "0", "copies": "1", "form_type": "*STD",
        "type": "", "priority": "5", "date": "170501", "time": "093015",
        "file_number": "1", "job": "QPADEV0001", "job_number": "123456",
        "queue": "PRT01", "library": "QUSRSYS", "asp": "1",
        "last_used": "", "size": "16", "printing": False,
    }
    attrs.update(attributes)
    return attrs


def _place(line, first, last, value, right=False):
    """Puts value into 1-based inclusive columns first..last of line."""
    width = last - first + 1
    text = str(value)[:width]
    text = text.rjust(width) if right else text.ljust(width)
    line[first - 1:last] = list(text)


def _blank(width):
    return [" "] * width


def _listing_date(yymmdd):
    return "%s/%s/%s" % (yymmdd[4:6], yymmdd[2:4], yymmdd[0:2]) if yymmdd else ""


def _listing_time(hhmmss):
    return "%s:%s:%s" % (hhmmss[0:2], hhmmss[2:4], hhmmss[4:6]) if hhmmss else ""


def listing_line(attrs):
    """One spooled file as a line of the printed WRKSPLF listing."""
    line = _blank(LISTING_WIDTH)
    status = "WTR" if attrs["printing"] else attrs["status"]
    _place(line, 2, 11, attrs["name"])
    _place(line, 13, 22, attrs["user"])
    _place(line, 24, 33, attrs["device"])
    _place(line, 35, 44, attrs["user_data"])
    _place(line, 46, 48, status)
    _place(line, 50, 55, attrs["total_pages"], right=True)
    _place(line, 57, 62, attrs["current_page"], right=True)
    _place(line, 64, 66, attrs["copies"], right=True)
    _place(line, 68, 71, attrs["form_type"])
    _place(line, 73, 76, attrs["type"])
    _place(line, 78, 81, attrs["priority"], right=True)
    _place(line, 83, 90, _listing_date(attrs["date"]))
    _place(line, 92, 101, _listing_time(attrs["time"]))
    _place(line, 103, 106, attrs["file_number"], right=True)
    _place(line, 108, 117, attrs["job"])
    _place(line, 119, 124, attrs["job_number"])
    _place(line, 126, 135, attrs["queue"])
    _place(line, 137, 146, attrs["library"])
    _place(line, 148, 151, attrs["asp"], right=True)
    _place(line, 153, 160, _listing_date(attrs["last_used"]))
    _place(line, 162, 170, attrs["size"], right=True)
    return "".join(line)


def _text_line(*pieces):
    """A listing line from (column, text) pieces."""
    line = _blank(LISTING_WIDTH)
    for column, text in pieces:
        _place(line, column, min(LISTING_WIDTH, column + len(text) - 1), text)
    return "".join(line)


def build_listing(files, device):
    """The printed WRKSPLF listing, as CPYSPLF copies it into FILE1."""
    lines = [
        _text_line((2, "5770SS1"), (11, RELEASE), (19, "170501"),
                   (50, "Work with All Spooled Files"), (120, "S21ABCDE"),
                   (130, "01/05/17 09:31:00"), (160, "Page    1")),
        _text_line((5, "Device or queue  . . . . . :"), (36, device)),
        _text_line((5, "User . . . . . . . . . . . :"), (36, "*ALL")),
        _text_line((2, "File"), (13, "User"), (24, "Device or"),
                   (35, "User Data"), (46, "Sts"), (50, "Total"), (57, "Cur"),
                   (64, "Cpy"), (68, "Form"), (78, "Pty"), (83, "Date"),
                   (92, "Time"), (103, "File"), (108, "Job"), (119, "Number"),
                   (126, "Queue"), (137, "Library"), (148, "ASP"),
                   (153, "Used"), (162, "Size")),
        _text_line((24, "Queue"), (50, "Pages"), (57, "Page"), (68, "Type"),
                   (103, "Nbr")),
    ]
    lines += [listing_line(attrs) for attrs in files]
    lines.append(_text_line((2, "Num."), (13, "of spooled files listed:"),
                            (40, str(len(files)))))
    lines.append(_text_line((40, "* * * * *  E N D  O F  L I S T I N G  * * * * *")))
    return lines


def kxspll_record(attrs):
    """One spooled file in the record layout of the host program KXSPLL."""
    line = _blank(RECORD_WIDTH)
    _place(line, 1, 6, attrs["date"])
    _place(line, 8, 13, attrs["time"])
    _place(line, 15, 24, attrs["name"])
    _place(line, 26, 35, attrs["job"])
    _place(line, 37, 46, attrs["user"])
    _place(line, 48, 57, attrs["user_data"])
    _place(line, 59, 68, attrs["form_type"])
    _place(line, 70, 75, attrs["job_number"])
    _place(line, 77, 86, attrs["file_number"], right=True)
    _place(line, 88, 88, attrs["priority"])
    _place(line, 90, 99, attrs["total_pages"], right=True)
    _place(line, 101, 104, "WRT" if attrs["printing"] else attrs["status"])
    return "".join(line)


def _as_file(lines):
    return "".join(line + "\r\n" for line in lines).encode(ENCODING)


class _EndlessLine:
    """A producer that never runs dry: the rest of a line that never ends."""

    piece = b"x" * 65536

    def more(self):
        return self.piece


class _HugeWorkFile:
    """size bytes of listing lines of a spooled file that is not printing,
    made as they are sent."""

    def __init__(self, size):
        line = listing_line(spooled_file(name="FILLER"))
        self.block = _as_file([line] * HUGE_BLOCK_LINES)
        self.left = size

    def more(self):
        piece = self.block[:self.left]
        self.left -= len(piece)
        return piece


class _HostState:
    """What the host knows; shared by all connections, guarded by a lock."""

    def __init__(self, scenario, scenario_file, command_log):
        self.lock = threading.Lock()
        self.scenario_file = scenario_file
        self.command_log = command_log
        self.commands = []
        self.files = []
        self.base_options = dict(DEFAULT_OPTIONS)
        self.options = dict(DEFAULT_OPTIONS)
        self.loaded_text = None
        self.strprtwtr_refused = 0
        self.counted = {}
        self.data_faults_given = 0
        self.apply(scenario or {})

    def apply(self, scenario):
        """Takes the spooled files and switches that scenario names."""
        with self.lock:
            if "spooled_files" in scenario:
                self.files = copy.deepcopy(scenario["spooled_files"])
            self.base_options.update(scenario.get("options", {}))
            self.options = dict(self.base_options)
            self.strprtwtr_refused = 0
            self.counted = {}
            self.data_faults_given = 0

    def reload(self):
        """Takes the scenario file again when it has changed; its switches
        apply on top of those given when the host was made."""
        if not self.scenario_file:
            return
        with open(self.scenario_file, encoding="utf-8") as source:
            text = source.read()
        with self.lock:
            if text == self.loaded_text:
                return
            self.loaded_text = text
            scenario = json.loads(text)
            self.files = copy.deepcopy(scenario.get("spooled_files", []))
            self.options = dict(self.base_options, **scenario.get("options", {}))
            self.strprtwtr_refused = 0
            self.counted = {}
            self.data_faults_given = 0

    def option(self, name):
        with self.lock:
            return self.options[name]

    def record(self, line):
        with self.lock:
            self.commands.append(line)
            if self.command_log:
                with open(self.command_log, "a", encoding=ENCODING) as log:
                    log.write(line + "\n")

    def spooled_files(self):
        with self.lock:
            return copy.deepcopy(self.files)

    def take_counted(self, name):
        """True while the switch name (a count, -1: no end) still applies."""
        with self.lock:
            limit = self.options[name]
            given = self.counted.get(name, 0)
            if 0 <= limit <= given:
                return False
            self.counted[name] = given + 1
            return True

    def take_tls_data_fault(self):
        """How the next transfer over TLS is to end: a tls_data_faults entry, or None."""
        with self.lock:
            faults = self.options["tls_data_faults"]
            if self.data_faults_given >= len(faults):
                return None
            self.data_faults_given += 1
            return faults[self.data_faults_given - 1]

    def refuse_strprtwtr(self):
        with self.lock:
            limit = self.options["strprtwtr_refusals"]
            if limit < 0 or self.strprtwtr_refused < limit:
                self.strprtwtr_refused += 1
                return True
            return False


class _Authorizer(DummyAuthorizer):
    def validate_authentication(self, username, password, handler):
        if handler.host.option("refuse_login"):
            raise AuthenticationFailed(handler.host.option("refusal_text") or "Login refused.")
        DummyAuthorizer.validate_authentication(self, username, password, handler)


class _DataHandler(DTPHandler):
    def close(self):
        # A transfer cut short is reported as such, not as complete.
        if (not self._closed and self._resp and self._resp[0].startswith("226")
                and self.cmd_channel.cut_transfer):
            self._resp = ("426 Connection closed; transfer aborted.", self._resp[1])
        super().close()


class _TlsDataHandler(_DataHandler, TLS_DTPHandler):
    """A protected data connection must resume the control connection's TLS
    session, as strict servers demand; one that does not is refused."""

    def handle_ssl_established(self):
        if not ssl_lib.SSL_session_reused(self.socket._ssl):
            self.cmd_channel.host.record("(data connection without the control connection's TLS session)")
            self.handle_failed_ssl_handshake()

    def close(self):
        fault, self.cmd_channel.tls_data_fault = self.cmd_channel.tls_data_fault, None
        if fault and not self._closed:
            if fault == "broken-record":
                os.write(self.socket.fileno(), BROKEN_RECORD)
            # Taken for a failed connection: closed without close_notify.
            self._error = True
        super().close()


class _UnresumedTlsDataHandler(_DataHandler, TLS_DTPHandler):
    """A protected data connection with a TLS session of its own, for a
    client that cannot resume one (Schannel under Wine)."""


_RCMD = dict(perm=None, auth=True, arg=True, help="Syntax: RCMD <SP> host-command.")
_host_cmds = dict(proto_cmds, RCMD=_RCMD)
_tls_host_cmds = dict(TLS_FTPHandler.proto_cmds, RCMD=_RCMD)


class _HostHandler(FTPHandler):
    proto_cmds = _host_cmds
    dtp_handler = _DataHandler
    auth_failed_timeout = 0
    banner = "Connection will close if idle more than 5 minutes."
    host = None  # the _HostState, set per server

    def handle(self):
        self.host.reload()
        self.qtemp = {}
        self.cut_transfer = False
        self.tls_data_fault = None
        self.printed_listing = None
        self.silent = self.host.option("silent") or self.host.take_counted("silent_connections")
        if not self.silent and self.host.take_counted("endless_greetings"):
            self.silent = True
            self.push("220-")
            self.push_with_producer(_EndlessLine())
        if not self.silent:
            FTPHandler.handle(self)

    # Host text is 8-bit, not UTF-8.
    def decode(self, data):
        return data.decode(ENCODING)

    def push(self, text):
        # Skips FTPHandler.push, which would encode as UTF-8.
        super(FTPHandler, self).push(text.encode(ENCODING))

    def found_terminator(self):
        if self.silent:
            self._in_buffer = []
            self._in_buffer_len = 0
            return
        FTPHandler.found_terminator(self)

    def pre_process_command(self, line, cmd, arg):
        self.host.record(line)
        FTPHandler.pre_process_command(self, line, cmd, arg)

    def ftp_PASV(self, line):
        if self.host.option("nonsense_pasv"):
            self.respond("227 Entering Passive Mode (see you later).")
            return
        FTPHandler.ftp_PASV(self, line)

    def ftp_RETR(self, file):
        data = self.qtemp.get(self.fs.fs2ftp(file).upper())
        if data is None:
            self.respond("550 File %s not found." % self.fs.fs2ftp(file).lstrip("/"))
            return
        if self.host.take_counted("huge_work_files"):
            self.push_dtp_data(_HugeWorkFile(self.host.option("huge_work_file_bytes")), isproducer=True, cmd="RETR")
            return
        self.cut_transfer = self.host.option("close_mid_download")
        if self.dtp_handler is _TlsDataHandler:
            self.tls_data_fault = self.host.take_tls_data_fault()
        if self.cut_transfer or self.tls_data_fault:
            data = data[:len(data) // 2]
        self.push_dtp_data(data, cmd="RETR")

    def ftp_RCMD(self, line):
        word = line.split(" ", 1)[0].upper()
        if word in self.host.option("failing_commands"):
            self._refuse(line, "CPF9897", "Command %s ended in error." % word)
            return
        handler = getattr(self, "_host_" + word, None)
        if handler is None:
            self._refuse(line, "CPD0030", "Command %s not found." % word)
            return
        handler(line)

    def _accept(self, line):
        self.respond("250 Command %s successful." % line)

    def _refuse(self, line, message_id, text):
        self.push("550-Error occurred on command %s.\r\n" % line)
        self.respond("550 %s: %s" % (message_id, text))

    def _host_WRKSPLF(self, line):
        match = re.search(r"SELECT\(\*ALL\s+([^)]*)\)", line)
        device = match.group(1).strip() if match else ""
        self.printed_listing = build_listing(self.host.spooled_files(), device)
        self._accept(line)

    def _host_CRTPF(self, line):
        self.qtemp[WORK_FILE] = b""
        self._accept(line)

    def _host_CPYSPLF(self, line):
        if self.printed_listing is None:
            self._refuse(line, "CPF3303", "File QPRTSPLF not found in job QPRTJOB.")
        elif WORK_FILE not in self.qtemp:
            self._refuse(line, "CPF2105", "Object FILE1 in QTEMP type *FILE not found.")
        else:
            self.qtemp[WORK_FILE] = _as_file(self.printed_listing)
            self._accept(line)

    def _host_DLTSPLF(self, line):
        self.printed_listing = None
        self._accept(line)

    def _host_CALL(self, line):
        if "KXLIB01/KXSPLL" not in line.upper():
            self._refuse(line, "CPD0170", "Program not found.")
            return
        records = [kxspll_record(attrs) for attrs in self.host.spooled_files()]
        self.qtemp[WORK_FILE] = _as_file(records)
        self._accept(line)

    def _host_STRPRTWTR(self, line):
        if self.host.refuse_strprtwtr():
            self._refuse(line, "CPF3310", "Writer already started for the device.")
        else:
            self._accept(line)


def _tls_handler_bases(tls_files, resumption_required):
    """The handler's bases and settings: plain, or TLS required on both connections."""
    if not tls_files:
        return (_HostHandler,), {}
    certificate, key = tls_files
    data_handler = _TlsDataHandler if resumption_required else _UnresumedTlsDataHandler
    return (_HostHandler, TLS_FTPHandler), {
        "proto_cmds": _tls_host_cmds, "dtp_handler": data_handler, "certfile": certificate,
        "keyfile": key, "ssl_context": None, "tls_control_required": True, "tls_data_required": True}


class FtpHost:
    """A fake host's FTP server, serving in a thread of its own."""

    def __init__(self, user="OPRTEST", password="OPRPASS", address="127.0.0.1",
                 port=0, scenario=None, scenario_file=None, command_log=None, tls_files=None,
                 resumption_required=True):
        self._home = tempfile.mkdtemp(prefix="ftp-host-")
        self._state = _HostState(scenario, scenario_file, command_log)
        authorizer = _Authorizer()
        authorizer.add_user(user, password, self._home, perm="elr")
        bases, tls_settings = _tls_handler_bases(tls_files, resumption_required)
        handler = type("Handler", bases, dict(tls_settings, host=self._state, authorizer=authorizer))
        self._server = FTPServer((address, port), handler)
        self.port = self._server.address[1]
        self._stop = threading.Event()
        self._thread = None

    def start(self):
        self._thread = threading.Thread(target=self._serve, daemon=True)
        self._thread.start()
        return self

    def _serve(self):
        while not self._stop.is_set():
            self._server.ioloop.loop(timeout=0.05, blocking=False)
        self._server.close_all()

    def stop(self):
        self._stop.set()
        if self._thread:
            self._thread.join()
        shutil.rmtree(self._home, ignore_errors=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, *unused):
        self.stop()

    @property
    def commands(self):
        """The command lines received so far, in order."""
        with self._state.lock:
            return list(self._state.commands)

    def set_spooled_files(self, files):
        self._state.apply({"spooled_files": files})

    def set_printing(self, attrs):
        """Makes attrs the spooled file being printed, the only one listed."""
        self.set_spooled_files([dict(attrs, printing=True)])

    def set_options(self, **switches):
        unknown = set(switches) - set(DEFAULT_OPTIONS)
        if unknown:
            raise ValueError("unknown switches: %s" % ", ".join(sorted(unknown)))
        self._state.apply({"options": switches})


def main():
    parser = argparse.ArgumentParser(description="FTP side of a fake IBM i host")
    parser.add_argument("address")
    parser.add_argument("port", type=int)
    parser.add_argument("user")
    parser.add_argument("password")
    parser.add_argument("--scenario", help="JSON scenario file, read at every connection")
    parser.add_argument("--log", help="file that gets one line per command received")
    parser.add_argument("--ready-file", help="file that gets the port once listening")
    parser.add_argument("--refuse-login", action="store_true")
    parser.add_argument("--close-mid-download", action="store_true")
    parser.add_argument("--silent", action="store_true")
    parser.add_argument("--nonsense-pasv", action="store_true")
    parser.add_argument("--strprtwtr-refusals", type=int, default=0)
    args = parser.parse_args()

    logging.basicConfig(level=logging.WARNING)
    host = FtpHost(args.user, args.password, args.address, args.port,
                   scenario_file=args.scenario, command_log=args.log)
    host.set_options(refuse_login=args.refuse_login,
                     close_mid_download=args.close_mid_download,
                     silent=args.silent, nonsense_pasv=args.nonsense_pasv,
                     strprtwtr_refusals=args.strprtwtr_refusals)
    done = threading.Event()
    signal.signal(signal.SIGTERM, lambda *unused: done.set())
    signal.signal(signal.SIGINT, lambda *unused: done.set())
    host.start()
    if args.ready_file:
        partial = args.ready_file + ".part"
        with open(partial, "w", encoding="ascii") as ready:
            ready.write("%d\n" % host.port)
        os.replace(partial, args.ready_file)
    print(host.port, flush=True)
    while not done.wait(0.2):
        pass
    host.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
