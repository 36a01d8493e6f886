"""Solving Rubik's cubes from a Python program, with the solver's tables loaded once.

A Solver keeps one cubesolver-stream process for its lifetime and hands it one cube at a time:

    from cubesolver import Solver

    with Solver() as solver:
        print(solver.solve("FBLUUDDDULFDRRUFRURLBLFDFLDUFRUDFDDRLRBLLBLFRFRUBBUBBB"))

A cube the solver rejects raises CubeError, whose code is the number N of the solver's "Error N"
line and whose message says what is wrong with the cube. The keywords of solve() are the options of
the command line: solve(cube, max_moves=20, time_limit=300, shortest=True, target="checkerboard");
a bad value raises ValueError, a target the solver rejects TargetError (a CubeError). A stream program that cannot start or
that has ended raises SolverError; the Solver is then closed, and a new one starts a new process.
"""

import collections
import os
import re
import shutil
import subprocess
import threading

__all__ = ["CubeError", "Repair", "Solver", "SolverError", "TargetError", "PROGRAM"]

PROGRAM = "cubesolver-stream"

_HERE = os.path.dirname(os.path.abspath(__file__))

# What each "Error N" line says about the cube, for the person who scanned it.
_REASONS = {
    1: "the 54 stickers do not show each of the six colours exactly nine times: check the scan "
    "and the letters (U R F D L B, or the colour letters r g w o b y), and that there are 54",
    2: "the edge stickers do not make up the twelve edges, each once: an edge sticker was read "
    "with a wrong colour",
    3: "one edge is flipped: its two stickers were read the wrong way round, or the cube was "
    "put together with an edge flipped",
    4: "the corner stickers do not make up the eight corners, each once: a corner sticker was "
    "read with a wrong colour",
    5: "one corner is twisted: its three stickers were read in the wrong order, or the cube was "
    "put together with a corner twisted",
    6: "two pieces are exchanged: two stickers were swapped in the scan (a swapped pair of "
    "edges or corners), or the cube was put together with two pieces exchanged",
    7: "no solution within the move limit was found (24 moves, unless max_moves says otherwise)",
    8: "the search took longer than its time limit (5.12 seconds, unless time_limit says "
    "otherwise): the machine may be busy; try again",
    9: "the centres are not where they belong: hold the cube so that each centre shows its own "
    "face's colour (r up, g right, w front, o down, b left, y back) and scan it again",
}


class Repair(collections.namedtuple("Repair", "description cube changes")):
    """One way of making a rejected scan a cube that can be solved, as --explain names it:
    description says what to do ("swap U4 (R) and U6 (U)"), cube is the repaired scan in face
    letters, and changes maps each position it changes ("U4", as in the README's net) to the
    letter it should read there."""


class CubeError(ValueError):
    """The solver rejected the cube: code is N of its "Error N" line. explanation is what
    cubesolver --explain says is wrong with the scan, one sentence a line ("" when it cannot
    be asked), and repairs are the likeliest repairs it names, likeliest first (Repair)."""

    def __init__(self, code, explanation="", repairs=()):
        self.code = code
        self.explanation = explanation
        self.repairs = list(repairs)
        reason = _REASONS.get(code, "the solver rejected the cube")
        super().__init__("Error %d: %s" % (code, reason))


# A repair line of an explanation block: "# N. DESCRIPTION; gives CUBE".
_REPAIR_LINE = re.compile(r"^# \d+\. (.*); gives ([URFDLB]{54})$")


def _explained_error(code, facelets, block):
    """The CubeError of a rejected cube with what the lines of its --explain block say."""
    scan = facelets[:54].translate(str.maketrans("rgwoby", "URFDLB"))
    sentences, repairs = [], []
    for line in block:
        found = _REPAIR_LINE.match(line)
        if found is None:
            sentences.append(line[2:])
            continue
        description, cube = found.groups()
        changes = {"URFDLB"[p // 9] + str(p % 9 + 1): cube[p]
                   for p in range(54) if p >= len(scan) or scan[p] != cube[p]}
        repairs.append(Repair(description, cube, changes))
    return CubeError(code, "\n".join(sentences), repairs)


class TargetError(CubeError):
    """The solver rejected the target pattern: code is N of its "Target error N" line, with the
    meaning N has for a cube."""

    def __init__(self, code):
        super().__init__(code)
        self.args = ("Target error" + str(self)[len("Error"):],)


class SolverError(RuntimeError):
    """The stream program could not be started, or it has ended."""


def _option_words(max_moves, time_limit, shortest, target):
    """The options of a request line for solve()'s keywords, each word followed by a blank;
    ValueError for a value the solver would refuse."""
    words = ""
    for name, value, least, most in (("max_moves", max_moves, 0, 30),
                                     ("time_limit", time_limit, 1, 3600000)):
        if value is None:
            continue
        if isinstance(value, bool) or not isinstance(value, int) or not least <= value <= most:
            raise ValueError("%s must be an int from %d to %d, not %r" % (name, least, most, value))
        words += "--%s %d " % (name.replace("_", "-"), value)
    if not isinstance(shortest, bool):
        raise ValueError("shortest must be True or False, not %r" % (shortest,))
    if shortest:
        words += "--shortest "
    if target is not None:
        if not isinstance(target, str) or not target or set(target) & set(" \t\r\n"):
            raise ValueError("target must be the facelets of a pattern or its name, not %r"
                             % (target,))
        words += "--target %s " % target
    return words


def _find_program(program):
    """The path of the stream program: the one given, else the one beside this module, else the
    one in the bin/ directory of the prefix this module is installed under, else one on PATH."""
    if program is not None:
        return os.fspath(program)
    for directory in (_HERE, os.path.join(_HERE, "..", "..", "..", "bin")):
        candidate = os.path.join(directory, PROGRAM)
        if os.path.isfile(candidate) and os.access(candidate, os.X_OK):
            return os.path.normpath(candidate)
    found = shutil.which(PROGRAM)
    if found is None:
        raise SolverError("%s is neither beside %s, nor in the bin/ of its prefix, nor on PATH: "
                          "give its path to Solver()" % (PROGRAM, __file__))
    return found


class Solver:
    """One cubesolver-stream process, started at construction and ended by close() or at the end
    of a with block. Calls from several threads are served one after the other."""

    def __init__(self, program=None):
        self._lock = threading.Lock()
        self._failure = None
        self.program = _find_program(program)
        try:
            self._process = subprocess.Popen(
                [self.program], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                stderr=subprocess.PIPE)
        except OSError as error:
            raise SolverError("cannot start %s: %s" % (self.program, error)) from None
        # An empty line is answered "Error 1" once the tables are loaded: a program that cannot
        # load them fails here, in the constructor, with its own message.
        with self._lock:
            answer = self._exchange(b"")
            if answer != "Error 1":
                self._fail("%s is no cubesolver-stream: it answered %r to an empty line"
                           % (self.program, answer))

    @property
    def pid(self):
        """The process id of the stream program."""
        return self._process.pid

    def solve(self, facelets, max_moves=None, time_limit=None, shortest=False, target=None):
        """The face turns that solve the cube, such as "R2 U' F ", for its 54 stickers in face
        letters (U R F D L B) or colour letters (r g w o b y). Raises CubeError for a cube that
        cannot be solved as given, SolverError when the stream program has ended.

        The keywords are the options of cubesolver: max_moves (0 to 30), time_limit (in
        milliseconds, 1 to 3600000), shortest and target (facelets or a pattern name, such as
        "checkerboard"), for an answer that turns the cube into the target. With any of them the
        cube already at its target gets "". A bad value raises ValueError; a target the solver
        rejects raises TargetError, a CubeError whose code has the meaning it has for a cube."""
        if not isinstance(facelets, str):
            raise TypeError("facelets must be a str, not %s" % type(facelets).__name__)
        if "\n" in facelets:
            raise ValueError("facelets must not contain a newline: the stream program would take "
                             "it for two cubes")
        if facelets.startswith("-"):
            raise ValueError("facelets must not start with '-': the stream program would take "
                             "them for options; give options as keywords")
        options = _option_words(max_moves, time_limit, shortest, target)
        with self._lock:
            answer = self._exchange(os.fsencode(options + facelets))
            block = []
            # Errors 7 and 8 are no fault of the scan; asking again would search again.
            if (answer.startswith("Error ") and answer not in ("Error 7", "Error 8") and facelets
                    and not set(facelets) & set(" \t")):
                block = self._explanation(os.fsencode(facelets))
        if answer.startswith("Error "):
            raise _explained_error(int(answer[6:]), facelets, block)
        if answer.startswith("Target error "):
            raise TargetError(int(answer[13:]))
        if answer.startswith("Option error: "):
            raise ValueError(answer[14:])
        return answer

    def close(self):
        """Ends the stream program; solve raises SolverError from then on."""
        with self._lock:
            if self._failure is None:
                self._failure = "the solver has been closed"
                self._end()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _exchange(self, request):
        """Writes one line (none for None) and reads the answer line, without its newline."""
        if self._failure is not None:
            raise SolverError(self._failure)
        try:
            # None reads one more line of the answer before.
            if request is not None:
                self._process.stdin.write(request + b"\n")
                self._process.stdin.flush()
            line = self._process.stdout.readline()
        except OSError:
            line = b""
        if not line.endswith(b"\n"):
            status, message = self._end()
            if status < 0:
                self._failure = "%s was ended by signal %d" % (self.program, -status)
            else:
                self._failure = "%s ended with exit status %d" % (self.program, status)
            if message:
                self._failure += ": " + message
            raise SolverError(self._failure)
        return line[:-1].decode("ascii", errors="replace")

    def _explanation(self, facelets):
        """The lines of the --explain block of a cube (an answer line, then lines that begin with
        "# " up to the line "#end"), without the answer line and the end."""
        if self._exchange(b"--explain " + facelets).startswith("Option error"):
            return []  # a line too long for options, which gets no block
        block = []
        while True:
            line = self._exchange(None)
            if not line.startswith("# "):
                return block
            block.append(line)

    def _fail(self, message):
        self._failure = message
        self._end()
        raise SolverError(message)

    def _end(self):
        """Closes the stream program's input, which ends it, and waits for it. Returns its exit
        status (minus the signal that ended it) and its error output."""
        try:
            self._process.stdin.close()
        except OSError:
            pass
        try:
            status = self._process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self._process.kill()
            status = self._process.wait()
        message = b""
        if not self._process.stderr.closed:
            message = self._process.stderr.read()
            self._process.stderr.close()
        self._process.stdout.close()
        return status, message.decode(errors="replace").strip()
