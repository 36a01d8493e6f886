#!/usr/bin/env python3
# soak.py STREAM [--seconds S] [--memory MB] [--seed N]: for S seconds (60), two clients write
# cubes to cubesolver-stream processes of their own and leave, half of the time with answers owed;
# three threads share a Solver of the module, with time-outs; the main thread cuts its own calls
# and the Solver's close() short with a SIGALRM whose handler raises. The programs run under an
# address-space limit (256 MB). Every answer must be the line of tests/data for its cube, no thread
# may stall, and no process may be left, running or unreaped. Prints the counts; status 1, with
# each failure on a line "SOAK FAILURE: ...".
import argparse, faulthandler, gc, os, random, signal, sys, tempfile, threading, time, traceback

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "python"))
from cubesolver import CubeError, Solver, SolverError  # noqa: E402

# The plain requests with their exact lines ("", which the module refuses, left out).
REQUESTS = [line.rstrip("\n").split("\t") for name in ("answers.tsv", "rejected.tsv")
            for line in open(os.path.join(HERE, "data", name)) if not line.startswith("\t")]
STALL = 30  # seconds without progress that make a hang: a plain cube takes milliseconds
# The counts (failures among them), when each thread last made progress, the shared Solver.
counts, progress, shared = {"failures": 0}, {}, []
lock, stop, armed = threading.Lock(), threading.Event(), [False]


# What the SIGALRM handler raises while a call of the main thread is under way.
class Interrupt(Exception):
    pass


def on_alarm(signum, frame):
    if armed[0]:
        raise Interrupt()


def count(name, n=1):
    with lock:
        counts[name] = counts.get(name, 0) + n


def fail(message):
    count("failures")
    print("SOAK FAILURE: " + message, flush=True)


def check(cube, expected, got, where):
    count("answers checked")
    if got != expected:
        fail("%s answered %r to %s, not %r" % (where, got, cube, expected))


# One cube to the shared Solver, a third of the time with a time-out, through cut (the main
# thread's SIGALRM); its line ("Error N" for a CubeError) checked unless the call ended as
# documented without one: a time-out, an Interrupt, or SolverError (returned) when the Solver
# was closed (by the main thread, or by itself after a call cut short).
def solve_one(rng, where, cut=lambda call: call()):
    cube, expected = rng.choice(REQUESTS)
    timeout = rng.choice([None, None, rng.uniform(0, 0.005)])
    count("requests")
    got = None
    try:
        got = cut(lambda: shared[0].solve(cube, timeout=timeout))
    except CubeError as error:
        got = "Error %d" % error.code
    except TimeoutError:
        count("time-outs")
    except SolverError as error:
        if "closed" not in str(error):
            fail("the Solver: %s" % error)
        count("calls on a closed Solver")
        time.sleep(0.01)  # until the main thread has made a new Solver
        return SolverError
    if got not in (None, Interrupt):
        check(cube, expected, got, where)


def stream_client(rng, program):
    # Not subprocess.Popen, whose every start reaps the processes that dropped Popen objects left
    # running: that would hide the processes a Solver leaves behind.
    (child_in, to_child), (from_child, child_out) = os.pipe(), os.pipe()
    pid = os.posix_spawn(program, [program], os.environ, setsigdef=[signal.SIGPIPE], file_actions=[
        (os.POSIX_SPAWN_DUP2, child_in, 0), (os.POSIX_SPAWN_DUP2, child_out, 1)])
    os.close(child_in)
    os.close(child_out)
    batch = [rng.choice(REQUESTS) for _ in range(rng.randint(1, 40))]
    owed = rng.random() < 0.5  # gone with answers owed: status 1 once one cannot be written
    count("requests", len(batch))
    with os.fdopen(to_child, "wb") as stdin, os.fdopen(from_child, "rb") as stdout:
        stdin.write("".join(cube + "\n" for cube, _ in batch).encode())
        stdin.flush()
        lines = [stdout.readline() for _ in range(rng.randint(0, len(batch)))]
        if not owed:  # the other answers, after the end of the input
            stdin.close()
            lines += stdout.readlines()
    status = os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1])
    count("stream processes left with answers owed" if owed else "stream processes")
    if status not in ((0, 1) if owed else (0,)) or not owed and len(lines) != len(batch):
        fail("cubesolver-stream ended with status %d after %d answers to %d cubes (its error "
             "output is above)" % (status, len(lines), len(batch)))
    for (cube, expected), line in zip(batch, lines):
        check(cube, expected, line.decode().rstrip("\n"), "the stream")


# The main thread's work: its own calls, and the shared Solver's close(), both cut short by a
# SIGALRM; a Solver that closed itself after a call cut short is replaced too.
def main_step(rng, program):
    if rng.random() < 0.97 and solve_one(rng, "the main thread", lambda call: interrupted(
            call, rng.uniform(0, rng.choice([0.0006, 0.003])))) is not SolverError:
        return
    count("closes")
    # The new Solver first: no Popen may start between the close and the check, since its start
    # would reap what the close left unreaped.
    old, shared[0] = shared[0], Solver(program)
    interrupted(old.close, rng.uniform(0, 0.01))
    pid, old = old.pid, None
    gc.collect()
    check_gone([pid], "after its Solver's close() was cut short and the Solver dropped")


# Runs a thread's work until the end, noting its progress for the watchdog; an exception it
# raises is a failure, not a thread gone quietly.
def guarded(work, rng, arg):
    name = threading.current_thread().name
    try:
        while not stop.is_set():
            progress[name] = time.monotonic()
            work(rng, arg)
    except Exception:
        fail("%s raised %s" % (name, traceback.format_exc()))
    finally:
        del progress[name]


# call() with a SIGALRM due after seconds: its result, or Interrupt if the handler's exception
# cut it short (or fell just after it returned).
def interrupted(call, seconds):
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


# A failure for each child process of this one (among pids, if given) still there, running or
# unreaped, after 2 s: a Solver dropped by another thread ends its program there. Returns them.
def check_gone(pids, when):
    for _ in range(200):
        left = {}
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/stat" % pid) as stat:
                    state, parent = stat.read().rsplit(")", 1)[1].split()[:2]
            except OSError:
                continue
            if int(parent) == os.getpid() and (pids is None or int(pid) in pids):
                left[int(pid)] = "unreaped" if state == "Z" else "running"
        if not left:
            break
        time.sleep(0.01)
    for pid, state in left.items():
        fail("process %d left %s %s" % (pid, state, when))
    return left


# Ends the soak when a thread has stalled, with every thread's stack.
def watchdog():
    while True:
        time.sleep(1)
        stalled = [name for name, t in list(progress.items()) if time.monotonic() - t > STALL]
        if stalled:
            fail("no progress for %d s in %s; the stacks:" % (STALL, ", ".join(stalled)))
            faulthandler.dump_traceback(sys.stdout)
            for pid in check_gone(None, "with a thread stalled"):
                os.kill(pid, signal.SIGKILL)
            os._exit(1)


parser = argparse.ArgumentParser()
parser.add_argument("stream")
for name, default in (("--seconds", 60), ("--memory", 256), ("--seed", random.randrange(1 << 30))):
    parser.add_argument(name, type=int, default=default)
args = parser.parse_args()
print("soak: %d s, seed %d, %d MB" % (args.seconds, args.seed, args.memory), flush=True)
# The programs run through a script that sets the limit.
limited = os.path.join(tempfile.mkdtemp(), "cubesolver-stream")
with open(limited, "w") as script:
    script.write('#!/bin/sh\nulimit -v %d && exec "%s"\n'
                 % (args.memory << 10, os.path.abspath(args.stream)))
os.chmod(limited, 0o755)
signal.signal(signal.SIGALRM, on_alarm)
rng = random.Random(args.seed)
shared.append(Solver(limited))
jobs = [(solve_one, "a module thread")] * 3 + [(stream_client, limited)] * 2
threads = [threading.Thread(target=guarded, name="%s %d" % (work.__name__, i),
                            args=(work, random.Random(rng.random()), arg))
           for i, (work, arg) in enumerate(jobs)]
threading.Thread(target=watchdog, daemon=True).start()
threading.Timer(args.seconds, stop.set).start()
for thread in threads:
    thread.start()
guarded(main_step, rng, limited)
for thread in threads:
    thread.join()
shared.pop().close()
gc.collect()
check_gone(None, "at the end")
print("soak: " + ", ".join("%s %d" % item for item in sorted(counts.items())))
sys.exit(1 if counts["failures"] else 0)
