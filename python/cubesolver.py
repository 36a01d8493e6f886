"""Solving Rubik's cubes from a Python program, with the solver's tables loaded once.

A Solver keeps one cubesolver-stream process for its lifetime and hands it one cube at a time:

    from cubesolver import Solver

    with Solver() as solver:
        print(solver.solve("FBLUUDDDULFDRRUFRURLBLFDFLDUFRUDFDDRLRBLLBLFRFRUBBUBBB"))

A cube the solver rejects raises CubeError, whose code is the number N of the solver's "Error N"
line and whose message says what is wrong with the cube. The keywords of solve() are the options
of the command line: solve(cube, max_moves=20, time_limit=300, shortest=True, threads=4,
target="checkerboard"); a bad value raises ValueError, a target the solver rejects TargetError (a
CubeError). The cube and the target are each one word of the stream's line: white space in them,
or a leading '-', raises ValueError before anything is sent; an empty cube is CubeError 1. A
stream program that cannot start, that has ended or that answers what is no answer raises
SolverError; the Solver is then closed, and a new one starts a new process.
solve(cube, timeout=SECONDS) raises TimeoutError when the answer takes longer; the Solver stays
usable, and each answer still goes to its own cube. An exception that cuts a call or close()
short (Ctrl-C, a signal handler's) leaves no lock held and no program running or unreaped.
A request for which the stream program cannot get the memory (under a container's or a unit's
limit) raises MemoryError; the Solver stays usable.

A robot may pass what its sensor read instead of the cube: solve(readings=[(r, g, b), ...]) with
54 triples in the order of the facelets answers the likeliest real cube, or raises CubeError with
code 10 when the readings do not decide it; resolve(readings) returns that cube, its confidence
and its doubtful stickers as data (a Resolution).
"""

import collections
import os
import re
import select
import shutil
import signal
import subprocess
import threading
import time
import weakref

__all__ = ["Candidate", "CubeError", "Repair", "Resolution", "Solver", "SolverError", "TargetError",
           "PROGRAM", "START_TIMEOUT"]

PROGRAM = "cubesolver-stream"

# How long a program may take to answer its first line: it loads and checks its tables first, a
# fraction of a second on a board and a few seconds under an emulator. One that says nothing for
# longer is taken for a program that will never answer.
START_TIMEOUT = 60.0
# How long a program whose input has been closed may take to end when it owes no answer.
_END_TIMEOUT = 5.0
# Answers are short lines: a longer run of bytes without a newline is no answer.
_LONGEST_LINE = 1 << 16

_HERE = os.path.dirname(os.path.abspath(__file__))
# Where the Debian package installs the programs.
_PACKAGE_BIN = "/usr/bin"

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
    "edges or corners), or the cube was held with a wrong face up or in front (then the centres "
    "show other faces' colours: hold it so that each centre shows its own face's colour, r up, g "
    "right, w front, o down, b left, y back, and scan it again), or the cube was put together "
    "with two pieces exchanged",
    7: "no solution within the move limit was found (24 moves, unless max_moves says otherwise)",
    8: "the search took longer than its time limit (5.12 seconds, unless time_limit says "
    "otherwise): the hardest cubes take that long on a slow board, and there the same cube fails "
    "the same way again. Give a larger time_limit, keep the optional table files (Twist_Flip_Prun, "
    "Corner_UDEdge_*, FlipSlice_*) with the others, and keep other work off the processor while it "
    "solves",
    9: "the centres are not where they belong: hold the cube so that each centre shows its own "
    "face's colour (r up, g right, w front, o down, b left, y back) and scan it again",
    10: "the readings do not decide the cube: two or more real cubes fit them about equally, or a "
    "sticker fits no colour (covered, glare); scan again (the error's resolution names the "
    "doubtful stickers)",
}


class Repair(collections.namedtuple("Repair", "description cube changes")):
    """One way of making a rejected scan a cube that can be solved, as --explain names it:
    description says what to do ("swap U4 (R) and U6 (U)"), cube is the repaired scan in face
    letters, and changes maps each position it changes ("U4", as in the README's net) to the
    letter it should read there."""


class Candidate(collections.namedtuple("Candidate", "cube probability misfit")):
    """A real cube that readings may show: cube in face letters, its probability among the
    candidates, and misfit, how much less likely it is than the likeliest (-2 log of the ratio of
    their probabilities; 0 for the likeliest)."""


class Resolution(collections.namedtuple(
        "Resolution", "cube confidence doubtful unfit candidates decided")):
    """The likeliest real cube for a scan's readings, in face letters; confidence, its probability
    among the candidates; doubtful, the stickers ("F2") on which a likely runner-up differs; unfit,
    the stickers that fit no colour; candidates, the likeliest first (Candidate); decided, whether
    the solver answers it (else "Error 10")."""


# The lines of the --explain block of readings that carry data.
_RESOLVED_LINE = re.compile(r"^# The readings resolve to ([URFDLB]{54}), with confidence ([0-9.]+)"
                            r" \(at least ([0-9.e-]+) is needed")
_UNFIT_LINE = re.compile(r"^# Sticker ([URFDLB][1-9]) fits no colour")
_UNSETTLED_LINE = re.compile(r"^# The readings do not decide the cube: the search .* did not settle")
_DOUBTFUL_LINE = re.compile(r"^# Doubtful stickers: (.*)\.$")
_CANDIDATE_LINE = re.compile(r"^# \d+\. ([URFDLB]{54}): probability ([0-9.]+), misfit ([0-9.]+)")


def _resolution(block):
    """The Resolution that the lines of a --explain block of readings tell."""
    found = {"doubtful": [], "unfit": [], "candidates": [], "settled": True}
    for line in block:
        if _UNSETTLED_LINE.match(line):
            found["settled"] = False
        resolved = _RESOLVED_LINE.match(line)
        if resolved:
            found["cube"], found["confidence"] = resolved.group(1), float(resolved.group(2))
            found["least"] = float(resolved.group(3))
        unfit = _UNFIT_LINE.match(line)
        if unfit:
            found["unfit"].append(unfit.group(1))
        doubtful = _DOUBTFUL_LINE.match(line)
        if doubtful and doubtful.group(1) != "none":
            found["doubtful"] = doubtful.group(1).split()
        candidate = _CANDIDATE_LINE.match(line)
        if candidate:
            found["candidates"].append(Candidate(candidate.group(1), float(candidate.group(2)),
                                                 float(candidate.group(3))))
    if "cube" not in found:
        raise SolverError("the solver's explanation of the readings names no cube: %r" % block)
    decided = (not found["unfit"] and found["settled"]
               and found["confidence"] >= found["least"])
    return Resolution(found["cube"], found["confidence"], found["doubtful"], found["unfit"],
                      found["candidates"], decided)


def _readings_words(readings):
    """The words of --readings for 54 (r, g, b) triples of non-negative numbers; ValueError or
    TypeError for anything else."""
    try:
        triples = [tuple(reading) for reading in readings]
    except TypeError:
        raise TypeError("readings must be 54 (r, g, b) triples of numbers") from None
    if len(triples) != 54 or any(len(triple) != 3 for triple in triples):
        raise ValueError("readings must be 54 (r, g, b) triples, one a sticker in the order of "
                         "the facelets, not %d" % len(triples))
    words = []
    for n, value in enumerate(number for triple in triples for number in triple):
        if isinstance(value, bool) or not isinstance(value, (int, float)):
            raise TypeError("reading %d (sticker %d) is no number: %r" % (n + 1, n // 3 + 1, value))
        if not 0 <= value < float("inf"):
            raise ValueError("reading %d (sticker %d) must be a non-negative number, not %r"
                             % (n + 1, n // 3 + 1, value))
        words.append(repr(value))
    return "--readings " + " ".join(words)


def _scan_words(face_order, min_confidence, readings):
    """The options of how a scan is read, each word followed by a blank; ValueError for a value
    the solver would refuse."""
    words = ""
    if face_order is not None:
        if not isinstance(face_order, str) or sorted(face_order) != sorted("URFDLB"):
            raise ValueError("face_order must be the six face letters URFDLB in the scan's order, "
                             "each once, such as \"ULFRBD\", not %r" % (face_order,))
        words += "--face-order %s " % face_order
    if min_confidence is not None:
        if not readings:
            raise ValueError("min_confidence applies to readings")
        if (isinstance(min_confidence, bool) or not isinstance(min_confidence, (int, float))
                or not 0 <= min_confidence <= 1):
            raise ValueError("min_confidence must be a number from 0 to 1, not %r"
                             % (min_confidence,))
        words += "--min-confidence %.17f " % min_confidence
    return words


class CubeError(ValueError):
    """The solver rejected the cube: code is N of its "Error N" line. explanation is what
    cubesolver --explain says is wrong with the scan, one sentence a line ("" when it cannot
    be asked), and repairs are the likeliest repairs it names, likeliest first (Repair). For
    readings, resolution is what they resolve to (a Resolution), else None."""

    def __init__(self, code, explanation="", repairs=(), resolution=None):
        self.code = code
        self.explanation = explanation
        self.repairs = list(repairs)
        self.resolution = resolution
        reason = _REASONS.get(code, "the solver rejected the cube")
        super().__init__("Error %d: %s" % (code, reason))


# The first line of a response: a solution (face turns, each followed by a blank; empty for a
# cube already at its target) or a rejection. Anything else is no answer.
_ANSWER_LINE = re.compile(r"(?:[URFDLB][2']? )*\Z|(?:Target error|Error) [1-9][0-9]*\Z"
                          r"|(?:Option|Memory) error: ")


# A repair line of an explanation block: "# N. DESCRIPTION; gives CUBE".
_REPAIR_LINE = re.compile(r"^# \d+\. (.*); gives ([URFDLB]{54})$")


def _in_solver_order(facelets, face_order):
    """The facelets of a scan whose faces come in face_order, in the order U R F D L B."""
    if face_order is None or len(facelets) < 54:
        return facelets
    return "".join(facelets[9 * face_order.index(face):][:9] for face in "URFDLB") + facelets[54:]


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


def _not_executable(path):
    return ("%s is not executable (a copy from a FAT-formatted card or a zip archive loses the "
            "execute bit): make it executable with chmod +x %s" % (path, path))


# The characters that end or split a word of a stream line (a newline ends the line, blanks and
# tabs split it) and those the stream keeps in a word but that Python's own split() takes for
# white space: a cube or a target is one word without any of them, on both sides alike.
_WHITE_SPACE = " \t\n\r\v\f"


def _word(name, text):
    """A cube or a target as one word of a stream line, in UTF-8; ValueError for text that the
    stream program would read as something else (options, several words, several lines)."""
    for position, character in enumerate(text):
        if character in _WHITE_SPACE:
            raise ValueError("%s must be one word without white space, not %r at position %d: the "
                             "stream program ends a line at a newline and splits it at blanks "
                             "and tabs" % (name, character, position))
    if text.startswith("-"):
        raise ValueError("%s must not start with '-': the stream program would take it for an "
                         "option; give options as keywords" % name)
    try:
        return text.encode("utf-8")
    except UnicodeEncodeError as error:
        raise ValueError("%s must be text that UTF-8 can carry: %r at position %d is a lone "
                         "surrogate" % (name, text[error.start], error.start)) from None


def _request_line(facelets, options=""):
    """The stream line that asks for the solution of the cube with the option words given;
    ValueError for a cube that no line can carry as one word."""
    if not isinstance(facelets, str):
        raise TypeError("facelets must be a str, not %s" % type(facelets).__name__)
    return options.encode("utf-8") + _word("facelets", facelets)


def _option_words(max_moves, time_limit, shortest, target, threads=None):
    """The options of a request line for solve()'s keywords, each word followed by a blank;
    ValueError for a value the solver would refuse."""
    words = ""
    for name, value, least, most in (("max_moves", max_moves, 0, 30),
                                     ("time_limit", time_limit, 1, 3600000),
                                     ("threads", threads, 1, 64)):
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
        if not isinstance(target, str) or not target:
            raise ValueError("target must be the facelets of a pattern or its name, not %r"
                             % (target,))
        words += "--target %s " % _word("target", target).decode("utf-8")
    return words


def _deadline(timeout):
    """The instant by which a call must have its answer, for its timeout in seconds: None for
    None, and for infinity or any time longer than a lock can wait (no deadline); ValueError for
    anything but a number of seconds from 0."""
    if timeout is None:
        return None
    if isinstance(timeout, bool) or not isinstance(timeout, (int, float)) or not timeout >= 0:
        raise ValueError("timeout must be a number of seconds from 0 (None or infinity: no "
                         "limit), not %r" % (timeout,))
    if timeout > threading.TIMEOUT_MAX:
        return None
    return time.monotonic() + timeout


def _find_program(program):
    """The path of the stream program: the one given, else the one beside this module, else the
    one in the bin/ directory of the prefix this module is installed under, else one on PATH,
    else the Debian package's (for a module installed from its wheel into a virtual environment
    or another interpreter's directories, run with a PATH that lacks /usr/bin)."""
    if program is not None:
        fspath = getattr(os, "fspath", None)
        if fspath is None:
            # Python 3.5, before os.fspath: a path is a str, bytes or one of pathlib's.
            return program if isinstance(program, (str, bytes)) else str(program)
        return fspath(program)
    for directory in (_HERE, os.path.join(_HERE, "..", "..", "..", "bin")):
        candidate = os.path.normpath(os.path.join(directory, PROGRAM))
        if os.path.isfile(candidate):
            if not os.access(candidate, os.X_OK):
                raise SolverError(_not_executable(candidate))
            return candidate
    found = shutil.which(PROGRAM) or shutil.which(PROGRAM, path=_PACKAGE_BIN)
    if found is None:
        raise SolverError("%s is neither beside %s, nor in the bin/ of its prefix, nor on PATH, "
                          "nor in %s: give its path to Solver()"
                          % (PROGRAM, __file__, _PACKAGE_BIN))
    return found


def _response_end(output, block):
    """The index of the newline that ends the first response in the bytes read, or -1 while it
    has not all come: one line, or with block the lines up to "#end" (an "Option error" or
    "Memory error" line has no block)."""
    end = output.find(b"\n")
    if end < 0 or not block or output.startswith((b"Option error", b"Memory error")):
        return end
    while output[output.rfind(b"\n", 0, end) + 1:end] != b"#end":
        end = output.find(b"\n", end + 1)
        if end < 0:
            return -1
    return end


class Solver:
    """One cubesolver-stream process, started at construction and ended by close(), at the end of
    a with block, or when the Solver is dropped. Calls from several threads are served one after
    the other."""

    def __init__(self, program=None):
        # Reentrant for its owner check: its release() raises RuntimeError in a thread that does
        # not hold it, so that "release it if this thread holds it" is one call, with no gap
        # between a test and the release for a signal handler's exception to fall into.
        self._lock = threading.RLock()
        self._failure = None
        self.program = _find_program(program)
        try:
            self._process = subprocess.Popen(
                [self.program], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                stderr=subprocess.PIPE, bufsize=0)
        except OSError as error:
            message = "cannot start %s: %s" % (self.program, error)
            if isinstance(error, PermissionError) and os.path.isfile(self.program):
                message = _not_executable(self.program)
            raise SolverError(message) from None
        # A Solver dropped without close() ends its program too, rather than leave it running.
        self._finalizer = weakref.finalize(self, _end_process, self._process, 0)
        # The program's output read so far and not yet taken as answers; poll tells when more
        # has come, so that waiting for an answer can end at a deadline.
        self._output = b""
        self._poll = select.poll()
        self._poll.register(self._process.stdout, select.POLLIN)
        # Whether each request written and not yet answered asked for a block after its answer
        # line, oldest first: the module knows what it asked for. More than one is left when
        # callers left before reading their answers (an exception, a time-out): the next request
        # reads their answers first, so that each answer meets its own request.
        self._unanswered = collections.deque()
        # True while a request is being written or an answer taken: an exception in that short
        # window leaves it unknown whether the program got the line, or which answer is next.
        # The window holds back this thread's signals: only a signal that another thread
        # receives, whose handler then runs here, can still fall into it.
        self._in_doubt = False
        # An empty line is answered "Error 1" once the tables are loaded: a program that cannot
        # load them fails here, in the constructor, with its own message.
        with self._lock:
            try:
                answer = self._exchange(b"", False, time.monotonic() + START_TIMEOUT)
            except TimeoutError:
                answer = None
            if answer != "Error 1":
                self._fail("%s is no cubesolver-stream: %s" % (self.program, "it said nothing "
                           "within %g s" % START_TIMEOUT if answer is None else
                           "it answered %r to an empty line" % answer), 0)

    @property
    def pid(self):
        """The process id of the stream program."""
        return self._process.pid

    def solve(self, facelets=None, max_moves=None, time_limit=None, shortest=False, target=None,
              timeout=None, threads=None, readings=None, face_order=None, min_confidence=None):
        """The face turns that solve the cube, such as "R2 U' F ", for its 54 stickers in face
        letters (U R F D L B) or colour letters (r g w o b y). Raises CubeError for a cube that
        cannot be solved as given (an empty text too: code 1), SolverError when the stream
        program has ended or answers what is no answer, TimeoutError when timeout seconds pass
        without the answer (the Solver stays usable; None or infinity: no limit), MemoryError when
        the program cannot get the memory the request needs (the Solver stays usable). Facelets that
        are no str raise TypeError; facelets that the stream line cannot carry as one word (white
        space, a leading '-', a lone surrogate) raise ValueError, and so does a timeout that is
        not a number of seconds from 0.

        The keywords max_moves, time_limit, shortest, target and threads are the options of
        cubesolver: max_moves (0 to 30), time_limit (in milliseconds, 1 to 3600000), shortest,
        target (facelets or a pattern name, such as "checkerboard"), for an answer that turns the
        cube into the target, and threads (1 to 64; by default one for each processor). With any
        of them the cube already at its target gets "". A bad value raises ValueError; a target
        the solver rejects raises TargetError, a CubeError whose code has the meaning it has for a
        cube. A target, too, is one word that does not start with '-'.

        readings, instead of facelets: 54 (r, g, b) triples of non-negative numbers, what the
        robot's sensor read on each sticker; the answer is that of the likeliest real cube, and
        CubeError with code 10 (its resolution says why) when they do not decide it: below
        min_confidence (default 0.9925), a sticker that fits no colour, or a search for the
        likeliest cube that did not settle. face_order: the order of the faces in the facelets or
        readings, such as "ULFRBD"."""
        options = (_option_words(max_moves, time_limit, shortest, target, threads) +
                   _scan_words(face_order, min_confidence, readings is not None))
        if readings is not None:
            if facelets is not None:
                raise ValueError("give the facelets or the readings, not both")
            answer, block = self._call(("--explain " + options + _readings_words(readings))
                                       .encode("utf-8"), True, timeout, None)
            if answer.startswith("Error "):
                error = _explained_error(int(answer[6:]), "", block)
                error.resolution = _resolution(block)
                raise error
        else:
            request = _request_line(facelets, options)
            if not facelets:
                # Without options the stream answers an empty line "Error 1", and with them no line
                # can carry an empty cube: the module answers it alike either way.
                raise CubeError(1)
            # The explanation, asked for without the face order, names the stickers and repairs
            # of the cube in the solver's order.
            facelets = _in_solver_order(facelets, face_order)
            answer, block = self._call(request, False, timeout, facelets)
        if answer.startswith("Error "):
            raise _explained_error(int(answer[6:]), facelets, block)
        if answer.startswith("Target error "):
            raise TargetError(int(answer[13:]))
        if answer.startswith("Option error: "):
            raise ValueError(answer[14:])
        if answer.startswith("Memory error: "):
            raise MemoryError("cubesolver-stream: " + answer[14:])
        return answer

    def resolve(self, readings, face_order=None, min_confidence=None, timeout=None):
        """The likeliest real cube for the readings (54 (r, g, b) triples, as for solve), as a
        Resolution: the cube in face letters, its confidence, the doubtful stickers, the stickers
        that fit no colour, the candidates and whether solve would answer it. Nothing is solved."""
        options = _scan_words(face_order, min_confidence, True)
        answer, block = self._call(("--explain --max-moves 0 " + options +
                                    _readings_words(readings)).encode("ascii"), True, timeout, None)
        if answer.startswith("Option error: "):
            raise ValueError(answer[14:])
        if answer.startswith("Memory error: "):
            raise MemoryError("cubesolver-stream: " + answer[14:])
        return _resolution(block)

    def _call(self, request, asks_block, timeout, facelets):
        """The answer line to a request and the lines of its block (those that begin with "# "),
        within the timeout; asks_block tells whether the request asked for one. For a cube
        rejected, the block is its explanation, asked for under the same lock. An answer that is
        no answer ends the program: SolverError."""
        deadline = _deadline(timeout)
        try:
            # Acquired inside the try: an exception that falls just after it still releases it.
            if not self._lock.acquire(timeout=-1 if deadline is None
                                      else max(deadline - time.monotonic(), 0)):
                raise TimeoutError("the Solver was busy with other threads' cubes for %g s"
                                   % timeout)
            lines = self._exchange(request, asks_block, deadline).split("\n")
            if not _ANSWER_LINE.match(lines[0]) or not all(
                    line.startswith("#") for line in lines[1:]):
                self._fail("%s answered %r to %r, which is no answer: the solver has been closed; "
                           "make a new Solver" % (self.program, "\n".join(lines), request), 0)
            answer, block = lines[0], [line for line in lines[1:] if line.startswith("# ")]
            # Errors 7 and 8 are no fault of the scan; asking again would search again.
            if (facelets is not None and answer.startswith("Error ")
                    and answer not in ("Error 7", "Error 8")):
                block = self._explanation(facelets.encode("utf-8"), deadline)
        finally:
            # The first call of the finally block: a signal handler's exception cannot come
            # between a test of the owner and the release. RuntimeError: this thread does not
            # hold the lock (it timed out, or the exception came before the acquire).
            try:
                self._lock.release()
            except RuntimeError:
                pass
        return answer, block

    def close(self):
        """Ends the stream program and waits for its end; solve raises SolverError from then on.
        A close() cut off by an exception (a signal handler's) still ends the program before the
        exception goes on, and a later close(), or the Solver's finalization, finishes its work."""
        with self._lock:
            if self._failure is None:
                self._failure = "the solver has been closed"
            if self._finalizer.alive:
                # A program that owes answers is searching for nobody: it need not finish.
                self._end(0 if self._unanswered or self._in_doubt else _END_TIMEOUT)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _exchange(self, request, block, deadline):
        """Writes one request line and returns its response without its last newline: its answer
        line, and when block is true (it asks for --explain or --show) the lines of its block.
        Every request and every answer goes through here; the caller holds the lock."""
        if self._failure is not None:
            raise SolverError(self._failure)
        if self._in_doubt:
            self._fail("a request to %s was cut off by an exception while its line was being "
                       "written or its answer read: the answers that follow could no longer be "
                       "told apart, so the solver has been closed; make a new Solver"
                       % self.program, 0)
        while self._unanswered:
            self._next_response(deadline)
        _time_left(deadline)
        with _SignalsDeferred():
            self._in_doubt = True
            try:
                _write_all(self._process.stdin.fileno(), request + b"\n")
            except OSError:
                self._died()
            self._unanswered.append(block)
            self._in_doubt = False
        return self._next_response(deadline).decode("ascii", errors="replace")

    def _next_response(self, deadline):
        """Waits for the whole response to the oldest unanswered request and takes it: its text
        without the last newline. The response to a request is one line; to a request with
        --explain or --show, the lines up to "#end" too, unless its first line is an option
        error."""
        block = self._unanswered[0]
        end = _response_end(self._output, block)
        while end < 0:
            self._read_output(deadline)
            end = _response_end(self._output, block)
        with _SignalsDeferred():
            self._in_doubt = True
            response, self._output = self._output[:end], self._output[end + 1:]
            self._unanswered.popleft()
            self._in_doubt = False
        return response

    def _explanation(self, facelets, deadline):
        """The lines of the --explain block of a cube (lines that begin with "# "), without the
        answer line before them and the line "#end" after them."""
        lines = self._exchange(b"--explain " + facelets, True, deadline).split("\n")
        return [line for line in lines[1:] if line.startswith("# ")]

    def _read_output(self, deadline):
        """Waits for the program's output until the deadline (None: for as long as it takes) and
        adds what has come to the bytes read. Only the read itself is in doubt: an exception while
        waiting leaves every byte in its place."""
        if len(self._output) > _LONGEST_LINE:
            self._fail("%s is no cubesolver-stream: it wrote more than %d bytes without a "
                       "newline" % (self.program, _LONGEST_LINE), 0)
        left = _time_left(deadline)
        # A wait of at most an hour at a time: poll takes no longer one.
        if self._poll.poll(None if left is None else max(1, int(min(left, 3600) * 1000))):
            with _SignalsDeferred():
                self._in_doubt = True
                data = os.read(self._process.stdout.fileno(), _LONGEST_LINE)
                if not data:
                    self._died()
                self._output += data
                self._in_doubt = False

    def _died(self):
        """Reports the end of a program whose output or input has closed."""
        status, message = self._end(_END_TIMEOUT)
        if status < 0:
            self._failure = "%s was ended by signal %d" % (self.program, -status)
        else:
            self._failure = "%s ended with exit status %d" % (self.program, status)
        if message:
            self._failure += ": " + message
        raise SolverError(self._failure)

    def _fail(self, message, grace):
        self._failure = message
        self._end(grace)
        raise SolverError(message)

    def _end(self, grace):
        """Ends the stream program (see _end_process), now rather than at its finalization. The
        finalizer stays until the program has been waited for: an exception before then leaves
        it to end the program."""
        result = _end_process(self._process, grace)
        self._finalizer.detach()
        return result


class _SignalsDeferred:
    """A block in which the signals that reach this thread wait, to be handled (and their
    handlers' exceptions raised) once it ends: the write of a line and its record, or the read
    of bytes and their keeping, cannot be cut apart by them."""

    _ALL = getattr(signal, "valid_signals", lambda: range(1, signal.NSIG))()

    def __enter__(self):
        self._mask = signal.pthread_sigmask(signal.SIG_BLOCK, ())
        try:
            signal.pthread_sigmask(signal.SIG_BLOCK, self._ALL)
            # A signal that came just before is handled here, at the call of a Python function:
            # not every call of a built-in one looks for handlers to run.
            _nothing()
        except BaseException:
            # A handler that ran as the mask changed: nothing in the block has begun.
            signal.pthread_sigmask(signal.SIG_SETMASK, self._mask)
            raise

    def __exit__(self, *exc):
        signal.pthread_sigmask(signal.SIG_SETMASK, self._mask)


def _nothing():
    pass


def _time_left(deadline):
    """The seconds left until the deadline (None: no deadline); TimeoutError once it has passed."""
    if deadline is None:
        return None
    left = deadline - time.monotonic()
    if left <= 0:
        raise TimeoutError("no answer in time: an answer that comes later is dropped, and the "
                           "Solver stays usable")
    return left


def _write_all(fd, data):
    while data:
        data = data[os.write(fd, data):]


def _end_process(process, grace):
    """Closes the program's input, which ends a stream program that owes no answer, waits up to
    grace seconds for its end, then kills it. Returns its exit status (minus the signal that ended
    it) and its error output. Called again after an exception, it goes on where it was."""
    try:
        try:
            process.stdin.close()
        except OSError:
            pass
        try:
            process.wait(timeout=grace)
        except subprocess.TimeoutExpired:
            pass
    finally:
        # Even when an exception (a signal handler's) cut the wait short, the program is killed
        # and waited for, however often another cuts this short, so that it is neither left
        # running nor left a zombie; the first exception goes on once it is done. Inline: a
        # function call would be one more place for an exception to come before the loop.
        interrupted = None
        while process.returncode is None:
            try:
                try:
                    process.kill()
                except OSError:
                    pass  # it has ended already, and another waited for it
                process.wait()
            except BaseException as error:
                interrupted = interrupted or error
        if interrupted is not None:
            raise interrupted
    message = b""
    if not process.stderr.closed:
        message = process.stderr.read()
        process.stderr.close()
    process.stdout.close()
    return process.returncode, message.decode(errors="replace").strip()
