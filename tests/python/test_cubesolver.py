"""The cubesolver module against the stream program of this build."""

import contextlib
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import xml.etree.ElementTree as ElementTree
import zlib
from concurrent.futures import ThreadPoolExecutor
from unittest import mock

import cubesolver
from cubesolver import CubeError, Solver, SolverError, TargetError

# The emulator by its full path: a test may run the program with a PATH of its own.
RUN_PREFIX = " ".join((shutil.which(w) or w) if i == 0 else w for i, w in
                      enumerate(os.environ.get("CUBESOLVER_RUN_PREFIX", "").split()))


def requests(variable):
    """The requests of a file of tests/data, each with its expected line."""
    with open(os.environ[variable]) as f:
        return [line.rstrip("\n").split("\t") for line in f]


ANSWERS = requests("ANSWERS_FILE")
REJECTED = requests("REJECTED_FILE")
# The mean of each colour in a real EV3 scan, on the faces U R F D L B.
EV3_MEANS = [(45.9, 79.0, 52.7), (25.3, 11.3, 4.6), (4.8, 29.3, 10.4), (28.3, 36.8, 6.8),
             (32.9, 17.4, 5.4), (4.9, 16.9, 17.1)]


def scan_of(cube, seed):
    """Readings of a cube as an EV3 sensor gives them, with a few per cent of spread."""
    rng = random.Random(seed)
    return [tuple(m * rng.gauss(1, 0.03) for m in EV3_MEANS["URFDLB".index(c)]) for c in cube]


def png_pixels(path):
    """The rows of (r, g, b) of an 8-bit RGBA or RGB PNG without interlacing."""
    with open(path, "rb") as f:
        data = f.read()
    chunks, at = {}, 8
    while at < len(data):
        length = int.from_bytes(data[at:at + 4], "big")
        kind = data[at + 4:at + 8]
        chunks[kind] = chunks.get(kind, b"") + data[at + 8:at + 8 + length]
        at += 12 + length
    width, height = int.from_bytes(chunks[b"IHDR"][:4], "big"), int.from_bytes(chunks[b"IHDR"][4:8], "big")
    step = {6: 4, 2: 3}[chunks[b"IHDR"][9]]
    raw, rows, previous = zlib.decompress(chunks[b"IDAT"]), [], bytearray(width * step)
    for y in range(height):
        kind, line = raw[y * (width * step + 1)], bytearray(raw[y * (width * step + 1) + 1:(y + 1) * (width * step + 1)])
        for i in range(len(line)):
            a = line[i - step] if i >= step else 0
            b, c = previous[i], previous[i - step] if i >= step else 0
            p = a + b - c
            predictor = (0, a, b, (a + b) // 2, a if abs(p - a) <= min(abs(p - b), abs(p - c)) else b if abs(p - b) <= abs(p - c) else c)[kind]
            line[i] = (line[i] + predictor) & 0xff
        rows.append([tuple(line[x * step:x * step + 3]) for x in range(width)])
        previous = line
    return rows


# The hardest cube of the family: its search takes the longest.
SUPERFLIP = "UBULURUFURURFRBRDRFUFLFRFDFDFDLDRDBDLULBLFLDLBUBRBLBDB"


def interrupted(point, method, *args):
    """Calls a Solver's method with a KeyboardInterrupt raised at the point-th place where a
    signal handler's exception can land in the module's code: as one of its functions or one it
    calls starts or returns, or as a built-in it calls returns. Not while a line is being written
    or an answer taken, where it closes the Solver (see the test of an interrupted write). True
    when it was raised there, False when the call ended before that place."""
    module, passed = vars(cubesolver), [0]

    def profile(frame, event, arg):
        if event in ("call", "return", "c_return") and not method.__self__._in_doubt and (
                frame.f_globals is module or (
                    frame.f_back is not None and frame.f_back.f_globals is module)):
            passed[0] += 1
            if passed[0] == point:
                raise KeyboardInterrupt()

    sys.setprofile(profile)
    try:
        method(*args)
    except KeyboardInterrupt:
        return True
    except CubeError:
        pass
    finally:
        sys.setprofile(None)
    return False


def held_by_another_thread(lock):
    """True when a thread of its own cannot take the lock (an RLock: released where taken)."""
    with ThreadPoolExecutor(1) as probe:
        return not probe.submit(lambda: lock.acquire(blocking=False) and not lock.release()).result()


class SolverTest(unittest.TestCase):
    def setUp(self):
        scratch = tempfile.TemporaryDirectory()
        self.addCleanup(scratch.cleanup)
        self.scratch = scratch.name
        # The built program, behind a script that starts it under the emulator if there is one.
        self.program = self.script("exec %s '%s'" % (RUN_PREFIX, os.environ["CUBESOLVER_STREAM"]),
                                   cubesolver.PROGRAM)

    def script(self, text, name=None):
        """A program that runs the shell commands given."""
        path = os.path.join(self.scratch, name or "script%d" % len(os.listdir(self.scratch)))
        with open(path, "w") as f:
            f.write("#!/bin/sh\n" + text + "\n")
        os.chmod(path, 0o755)
        return path

    def raised(self, kind, method, *args, **keywords):
        """The exception of the given kind that a call raises."""
        with self.assertRaises(kind) as raised:
            method(*args, **keywords)
        return raised.exception

    def test_threads_sharing_a_solver_get_the_independently_computed_answers(self):
        def answer(request):
            try:
                return solver.solve(request)
            except CubeError as error:
                return "Error %d" % error.code

        with Solver(self.program) as solver, ThreadPoolExecutor(4) as pool:
            answers = list(pool.map(answer, [request for request, _ in ANSWERS]))
        self.assertEqual(answers, [expected for _, expected in ANSWERS])

    def test_each_rejection_raises_its_code_and_its_own_explanation(self):
        messages = {}
        with Solver(self.program) as solver:
            for request, line in REJECTED:
                error = self.raised(CubeError, solver.solve, request)
                self.assertEqual("Error %d" % error.code, line)
                self.assertTrue(str(error).startswith(line + ": "))
                messages[line] = str(error)
        self.assertEqual(len(set(messages.values())), len(messages))

    def test_the_context_manager_refuses_what_no_line_can_carry_and_ends_the_program(self):
        # What the stream program would read as options, as more than one word or line, or read
        # otherwise than Python splits it, is refused before a line is sent (the next answer is
        # still its cube's); an empty cube is Error 1 with options or without.
        request, expected = ANSWERS[0]
        refused = [(request + "\n" + request, {}), (" --explain " + request, {"max_moves": 20}),
                   (request + " " + request, {}), (request + "\t", {"max_moves": 20}),
                   (request + "\r", {}), ("\x0c" + request, {}),
                   (request, {"target": "--explain"}), (request, {"target": "--show"}),
                   (request, {"target": "checkerboard\x0b--explain"}),
                   (request, {"target": "\udc80"}), (request, {"timeout": float("nan")}),
                   (request, {"timeout": -1}), (request, {"timeout": "1"})]
        with Solver(self.program) as solver:
            self.assertRaises(TypeError, solver.solve, request.encode())
            for facelets, keywords in refused:
                error = self.raised(ValueError, solver.solve, facelets,
                                    **dict({"timeout": 60}, **keywords))
                self.assertIs(type(error), ValueError, (facelets, keywords))
                name = next((k for k in keywords if k in ("target", "timeout")), "facelets")
                self.assertTrue(str(error).startswith(name + " "), error)
            for keywords in ({}, {"max_moves": 20}):
                self.assertEqual(self.raised(CubeError, solver.solve, "", **keywords).code, 1)
            self.assertEqual(solver.solve(request, timeout=float("inf")), expected)
        self.assertEqual(solver._process.returncode, 0)
        self.assertRaisesRegex(SolverError, "closed", solver.solve, request)

    def test_keywords_are_the_options_of_a_stream_line(self):
        # Each call against the line the stream program gives for its options' words (where the
        # C++ tests replay the answers), then the values the module refuses.
        cube = ANSWERS[5][0]
        calls = [({"max_moves": 20, "threads": 1}, "--max-moves 20 --threads 1 "),
                 ({"target": "checkerboard", "time_limit": 3000},
                  "--time-limit 3000 --target checkerboard "),
                 ({"max_moves": 0, "target": cube}, "--max-moves 0 --target %s " % cube)]
        lines = "".join(words + cube + "\n" for _, words in calls)
        stream = subprocess.run([self.program], input=lines, capture_output=True, text=True)
        with Solver(self.program) as solver:
            answers = [solver.solve(cube, **keywords) for keywords, _ in calls]
            self.assertEqual(answers, stream.stdout.splitlines())
            self.assertLessEqual(len(solver.solve(cube, shortest=True, time_limit=3000).split()), 20)
            error = self.raised(TargetError, solver.solve, cube, target=REJECTED[4][0])
            self.assertEqual("Error %d" % error.code, REJECTED[4][1])
            self.assertTrue(str(error).startswith("Target error 3: one edge is flipped"))
            for keywords in ({"max_moves": 31}, {"max_moves": True}, {"time_limit": 0},
                             {"shortest": 1}, {"target": "a b"}, {"target": ""}, {"threads": 0},
                             {"threads": 65}):
                self.assertRaises(ValueError, solver.solve, cube, **keywords)
            self.assertRaises(ValueError, solver.solve, "--max-moves 5 " + cube)
            self.assertEqual(self.raised(CubeError, solver.solve, cube, max_moves=5).code, 7)

    def test_a_rejected_scan_carries_its_explanation_and_repairs_as_data(self):
        # A sticker misread, and a solved cube held with white up: the first repair's changes and
        # every repair's cube, which the solver then solves; the next answer is still paired.
        misread = "UUUUUUUUURRRRRRRRRFUFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB"
        held = "wwwwwwwwwgggggggggoooooooooyyyyyyyyybbbbbbbbbrrrrrrrrr"
        # The misread scan again in the order U L F R B D: the same sticker is named.
        in_ulfrbd = "".join(misread[9 * "URFDLB".index(face):][:9] for face in "ULFRBD")
        cases = [(misread, 1, "Too few: F (w) 8 times", {"F2": "F"}, None),
                 (in_ulfrbd, 1, "Too few: F (w) 8 times", {"F2": "F"}, "ULFRBD"),
                 (held, 6, "Turn the whole cube x'", None, None)]
        self.assertIn("held with a wrong face up", str(CubeError(6)))
        with Solver(self.program) as solver:
            for scan, code, sentence, changes, face_order in cases:
                error = self.raised(CubeError, solver.solve, scan, face_order=face_order)
                self.assertEqual((error.code, str(error)), (code, str(CubeError(code))))
                self.assertIn(sentence, error.explanation)
                self.assertNotIn("#", error.explanation)
                self.assertEqual(error.repairs[0].cube,
                                 "UUUUUUUUURRRRRRRRRFFFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB")
                if changes is not None:
                    self.assertEqual(error.repairs[0].changes, changes)
                for repair in error.repairs:
                    solver.solve(repair.cube)
            self.assertEqual(solver.solve(ANSWERS[0][0]), ANSWERS[0][1])
        # The README's example, as the stream program answers its line.
        with open(os.environ["README"]) as f:
            words, shown = re.search(r"\$ cubesolver (--explain --show \w+)\n([^`]*)```",
                                     f.read()).groups()
        run = subprocess.run([self.program], input=words + "\n", capture_output=True, text=True)
        self.assertEqual(run.stdout, shown)

    def test_readings_are_answered_as_their_resolved_cube_and_drawn_in_their_colours(self):
        # Scans of independently solved cubes resolve to those cubes and get their answers, with
        # options too; a covered sticker gets Error 10 and is named; bad readings are refused.
        with Solver(self.program) as solver:
            for n, (cube, expected) in enumerate(ANSWERS[:6]):
                readings = scan_of(cube, n)
                resolution = solver.resolve(readings)
                self.assertEqual((resolution.cube, resolution.decided, resolution.doubtful),
                                 (cube, True, []))
                self.assertEqual(resolution.candidates[0], (cube, resolution.confidence, 0.0))
                self.assertEqual(solver.solve(readings=readings), expected)
                self.assertEqual(solver.solve(readings=readings, max_moves=20),
                                 solver.solve(cube, max_moves=20))
            order = [9 * "URFDLB".index(face) + i for face in "ULFRBD" for i in range(9)]
            self.assertEqual(solver.solve(readings=[readings[p] for p in order], face_order="ULFRBD"),
                             solver.solve(readings=readings))
            readings[3] = (0, 0, 0)
            error = self.raised(CubeError, solver.solve, readings=readings)
            self.assertEqual((error.code, error.resolution.unfit), (10, ["U4"]))
            self.assertTrue(str(error).startswith("Error 10: the readings do not decide"))
            # A search that did not settle decides nothing, whatever the confidence.
            block = ["# The readings resolve to %s, with confidence 1.000000 (at least 0.5 is "
                     "needed: --min-confidence)." % ANSWERS[0][0],
                     "# The readings do not decide the cube: the search for the likeliest cube did "
                     "not settle (each round found a cube that fits better). Scan again."]
            self.assertEqual(cubesolver._resolution(block).decided, False)
            self.assertEqual(cubesolver._resolution(block[:1]).decided, True)
            for bad in (readings[:53], readings[:53] + [(1, -1, 1)], readings[:53] + [(1, float("nan"), 1)]):
                self.assertRaises(ValueError, solver.solve, readings=bad)
            # A number no double holds gets an Option error, which has no block after it.
            self.assertRaisesRegex(ValueError, "too large", solver.resolve,
                                   readings[:53] + [(10 ** 400, 1, 1)], timeout=60)
            self.assertEqual(solver.solve(ANSWERS[0][0], timeout=60), ANSWERS[0][1])
            self.assertRaises(ValueError, solver.solve, ANSWERS[0][0], readings=readings)
        # The report, drawn by a real SVG renderer: each sticker's square shows, at its centre,
        # its reading scaled so that the scan's largest number is 255.
        renderer = shutil.which("rsvg-convert")
        if renderer is None:
            if os.environ.get("CUBESOLVER_REQUIRE_RSVG"):
                self.fail("rsvg-convert is required here (librsvg2-bin) but missing")
            self.skipTest("rsvg-convert (librsvg2-bin) is not installed")
        report, png = os.path.join(self.scratch, "scan.svg"), os.path.join(self.scratch, "scan.png")
        words = " ".join(repr(v) for reading in readings for v in reading)
        subprocess.run([self.program], input="--report %s --readings %s\n" % (report, words),
                       capture_output=True, text=True, check=True)
        subprocess.run([renderer, "-o", png, report], check=True)
        pixels, largest = png_pixels(png), max(v for reading in readings for v in reading)
        squares = [e for e in ElementTree.parse(report).iter() if e.get("id")]
        self.assertEqual([e.get("id") for e in squares], ["URFDLB"[p // 9] + str(p % 9 + 1) for p in range(54)])
        for p, square in enumerate(squares):
            x = int(square.get("x")) + int(square.get("width")) // 2
            y = int(square.get("y")) + int(square.get("height")) // 2
            expected = tuple(int(255 * v / largest + 0.5) for v in readings[p])
            for got, want in zip(pixels[y][x], expected):
                self.assertLessEqual(abs(got - want), 1, (square.get("id"), pixels[y][x], expected))

    def test_after_an_interruption_or_a_time_out_each_answer_goes_to_its_own_cube(self):
        # The program is stopped while a call waits, so that the exception comes before the
        # answer however fast the search: each leaves an answer owed in the pipe. An exception
        # while a line is being written leaves it unknown whether the program got it.
        self.addCleanup(signal.signal, signal.SIGINT, signal.signal(signal.SIGINT,
                                                                     signal.default_int_handler))
        real_write = os.write

        def written_then_interrupted(fd, data):
            real_write(fd, data)
            raise KeyboardInterrupt()

        with Solver(self.program) as solver:
            for (request, expected), (other, _) in zip(ANSWERS[:2], ANSWERS[2:]):
                os.kill(solver.pid, signal.SIGSTOP)
                threading.Timer(0.05, os.kill, (os.getpid(), signal.SIGINT)).start()
                self.assertRaises(KeyboardInterrupt, solver.solve, SUPERFLIP)
                self.assertRaises(TimeoutError, solver.solve, other, timeout=0.05)
                os.kill(solver.pid, signal.SIGCONT)
                self.assertEqual(solver.solve(request, timeout=60), expected)
            with mock.patch("os.write", written_then_interrupted):
                self.assertRaises(KeyboardInterrupt, solver.solve, SUPERFLIP)
            self.assertRaisesRegex(SolverError, "cut off.*make a new Solver", solver.solve,
                                   request)
        self.assertIsNotNone(solver._process.returncode)

    def test_an_exception_anywhere_in_a_call_leaves_the_lock_free_and_the_answers_paired(self):
        # At each place in turn, through a rejected cube's two exchanges: no thread waits for
        # the lock, and the next call gets its own answer.
        (rejected, _), (request, expected) = REJECTED[3], ANSWERS[0]
        with Solver(self.program) as solver:
            point = 1
            while interrupted(point, solver.solve, rejected):
                self.assertFalse(held_by_another_thread(solver._lock), point)
                self.assertEqual(solver.solve(request, timeout=60), expected, point)
                point += 1

    def test_a_request_short_of_memory_raises_memory_error_and_the_next_is_served(self):
        # A program that answers as the stream program does under a memory limit (the C++ tests
        # make it answer so): the line of a request it could not get the memory for has no
        # block, also after --explain, and the next request is answered.
        program = self.script("read -r line; echo 'Error 1'\n" +
                              "read -r line; echo 'Memory error: not enough memory for this request'\n"
                              * 2 + "read -r line; echo 'U '\nread -r line")
        with Solver(program) as solver:
            self.assertRaisesRegex(MemoryError, "not enough memory", solver.resolve,
                                   scan_of(ANSWERS[0][0], 1), timeout=5)
            self.assertRaisesRegex(MemoryError, "not enough memory", solver.solve, ANSWERS[0][0],
                                   shortest=True, timeout=5)
            self.assertEqual(solver.solve(ANSWERS[0][0], timeout=5), "U ")

    def test_a_dropped_or_closed_solver_ends_its_program_even_when_close_is_cut_off(self):
        for pid in [Solver(self.program).pid for _ in range(3)]:
            self.assertFalse(os.path.exists("/proc/%d" % pid))
        # Cut off at each place in turn, close() ends the program before the exception goes on,
        # or a second close() does, or dropping the Solver does: none is left running or unreaped.
        # A program that starts at once, owes no answer and ends at the end of its input.
        quick = self.script("read line; echo 'Error 1'; while read line; do :; done")
        for again in (True, False):
            point, cut = 1, True
            while cut:
                solver = Solver(quick)
                pid, cut = solver.pid, interrupted(point, solver.close)
                # Once told to end (its input closed), it has been waited for.
                process = solver._process
                self.assertTrue(process.returncode is not None or not process.stdin.closed, point)
                if again:
                    solver.close()
                del solver
                self.assertFalse(os.path.exists("/proc/%d" % pid), (again, point))
                point += 1

    def test_what_cannot_serve_is_named_with_what_to_do(self):
        # A bad request is refused with the module's own error; tables that fail make the
        # constructor raise with the program's message; a program without its execute bit (a copy
        # from a FAT card) is named as such, beside the module or given; a program that answers
        # what no stream program answers is ended at once.
        with Solver(self.program) as solver:
            self.assertRaisesRegex(ValueError, "^facelets .* lone surrogate", solver.solve,
                                   "\udc80" + ANSWERS[0][0])
        with open(os.path.join(self.scratch, "twistMove"), "w") as f:
            f.write("short")
        with contextlib.chdir(self.scratch):
            error = self.raised(SolverError, Solver, self.program)
        self.assertIn("exit status 2", str(error))
        self.assertIn('"%s/twistMove" is shorter than its 78732 bytes'
                      % os.path.realpath(self.scratch), str(error))
        os.chmod(self.program, 0o644)
        with mock.patch.object(cubesolver, "_HERE", self.scratch):
            for program in (None, self.program):
                self.assertRaisesRegex(SolverError, "is not executable.*chmod \\+x", Solver,
                                       program)
        start = time.monotonic()
        self.assertRaisesRegex(SolverError, "is no cubesolver-stream: it answered 'y'", Solver,
                               "/usr/bin/yes")
        # A line that is neither a solution nor a rejection is never returned as an answer.
        fake = self.script("read line; echo 'Error 1'; while read line; do echo 'R2 #end'; done")
        with Solver(fake) as solver:
            self.assertRaisesRegex(SolverError, "no answer", solver.solve, ANSWERS[0][0])
            self.assertRaisesRegex(SolverError, "no answer", solver.solve, ANSWERS[0][0])
        self.assertLess(time.monotonic() - start, 5, "ended at once, not after a grace time")
        self.assertRegex(str(CubeError(8)), "5.12 seconds.*time_limit.*Twist_Flip_Prun")
        self.assertNotIn("try again", str(CubeError(8)))

    def test_the_program_is_the_given_one_else_beside_the_module_else_in_its_prefix_else_on_path(self):
        # Each place in turn holds the program found, while the later ones hold one too; the last
        # is the package's (as for a module from the wheel in a virtual environment, with a PATH
        # that lacks /usr/bin).
        places = {"given": os.path.join(self.scratch, "given"),
                  "beside": os.path.join(self.scratch, "lib", "python3", "dist-packages"),
                  "prefix": os.path.join(self.scratch, "bin"),
                  "path": os.path.join(self.scratch, "path"),
                  "package": os.path.join(self.scratch, "package")}
        for place in places.values():
            os.makedirs(place)
            shutil.copy(self.program, os.path.join(place, cubesolver.PROGRAM))
        with mock.patch.object(cubesolver, "_HERE", places["beside"]), \
                mock.patch.object(cubesolver, "_PACKAGE_BIN", places["package"]), \
                mock.patch.dict(os.environ, PATH=places["path"]):
            for first in ("given", "beside", "prefix", "path", "package"):
                given = os.path.join(places["given"], cubesolver.PROGRAM)
                found = cubesolver._find_program(given if first == "given" else None)
                self.assertEqual(os.path.dirname(found), places[first])
                if first == "package":
                    with Solver() as solver:
                        self.assertEqual(solver.solve(ANSWERS[0][0]), ANSWERS[0][1])
                os.remove(os.path.join(places[first], cubesolver.PROGRAM))
            self.assertRaisesRegex(SolverError, "nor on PATH, nor in %s: give"
                                   % re.escape(places["package"]), cubesolver._find_program, None)

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

