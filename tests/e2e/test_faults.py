#!/usr/bin/python3
"""Faults at every stage of a session, from the host and from the printer's
own machine. After each the service keeps running and stops cleanly when
asked; a lost session it is left with is replaced at the next control
cycle; no ".spool" file is ever truncated; every spooled file the host was
told is printed is on disk; open descriptors and temporary files do not
grow."""

import contextlib
import os
import resource
import time

from checkpoints import Checkpoints
from e2e_case import E2ECase, main
from printer_figures import temporary_files
from printer_side_steps import PrinterSide
from save_killer import SaveKiller
from spool_mount import SpoolMount
import fault_scenarios

ATTEMPTS = 21
FILE_SIZE_LIMIT = 8192
SAVE_FAILURE_TIMEOUT = 15
# Time for the printer to take in the end of a session before it is looked at.
SETTLE_TIME = 1
CREATE_FAILED = b"Read Error: Cannot create file "
WRITE_FAILED = b"Read Error: Cannot write file "


def count(texts, prefix):
    return sum(text.startswith(prefix) for text in texts)


def restart_after_the_fault(run):
    """The service outlived the session's fault and stops with 0 when asked."""
    time.sleep(SETTLE_TIME)
    if run.service.poll() is not None:
        raise AssertionError("the service ended with %s" % run.service.returncode)
    status = run.stop_and_restart_service()
    if status != 0:
        raise AssertionError("the service stopped with %s" % status)


class HostFaultsTest(E2ECase):
    def test_host_failing_at_every_stage(self):
        checkpoints = Checkpoints()
        steps = {"checkpoint": checkpoints, "restart the printer": restart_after_the_fault}
        with self.scenario_run("host-faults", PrinterSide(steps)) as run:
            self.assert_spool_files(run, attributes_found=[False, False, True, True, False, True, True])
            # Each session but one came from a restart; that one from the
            # control cycle, which wrote the second heartbeat of its process.
            sessions = len(fault_scenarios.HOST_FAULTS)
            replaced = fault_scenarios.HOST_FAULTS.index(fault_scenarios.REPLACED_AT_THE_CONTROL_CYCLE) + 1
            self.assertEqual(checkpoints.heartbeats(),
                             [b"2\n" if number == replaced else b"1\n" for number in range(sessions)])
            checkpoints.assert_descriptors_steady(self)
            self.assertEqual(checkpoints.temporaries(), [[]] * sessions)
            texts = self.session_texts(run)
            self.assertEqual(texts.count(b"Starting..."), sessions)
            self.assertEqual(count(texts, b"Retrieve Error: 530 "), ATTEMPTS, "login refused")
            self.assertEqual(count(texts, b"Retrieve Error: 426 "), ATTEMPTS, "download cut short")
            self.assertEqual(count(texts, b"Retrieve Error: 227 "), ATTEMPTS, "PASV without an address")
            self.assertEqual(count(texts, b"Retrieve Error: Timed out "), 1, "silent FTP server")
            self.assert_in_order(texts, [b"<!> IAC DO +#1", b"<!> Record too long"])
            self.assert_no_faults(texts, allowed=[b"Retrieve Error: ", b"Error: SOCKET ERROR ",
                                                  b"<!> IAC DO +#1", b"<!> Record too long"])


class MachineFaults:
    """The printer's side of the disk-faults scenario: each fault is made,
    then, once the service has reported the save it could not make and
    nothing has landed in part, repaired."""

    def __init__(self, test):
        self.test = test
        self.checkpoints = Checkpoints()
        self.mount = SpoolMount()
        self.killer = SaveKiller()
        self.failed_saves = 0
        self.spool_before = None

    def steps(self):
        return {
            "checkpoint": self.checkpoints,
            "make Spool a file": self.make_spool_a_file,
            "remove the file Spool": self.remove_the_file_spool,
            "mount Spool read-only": lambda run: self.spoil(run, lambda: self.mount.mount(run, "ro,size=64k")),
            "make Spool writable": lambda run: self.repair(run, CREATE_FAILED, lambda: self.mount.remount("rw")),
            # Room for a letter or two, not for the report.
            "fill Spool": lambda run: self.spoil(run, lambda: self.mount.remount("size=12k")),
            "give Spool room": lambda run: self.repair(run, WRITE_FAILED, lambda: self.mount.remount("size=1m")),
            "unmount Spool": lambda run: self.mount.unmount(),
            "limit the file size": lambda run: self.spoil(run, lambda: _limit_file_size(run, FILE_SIZE_LIMIT)),
            "lift the file size limit": lambda run: self.repair(
                run, WRITE_FAILED, lambda: _limit_file_size(run, None)),
            "kill the printer when it saves": self.arm_the_killer,
            "start the printer again": self.start_again,
        }

    def spoil(self, run, fault):
        fault()
        self.spool_before = _spool_names(run)

    def repair(self, run, failure, repair):
        self.failed_saves += 1
        if not run.wait_for_log_texts(b"Read Error: ", self.failed_saves, SAVE_FAILURE_TIMEOUT):
            raise AssertionError("no failed save reported; the service %s" % (
                "is running" if run.service.poll() is None else "ended with %s" % run.service.returncode))
        reported = _read_errors(run)[-1]
        self.test.assertTrue(reported.startswith(failure), reported)
        self.test.assertIsNone(run.service.poll(), "the service ended")
        self.test.assertEqual(_spool_names(run), self.spool_before, "Spool after the failed save")
        self.test.assertEqual(temporary_files(run.folder), [], "temporary files after the failed save")
        repair()

    def make_spool_a_file(self, run):
        self.spoil(run, lambda: open(os.path.join(run.folder, "Spool"), "wb").close())

    def remove_the_file_spool(self, run):
        spool = os.path.join(run.folder, "Spool")
        self.repair(run, CREATE_FAILED, lambda: os.remove(spool))

    def arm_the_killer(self, run):
        self.spool_before = _spool_names(run)
        self.killer.arm(run.service.pid, os.path.join(run.folder, "Spool"))

    def start_again(self, run):
        self.killer.wait()
        self.test.assertIsNotNone(self.killer.killed_in, "the service was not killed while it saved")
        self.test.assertEqual(run.service.wait(), -9)
        # Nothing of the file being saved but its hidden temporary file.
        left = sorted(set(_spool_names(run)) - set(self.spool_before))
        self.test.assertEqual(left, [self.killer.killed_in])
        run.restart_service()


def _spool_names(run):
    spool = os.path.join(run.folder, "Spool")
    return sorted(os.listdir(spool)) if os.path.isdir(spool) else ["(not a folder)"]


def _read_errors(run):
    return [text for text in run.log_texts() if text.startswith(b"Read Error: ")]


def _limit_file_size(run, limit):
    """The soft limit, or none: raising a hard limit again would take more than root may have here."""
    _, hard = resource.prlimit(run.service.pid, resource.RLIMIT_FSIZE)
    resource.prlimit(run.service.pid, resource.RLIMIT_FSIZE, (hard if limit is None else limit, hard))


class MachineFaultsTest(E2ECase):
    def test_spool_folder_faults_and_a_kill_while_saving(self):
        faults = MachineFaults(self)
        with contextlib.ExitStack() as cleanup:
            cleanup.callback(faults.mount.unmount)
            with self.scenario_run("disk-faults", PrinterSide(faults.steps())) as run:
                killed_in = faults.killer.killed_in
                self.assertEqual(faults.checkpoints.temporaries(), [[], [], ["Spool/" + killed_in]])
                faults.checkpoints.assert_descriptors_steady(self)
                os.remove(os.path.join(run.folder, "Spool", killed_in))
                # A save that was over before the killer could stop it was acknowledged: it is on disk.
                saved_first = run.host_log().count("saved and acknowledged before the kill")
                prints = run.scenario.prints
                self.assert_spool_files(run, prints=prints[:4] + (fault_scenarios.BIG,) * saved_first + prints[4:])
                texts = self.session_texts(run)
                self.assertEqual(count(texts, CREATE_FAILED), 2)
                self.assertEqual(count(texts, WRITE_FAILED), 2)
                self.assertEqual(texts.count(b"Starting..."), 2, "one session before the kill, one after")
                self.assert_no_faults(texts, allowed=[b"Read Error: "])


if __name__ == "__main__":
    main()
