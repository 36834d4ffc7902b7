#!/usr/bin/python3
"""Spooled files printed by the test host land as .spool files, byte for byte,
with their attributes fetched by either path."""

import glob
import os
import subprocess

from e2e_case import EXECUTABLES, E2ECase, listing_attempt, main, program_attempt

SESSION_STARTED = b"Session successfully started"


class PrintingTest(E2ECase):
    def test_one_report(self):
        with self.scenario_run("one-report") as run:
            self.assert_spool_files(run)
            self.assertEqual(run.ftp_commands(), listing_attempt(run))
            texts = self.session_texts(run)
            self.assert_in_order(texts, [b"Starting...", b"Started.", SESSION_STARTED, b"Stoped."])
            self.assert_no_faults(texts)

    def test_several_files_in_one_session(self):
        with self.scenario_run("several-files") as run:
            self.assert_spool_files(run)
            self.assertEqual(run.ftp_commands(), listing_attempt(run) * 3)
            texts = self.session_texts(run)
            self.assertEqual(texts.count(b"Starting..."), 1, "one session")
            self.assert_no_faults(texts)

    def test_program_path(self):
        with self.scenario_run("program-path") as run:
            self.assert_spool_files(run)
            self.assertEqual(run.ftp_commands(), program_attempt(run))
            self.assert_no_faults(self.session_texts(run))

    def test_names_that_try_to_leave_the_spool_folder(self):
        with self.scenario_run("escaping-names") as run:
            # Spool holds both under safe names, the run's folder nothing else
            # (checked for every run), and its parent no EVIL either.
            self.assert_spool_files(run)
            self.assertEqual(glob.glob(os.path.join(os.path.dirname(run.folder), "EVIL*")), [])
            self.assert_no_faults(self.session_texts(run))

    def test_host_seed_holding_se_and_iac_bytes(self):
        with self.scenario_run("seed-with-se-and-iac") as run:
            self.assert_spool_files(run)
            texts = self.session_texts(run)
            self.assertIn(SESSION_STARTED, texts)
            self.assert_no_faults(texts)

    def test_host_control_sequences_reach_the_admin_tool_as_stand_ins(self):
        with self.scenario_run("terminal-escapes") as run:
            self.assert_spool_files(run, attributes_found=False)
            # The service keeps the bytes; the admin tool shows stand-ins.
            self.assertIn(b"\x1b[2J", run.spool_file(run.spool_files()[0]))
            shown = {"status": self.ctl(run, "status", run.folder),
                     "show": self.ctl(run, "show", os.path.join(run.folder, "Spool", run.spool_files()[0]))}
            for command, out in shown.items():
                self.assertNotIn(b"\x1b", out, command)
                self.assertNotIn(b"\x07", out, command)
            # (the reply as the log keeps it, in lower case)
            self.assertIn(b"Retrieve Error: 530 Login ^[[2j^[]0;owned^Grefused.", shown["status"])
            self.assertIn(b"Rapporto ^[[2J^[]0;owned^G^[[5mlampeggia^[[0m\r\nDEL ^? e CSI", shown["show"])

    @staticmethod
    def ctl(run, *arguments):
        return subprocess.run([EXECUTABLES["oprinterctl"]] + list(arguments), capture_output=True,
                              env=dict(os.environ, LC_ALL="C.UTF-8")).stdout

    def test_device_not_available_is_reported_and_the_session_kept(self):
        with self.scenario_run("device-not-available") as run:
            texts = self.session_texts(run)
            self.assertIn(b"Device not available.", texts)
            self.assertNotIn(SESSION_STARTED, texts)
            self.assert_spool_files(run)
            self.assert_no_faults(texts)


if __name__ == "__main__":
    main()
