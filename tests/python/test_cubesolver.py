"""The cubesolver module against the stream program of this build."""

import os
import re
import signal
import subprocess
import sys
import tempfile
import threading
import unittest

from cubesolver import CubeError, Solver, SolverError

RUN_PREFIX = os.environ.get("CUBESOLVER_RUN_PREFIX", "")

with open(os.environ["ANSWERS_FILE"]) as answers_file:
    ANSWERS = [line.rstrip("\n").split("\t") for line in answers_file]

# Cubes the solver rejects, one for each error it can report for a cube of 54 face letters.
REJECTED = {
    1: "WWWWWWWWWRRRRRRRRRFFFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB",
    2: "UUUUUUUUURDRRRRRRRFFFFFFFFFDDDRDDDDDLLLLLLLLLBBBBBBBBB",
    3: "UUUUURUUURURRRRRRRFFFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB",
    4: "UUUUUUUUULRRRRRRRRFFFFFFFFFDDDDDDDDDLLRLLLLLLBBBBBBBBB",
    5: "UUUUUUUUFURRRRRRRRFFRFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB",
    6: "UUUUUUUUURFRRRRRRRFRFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB",
    9: "UUUURUUUURRRRURRRRFFFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB",
}


class SolverTest(unittest.TestCase):
    def setUp(self):
        scratch = tempfile.TemporaryDirectory()
        self.addCleanup(scratch.cleanup)
        self.scratch = scratch.name
        # The built program, behind a script that starts it under the emulator if there is one.
        self.program = os.environ["CUBESOLVER_STREAM"]
        if RUN_PREFIX:
            script = os.path.join(self.scratch, "cubesolver-stream")
            with open(script, "w") as f:
                f.write("#!/bin/sh\nexec %s '%s' \"$@\"\n" % (RUN_PREFIX, self.program))
            os.chmod(script, 0o755)
            self.program = script

    def test_threads_sharing_a_solver_get_the_independently_computed_answers(self):
        failures = []

        def solve_every_fourth(solver, first):
            for request, expected in ANSWERS[first::4]:
                try:
                    answer = solver.solve(request)
                except CubeError as error:
                    answer = "Error %d" % error.code
                if answer != expected:
                    failures.append((request, answer, expected))

        with Solver(self.program) as solver:
            threads = [threading.Thread(target=solve_every_fourth, args=(solver, first))
                       for first in range(4)]
            for thread in threads:
                thread.start()
            for thread in threads:
                thread.join()
        self.assertEqual(failures, [])
        self.assertEqual(len(ANSWERS), 320)

    def test_each_rejection_raises_its_code_and_its_own_explanation(self):
        messages = set()
        with Solver(self.program) as solver:
            for code, request in REJECTED.items():
                with self.assertRaises(CubeError) as raised:
                    solver.solve(request)
                self.assertEqual(raised.exception.code, code)
                self.assertTrue(str(raised.exception).startswith("Error %d: " % code))
                messages.add(str(raised.exception))
        self.assertEqual(len(messages), len(REJECTED))

    def test_requests_that_no_line_can_carry_are_refused_before_they_reach_the_program(self):
        request, expected = ANSWERS[0]
        with Solver(self.program) as solver:
            self.assertRaises(TypeError, solver.solve, request.encode())
            self.assertRaises(ValueError, solver.solve, request + "\n" + request)
            self.assertEqual(solver.solve(request), expected)

    def test_a_closed_solver_has_ended_its_program(self):
        with Solver(self.program) as solver:
            pass
        self.assertEqual(solver._process.returncode, 0)
        self.assertRaisesRegex(SolverError, "closed", solver.solve, ANSWERS[0][0])
        solver.close()

    def test_a_program_that_has_died_is_reported_by_every_later_call(self):
        solver = Solver(self.program)
        os.kill(solver.pid, signal.SIGKILL)
        for _ in range(2):
            self.assertRaisesRegex(SolverError, "ended by signal 9", solver.solve, ANSWERS[0][0])

    def test_tables_that_fail_make_the_constructor_raise_with_the_programs_message(self):
        with open(os.path.join(self.scratch, "twistMove"), "w") as f:
            f.write("short")
        here = os.getcwd()
        os.chdir(self.scratch)
        try:
            with self.assertRaises(SolverError) as raised:
                Solver(self.program)
        finally:
            os.chdir(here)
        self.assertIn("exit status 2", str(raised.exception))
        self.assertIn('"./twistMove" is shorter than its 78732 bytes', str(raised.exception))

    @unittest.skipIf(RUN_PREFIX, "the installed programs run on the board only")
    def test_the_installed_module_runs_the_readme_example_as_shown(self):
        # Installed under a scratch DESTDIR, so that nothing lands outside it.
        subprocess.run([os.environ["CMAKE_COMMAND"], "--install", os.environ["CUBESOLVER_BUILD_DIR"]],
                       env=dict(os.environ, DESTDIR=self.scratch), check=True,
                       stdout=subprocess.DEVNULL)
        prefix = self.scratch + os.environ["CUBESOLVER_INSTALL_PREFIX"]
        with open(os.environ["README"]) as f:
            example, shown = re.search(r"```python\n([^`]*)```\nprints\n\n```\n([^`]*)```",
                                       f.read()).groups()
        environment = dict(os.environ, PATH="/usr/bin:/bin",
                           PYTHONPATH=os.path.join(prefix, "lib", "python3", "dist-packages"))
        run = subprocess.run([sys.executable, "-c", example], env=environment, cwd=self.scratch,
                             capture_output=True, text=True)
        self.assertEqual((run.stdout, run.stderr), (shown, ""))

