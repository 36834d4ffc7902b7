#!/usr/bin/python3
"""Figures of an FTP side that goes on without end, at the real time limits
(30-second steps, a 60-second budget): every attempt of one retrieval meets
a greeting line that never ends, then every attempt of the next meets a work
file of 1 GiB. Reports how long each record took to be acknowledged, the
service's peak resident memory and what was left in tmp/ after each, against
the limits: acknowledged within 150 s, under 128 MiB, tmp/ empty. Needs root
and the end-to-end lock, once, by hand:

    flock /tmp/oprinter-e2e.lock /usr/bin/python3 bench/ftp_without_end.py \\
        --oprinter build/oprinter --oprinterctl build/oprinterctl
"""

import argparse
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tests", "e2e"))

from printer_figures import temporary_files  # noqa: E402
from printer_side_steps import PrinterSide  # noqa: E402
from service_run import ServiceRun  # noqa: E402

ADDRESS = "127.77.251.1"
ACKNOWLEDGE_LIMIT_S = 150
MEMORY_LIMIT_KIB = 128 * 1024
FIGURE = re.compile(r"figure: (.*) acknowledged after ([\d.]+) s")


def peak_kib(pid):
    with open("/proc/%d/status" % pid, encoding="ascii") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    raise AssertionError("no VmHWM for process %d" % pid)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--oprinter", required=True)
    parser.add_argument("--oprinterctl", required=True)
    args = parser.parse_args()
    measures = []
    steps = {"measure": lambda run: measures.append((peak_kib(run.service.pid), temporary_files(run.folder)))}
    run = ServiceRun("ftp-without-end-figures", ADDRESS, os.path.abspath(args.oprinter),
                     os.path.abspath(args.oprinterctl))
    run.run(PrinterSide(steps))
    acknowledged = FIGURE.findall(run.host_log())
    failed = run.host_exit != 0 or len(acknowledged) != len(measures) or not measures
    for (what, seconds), (peak, left) in zip(acknowledged, measures):
        within = float(seconds) <= ACKNOWLEDGE_LIMIT_S and peak < MEMORY_LIMIT_KIB and not left
        failed = failed or not within
        print("%-20s acknowledged after %6.1f s, peak resident %6.1f MiB, tmp/ %s%s" % (
            what, float(seconds), peak / 1024, left or "empty", "" if within else "   OVER THE LIMITS"))
    if failed:
        print("the run failed; kept for inspection: %s" % run.folder)
        return 1
    run.remove()
    return 0


if __name__ == "__main__":
    sys.exit(main())
