"""Steps on the printer's own machine that a scenario cannot take itself:
spoil the printer's Spool folder, limit or kill its process, count its open
descriptors. The scenario asks for a step by name in the host log ("ask"
lines) and waits; the test that runs the printer takes the step and answers
on the host's standard input, "done" or what went wrong."""

import os
import select
import sys

from connection import ScenarioFailure

ANSWER_TIMEOUT = 60


def ask(log, step, timeout=ANSWER_TIMEOUT):
    log.write("ask", step)
    answer = _read_answer(timeout)
    if answer is None:
        raise ScenarioFailure("no answer to %r within %g s" % (step, timeout))
    if answer != "done":
        raise ScenarioFailure("step %r: %s" % (step, answer))
    log.write("host", "%s: done" % step)


def _read_answer(timeout):
    # Read by hand, not through sys.stdin's buffer, so that select sees every
    # line that has come.
    stdin = sys.stdin.fileno()
    line = b""
    while not line.endswith(b"\n"):
        readable, _, _ = select.select([stdin], [], [], timeout)
        if not readable:
            return None
        piece = os.read(stdin, 1)
        if not piece:
            return None
        line += piece
    return line.decode("utf-8").strip()
