#!/usr/bin/python3
"""A long run: many spooled files of mixed sizes through one session. Every
file lands byte for byte; open descriptors stay the same and resident
memory flat after the warm-up (the first measure).

OPRINTER_SOAK_FILES sets the number of files (1000); OPRINTER_SANITIZED
says the service runs under the sanitizers, whose own memory use is no
figure of the service's, so memory is then only reported."""

import functools
import os
import sys

from e2e_case import E2ECase, main
from printer_figures import open_descriptors, resident_kib, temporary_files
from printer_side_steps import PrinterSide
import soak_scenarios

# What the allocator may still take on after the warm-up.
RSS_GROWTH_KIB = 1024


class Measures:
    def __init__(self):
        self.taken = []  # (resident KiB, open descriptors, temporary files)

    def __call__(self, run):
        pid = run.service.pid
        self.taken.append((resident_kib(pid), len(open_descriptors(pid)), temporary_files(run.folder)))


class SoakTest(E2ECase):
    @functools.lru_cache(maxsize=None)
    def expected_spool(self, run, spooled, attributes_found=True):
        # The same few documents come again and again.
        return super().expected_spool(run, spooled, attributes_found)

    def test_many_files_through_one_session(self):
        measures = Measures()
        with self.scenario_run("soak", PrinterSide({"measure": measures})) as run:
            self.assert_spool_files(run)
            texts = self.session_texts(run)
            self.assertEqual(texts.count(b"Starting..."), 1, "one session")
            self.assert_no_faults(texts)
            files = soak_scenarios.SOAK_FILES
            self.assertEqual(len(measures.taken), files // soak_scenarios.MEASURE_EVERY)
            (rss_start, fds_start, _), (rss_end, fds_end, _) = measures.taken[0], measures.taken[-1]
            sys.stderr.write("\nsoak: %d files; after %d: VmRSS %d KiB, %d descriptors; at the end: VmRSS %d KiB, "
                             "%d descriptors\n" % (files, soak_scenarios.MEASURE_EVERY, rss_start, fds_start,
                                                   rss_end, fds_end))
            self.assertEqual([fds for _, fds, _ in measures.taken], [fds_start] * len(measures.taken))
            self.assertEqual([left for _, _, left in measures.taken], [[]] * len(measures.taken))
            if not os.environ.get("OPRINTER_SANITIZED"):
                self.assertLessEqual(rss_end - rss_start, RSS_GROWTH_KIB, "resident memory grew")


if __name__ == "__main__":
    main()
