"""The printer service at each quiet moment of a scenario (a "checkpoint"
step): its heartbeat, its open descriptors, the temporary files in its
folder. Descriptors must not grow from one checkpoint to the next."""

import re
from dataclasses import dataclass

from printer_figures import open_descriptors, temporary_files

# Sockets and pipes are told apart by their inode numbers only.
INODE = re.compile(r"^(socket|pipe):\[\d+\]$")


@dataclass(frozen=True)
class Checkpoint:
    heartbeat: bytes
    descriptors: tuple
    temporaries: tuple


class Checkpoints:
    def __init__(self):
        self.taken = []

    def __call__(self, run):
        self.taken.append(Checkpoint(
            run.heartbeat(),
            tuple(sorted(INODE.sub(r"\1", target) for target in open_descriptors(run.service.pid))),
            tuple(temporary_files(run.folder))))

    def heartbeats(self):
        return [taken.heartbeat for taken in self.taken]

    def temporaries(self):
        return [list(taken.temporaries) for taken in self.taken]

    def assert_descriptors_steady(self, test):
        test.assertGreater(len(self.taken), 1, "checkpoints")
        for number, taken in enumerate(self.taken[1:], start=2):
            test.assertEqual(taken.descriptors, self.taken[0].descriptors,
                             "open descriptors at checkpoint %d against the first" % number)
