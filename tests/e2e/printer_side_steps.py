"""The test's half of the steps a scenario asks of the printer's machine
(testhost/printer_side.py): while the host runs, follow its log, take each
step asked for, and answer on the host's standard input."""

import sys
import time
import traceback

ASK = " ask: "


class PrinterSide:
    def __init__(self, steps):
        self.steps = steps  # step name -> function(run)

    def __call__(self, run):
        offset = 0
        while run.host.poll() is None:
            offset, asked = _new_asks(run.host_log_path, offset)
            for step in asked:
                _answer(run, self._take(run, step))
            time.sleep(0.02)

    def _take(self, run, step):
        """A failed step is answered as such; the host then fails the scenario
        with the answer, and the traceback goes to the test's output."""
        if step not in self.steps:
            return "no such step"
        try:
            self.steps[step](run)
        except Exception as failure:  # noqa: BLE001 - every failure goes back to the host
            traceback.print_exc(file=sys.stderr)
            return "failed: %s" % str(failure).replace("\n", " ")
        return "done"


def _new_asks(path, offset):
    with open(path, "rb") as log:
        log.seek(offset)
        text = log.read()
    complete = text[:text.rfind(b"\n") + 1]
    asked = [line.split(ASK.encode(), 1)[1].decode() for line in complete.splitlines() if ASK.encode() in line]
    return offset + len(complete), asked


def _answer(run, answer):
    try:
        run.host.stdin.write(answer.encode() + b"\n")
        run.host.stdin.flush()
    except BrokenPipeError:
        pass  # the host is gone already; its exit status tells why
