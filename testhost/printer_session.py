"""One TN5250E printer session as the host drives it: the negotiation, the
startup response, then spooled files as print records, each acknowledged by
the printer before the next one goes out."""

from connection import Connection
from negotiation import negotiate
import records
import scs

# The printer acknowledges a record only after it has fetched the spooled
# file's attributes, which may take the whole 60-second budget of its FTP
# attempts, or saved the file. No reply may take longer than this.
ACKNOWLEDGE_TIMEOUT = 90


class PrinterSession:
    def __init__(self, sock, number, device_name, ftp, log):
        self.connection = Connection(sock, log)
        self.number = number
        self.device_name = device_name
        self._ftp = ftp
        self._log = log

    def _write(self, text):
        self._log.write("telnet", "session %d: %s" % (self.number, text))

    def negotiate(self, seed=None):
        negotiate(self.connection, self.device_name, self._log, seed)

    def send_startup_response(self, code):
        self.connection.send(records.telnet_frame(records.startup_response_record(code, self.device_name)))
        self._write("startup response %s sent" % code)

    def send_print_record(self, scs_data):
        self.connection.send(records.telnet_frame(records.print_record(scs_data)))
        self.connection.expect(records.PRINT_REPLY, ACKNOWLEDGE_TIMEOUT, "the reply to a print record")

    def print_spooled_file(self, spooled, segments=None):
        """Prints the whole spooled file, or only its first segments (then the
        data stops without the end of the document)."""
        payloads = self.start_spooled_file(spooled, segments)
        for payload in payloads:
            self.send_print_record(payload)
        self._write("%s: %s, %d records acknowledged" % (
            spooled.nome, "printed" if segments is None else "%d of %d segments" % (segments, len(spooled.segments())),
            len(payloads)))

    def start_spooled_file(self, spooled, segments=None):
        """Makes spooled the file the host's writer prints; returns the print
        data of its records."""
        if self._ftp:
            self._ftp.set_printing(spooled.attributes)
        items = [scs.transparency(segment) for segment in spooled.segments()[:segments]]
        if segments is None:
            items.append(scs.END_OF_DOCUMENT)
        return scs.pack_records(items, spooled.record_size)

    def expect_open(self, seconds):
        """The printer keeps the session and sends nothing unasked."""
        self.connection.expect_silence(seconds)
        self._write("still open after %g s" % seconds)

    def close(self):
        self.connection.close()
        self._write("closed by the host")
