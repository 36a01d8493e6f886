#!/usr/bin/env python3
"""make-wheel.py MODULE VERSION OUTPUT: writes OUTPUT, a pure-Python wheel of the module MODULE
(a single .py file) at VERSION, that `pip install --no-index OUTPUT` installs offline into a
virtual environment or another interpreter than the system's.

A wheel is a zip archive of the module and its NAME-VERSION.dist-info/ directory (METADATA,
WHEEL and RECORD, the last listing each file's SHA-256 and size). Written with the standard
library alone, so that a build needs neither pip nor setuptools; the same inputs give the same
bytes (fixed dates and permissions), as the rest of the packages do.

Example: tools/make-wheel.py python/cubesolver.py 1.0 build/cubesolver-1.0-py3-none-any.whl
"""
import base64
import hashlib
import os
import sys
import zipfile

SUMMARY = "Solving Rubik's cubes from Python with the cubesolver-stream program"
# What the wheel does not hold: the module runs the installed program.
DESCRIPTION = """The module of the cubesolver package, for a virtual environment or another
interpreter than the system's python3. It runs cubesolver-stream, which the cubesolver package
installs in /usr/bin: install that package first.
"""


def record_line(name, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return "%s,sha256=%s,%d\n" % (name, digest, len(data))


def main(module, version, output):
    name = os.path.splitext(os.path.basename(module))[0]
    with open(module, "rb") as f:
        source = f.read()
    info = "%s-%s.dist-info" % (name, version)
    files = [
        (os.path.basename(module), source),
        (info + "/METADATA", ("Metadata-Version: 2.1\nName: %s\nVersion: %s\nSummary: %s\n"
                              "Requires-Python: >=3.5\n\n%s" % (name, version, SUMMARY,
                                                                DESCRIPTION)).encode()),
        (info + "/WHEEL", b"Wheel-Version: 1.0\nGenerator: cubesolver make-wheel.py\n"
                          b"Root-Is-Purelib: true\nTag: py3-none-any\n"),
    ]
    record = "".join(record_line(n, data) for n, data in files) + info + "/RECORD,,\n"
    files.append((info + "/RECORD", record.encode()))
    partial = output + ".tmp"
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as wheel:
        for n, data in files:
            entry = zipfile.ZipInfo(n, date_time=(1980, 1, 1, 0, 0, 0))
            entry.external_attr = 0o644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            wheel.writestr(entry, data)
    os.replace(partial, output)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__.split("\n\n")[0])
    main(*sys.argv[1:])
