#!/usr/bin/env python3
"""soak.py STREAM [--seconds S] [--memory MB] [--seed N]: for S seconds (60), two clients write
cubes to cubesolver-stream processes of their own and leave, half of the time with answers owed;
three threads share a Solver of the module, with time-outs; the main thread cuts its own calls
and the Solver's close() short with a SIGALRM whose handler raises. The programs run under an
address-space limit (256 MB). Every answer must be the line of tests/data for its cube, no thread
may stall, and no process may be left, running or unreaped. Prints the counts; status 1, with
each failure on a line "SOAK FAILURE: ...".
"""
import argparse
import collections
import faulthandler
import gc
import os
import random
import signal
import subprocess
import sys
import tempfile
import threading
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "python"))
from cubesolver import CubeError, Solver, SolverError  # noqa: E402

# The plain requests with their exact lines ("", which the module refuses, left out).
REQUESTS = [line.rstrip("\n").split("\t") for name in ("answers.tsv", "rejected.tsv")
            for line in open(os.path.join(HERE, "data", name)) if not line.startswith("\t")]
STALL = 30  # seconds without progress that make a hang: a plain cube takes milliseconds
# The counts (failures among them), when each thread last made progress, the Solver the module
# threads share, and the one each of them is calling.
counts, progress, shared, using = collections.Counter(failures=0), {}, [], {}
lock, stop, armed = threading.Lock(), threading.Event(), [False]


class Interrupt(Exception):
    """What the SIGALRM handler raises while a call of the main thread is under way."""


def on_alarm(signum, frame):
    if armed[0]:
        raise Interrupt()


def count(name, n=1):
    with lock:
        counts[name] += n


def fail(message):
    count("failures")
    print("SOAK FAILURE: " + message, flush=True)


def check(cube, expected, got, where):
    count("answers checked")
    if got != expected:
        fail("%s answered %r to %s, not %r" % (where, got, cube, expected))


def outcome(solver, cube, timeout=None):
    """The line for the cube ("Error N" for a CubeError), or for a call that ended as documented
    without one, None after a time-out and SolverError when the Solver was closed (by the main
    thread, or by itself after a call cut short)."""
    count("requests")
    try:
        return solver.solve(cube, timeout=timeout)
    except CubeError as error:
        return "Error %d" % error.code
    except TimeoutError:
        count("time-outs")
    except SolverError as error:
        if "closed" not in str(error):
            fail("the Solver of process %d: %s" % (solver.pid, error))
        count("calls on a closed Solver")
        return SolverError


def module_thread(rng):
    name = threading.current_thread().name
    while not stop.is_set():
        cube, expected = rng.choice(REQUESTS)
        using[name] = shared[0]
        got = using[name] and outcome(using[name], cube,
                                      rng.choice([None, None, rng.uniform(0, 0.005)]))
        using[name] = None
        if got in (None, SolverError):
            time.sleep(0.01)  # until the main thread has made a new Solver
        else:
            check(cube, expected, got, "a module thread")
        progress[name] = time.monotonic()


def stream_client(program, rng):
    name = threading.current_thread().name
    while not stop.is_set():
        # Not subprocess.Popen, whose every start reaps the processes that dropped Popen objects
        # left running: that would hide the processes a Solver leaves behind.
        (child_in, to_child), (from_child, child_out) = os.pipe(), os.pipe()
        pid = os.posix_spawn(program, [program], os.environ, file_actions=[
            (os.POSIX_SPAWN_DUP2, child_in, 0), (os.POSIX_SPAWN_DUP2, child_out, 1)],
            setsigdef=[signal.SIGPIPE])
        os.close(child_in)
        os.close(child_out)
        stdin, stdout = os.fdopen(to_child, "wb"), os.fdopen(from_child, "rb")
        batch, statuses = [rng.choice(REQUESTS) for _ in range(rng.randint(1, 40))], (0,)
        count("requests", len(batch))
        stdin.write("".join(cube + "\n" for cube, _ in batch).encode())
        stdin.flush()
        read = rng.randint(0, len(batch))
        for cube, expected in batch[:read]:
            check(cube, expected, stdout.readline().decode().rstrip("\n"), "the stream")
        if rng.random() < 0.5:  # the other answers, after the end of the input
            stdin.close()
            lines = stdout.read().decode().split("\n")[:-1]
            if len(lines) != len(batch) - read:
                fail("the stream gave %d answers to %d cubes" % (len(lines), len(batch) - read))
            for (cube, expected), line in zip(batch[read:], lines):
                check(cube, expected, line, "the stream")
        else:  # gone with answers owed: status 1 once one cannot be written
            count("streams left with answers owed")
            statuses = (0, 1)
        stdout.close()
        stdin.close()
        status = os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1])
        count("stream processes")
        if status not in statuses:
            fail("cubesolver-stream ended with status %d (its error output is above)" % status)
        progress[name] = time.monotonic()


def guarded(work, *args):
    """Runs a thread's work; an exception it raises is a failure, not a thread gone quietly."""
    try:
        work(*args)
    except Exception:
        fail("%s raised %s" % (threading.current_thread().name, traceback.format_exc()))
    finally:
        del progress[threading.current_thread().name]


def interrupted(call, seconds):
    """call() with a SIGALRM due after seconds: its result, or Interrupt if the handler's
    exception cut it short (or fell just after it returned)."""
    try:
        try:
            armed[0] = True
            signal.setitimer(signal.ITIMER_REAL, seconds)
            return call()
        finally:
            armed[0] = False
            signal.setitimer(signal.ITIMER_REAL, 0)
    except Interrupt:
        count("interruptions")
        return Interrupt


def children():
    """(pid, (state, command line)) for each child process of this one."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/stat" % pid) as stat, open("/proc/%s/cmdline" % pid) as line:
                state, parent = stat.read().rsplit(")", 1)[1].split()[:2]
                if int(parent) == os.getpid():
                    found.append((int(pid), (state, line.read().replace("\0", " ").strip())))
        except OSError:
            pass
    return found


def gone(pid):
    """Whether the process has ended and been reaped within 2 s."""
    for _ in range(200):
        if not os.path.exists("/proc/%d" % pid):
            return True
        time.sleep(0.01)
    return False


def watchdog():
    """Ends the soak when a thread has stalled, with every thread's stack."""
    while True:
        time.sleep(1)
        stalled = [name for name, t in list(progress.items()) if time.monotonic() - t > STALL]
        if stalled:
            fail("no progress for %d s in %s; the locks of the Solvers they call: %s; the main "
                 "thread is %d; the stacks:" % (STALL, ", ".join(stalled), [
                     using[n]._lock for n in stalled if using.get(n)],
                     threading.main_thread().ident))
            faulthandler.dump_traceback(sys.stdout)
            print("processes left: %r" % children(), flush=True)
            for pid, _ in children():
                os.kill(pid, signal.SIGKILL)
            os._exit(1)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("stream")
    for option, default in (("--seconds", 60), ("--memory", 256), ("--seed", None)):
        parser.add_argument(option, type=int, default=default)
    args = parser.parse_args()
    args.seed = random.randrange(1 << 30) if args.seed is None else args.seed
    print("soak: %g s, seed %d, %d MB" % (args.seconds, args.seed, args.memory), flush=True)
    limited = os.path.join(tempfile.mkdtemp(), "cubesolver-stream")
    with open(limited, "w") as f:
        f.write('#!/bin/sh\nulimit -v %d && exec "%s"\n' % (args.memory << 10,
                                                           os.path.abspath(args.stream)))
    os.chmod(limited, 0o755)
    signal.signal(signal.SIGALRM, on_alarm)
    rng, closed = random.Random(args.seed), []
    shared.append(Solver(limited))
    threads = [threading.Thread(target=guarded, name="module thread %d" % i, args=(
        module_thread, random.Random(rng.random()))) for i in range(3)]
    threads += [threading.Thread(target=guarded, name="stream client %d" % i, args=(
        stream_client, limited, random.Random(rng.random()))) for i in range(2)]
    progress.update((name, time.monotonic()) for name in ["main"] + [t.name for t in threads])
    threading.Thread(target=watchdog, daemon=True).start()
    for thread in threads:
        thread.start()
    end, renew = time.monotonic() + args.seconds, False
    while time.monotonic() < end:
        if renew or rng.random() < 0.03:  # the shared Solver's close() cut short, then dropped
            count("closes")
            interrupted(shared[0].close, rng.uniform(0, 0.01))
            closed.append(shared[0].pid)
            shared[0], renew = None, False
            gc.collect()
            if not gone(closed[-1]):
                state = dict(children()).get(closed[-1], ("gone",))[0]
                fail("process %d is left %s after its Solver's close() was cut short and the "
                     "Solver dropped%s" % (closed[-1], state, ": its Popen only in subprocess."
                     "_active, reaped at the next Popen's start" if closed[-1] in
                     [p.pid for p in subprocess._active] else ""))
            shared[0] = Solver(limited)
        else:
            cube, expected = rng.choice(REQUESTS)
            got = interrupted(lambda: outcome(shared[0], cube),
                              rng.uniform(0, rng.choice([0.0006, 0.003])))
            renew = got is SolverError
            if got not in (None, Interrupt, SolverError):
                check(cube, expected, got, "the main thread")
        progress["main"] = time.monotonic()
    stop.set()
    for thread in threads:
        thread.join()
    shared.pop().close()
    del progress["main"]
    gc.collect()
    time.sleep(1)  # a program killed at the end takes a moment to become a zombie
    for pid, (state, command) in children():
        fail("process %d (%s) left %s%s" % (pid, command, "unreaped" if state == "Z" else
             "running", ": its Solver's close() was cut short" if pid in closed else ""))
    print("soak: " + ", ".join("%s %d" % item for item in sorted(counts.items())))
    return 1 if counts["failures"] else 0


if __name__ == "__main__":
    sys.exit(main())
