"""The module stays within Python 3.5 (ev3dev's python3), as far as this interpreter can tell."""

import ast
import os
import sys
import unittest

# What the standard library gained after 3.5, among what a module like this one reaches for,
# by the module (None: methods of any object). The module reaches such a name with getattr and a
# fallback, which this check lets pass.
NEWER = {
    "os": {"fspath", "PathLike", "register_at_fork", "waitstatus_to_exitcode", "pidfd_open",
           "posix_spawn", "memfd_create", "process_cpu_count"},
    "time": {"time_ns", "monotonic_ns", "perf_counter_ns", "process_time_ns", "thread_time",
             "thread_time_ns", "clock_gettime_ns"},
    "threading": {"get_native_id", "excepthook", "gettrace", "getprofile"},
    "signal": {"valid_signals", "raise_signal", "strsignal", "pidfd_send_signal"},
    "re": {"Match", "Pattern", "NOFLAG"},
    "contextlib": {"nullcontext", "asynccontextmanager", "chdir"},
    None: {"removeprefix", "removesuffix", "isascii", "bit_count"},
}
NEWER_BUILTINS = {"breakpoint", "ModuleNotFoundError", "aiter", "anext", "ExceptionGroup"}
# Keywords of subprocess's functions and of namedtuple that came after 3.5.
NEWER_KEYWORDS = {"subprocess": {"capture_output", "text", "encoding", "errors", "process_group",
                                 "pipesize", "user", "group", "extra_groups", "umask"},
                  "collections": {"defaults", "module"}}


def newer_than_3_5(source):
    """What in the source Python 3.5 lacks, among what the tables above and the parser know."""
    found = []
    if sys.version_info >= (3, 8):
        try:
            ast.parse(source, feature_version=(3, 5))
        except SyntaxError as error:
            found.append(error.msg)
    for node in ast.walk(ast.parse(source)):
        if isinstance(node, ast.Attribute):
            owner = getattr(node.value, "id", None)
            if node.attr in NEWER.get(owner, set()) | NEWER[None]:
                found.append("%s.%s" % (owner, node.attr))
        elif isinstance(node, ast.Name) and node.id in NEWER_BUILTINS:
            found.append(node.id)
        elif isinstance(node, ast.Call) and isinstance(node.func, ast.Attribute):
            newer = NEWER_KEYWORDS.get(getattr(node.func.value, "id", None), set())
            found += ["%s=" % k.arg for k in node.keywords if k.arg in newer]
    return found


class CompatibilityTest(unittest.TestCase):
    def test_the_check_finds_what_python_3_5_lacks(self):
        self.assertEqual(sorted(newer_than_3_5("os.fspath(p)\nsubprocess.run(a, text=True)")),
                         ["os.fspath", "text="])
        self.assertEqual(newer_than_3_5("getattr(os, 'fspath', str)(p)"), [])

    def test_the_module_needs_nothing_newer_than_python_3_5(self):
        module = os.path.join(os.path.dirname(__file__), "..", "..", "python", "cubesolver.py")
        with open(module) as f:
            self.assertEqual(newer_than_3_5(f.read()), [])


if __name__ == "__main__":
    unittest.main()
