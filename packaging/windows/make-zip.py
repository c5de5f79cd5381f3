#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes a .zip archive that is the same bytes for the same files whatever
the folder, time, time zone, umask or file system of the build: members in
byte order of their names, all under one folder, each with the given time
stamp and a fixed mode, deflated at level 9. Text members (--text) get
Windows line ends (CRLF).

Usage: make-zip.py --epoch SECONDS --folder NAME OUTPUT.zip
                   [--text] NAME=FILE [[--text] NAME=FILE ...]
"""
import sys
import time
import zipfile


def main(argv):
    epoch = folder = output = None
    members = {}
    text = False
    args = iter(argv[1:])
    for arg in args:
        if arg == "--epoch":
            epoch = int(next(args))
        elif arg == "--folder":
            folder = next(args)
        elif arg == "--text":
            text = True
        elif output is None:
            output = arg
        else:
            name, _, path = arg.partition("=")
            if not name or not path or name in members:
                sys.exit(f"make-zip: bad or repeated member {arg!r}\n{__doc__}")
            members[name] = (path, text)
            text = False
    if epoch is None or folder is None or output is None or not members:
        sys.exit(__doc__)
    # A zip time is a local date and time of 1980 to 2107 with even seconds;
    # the UTC date of the epoch is written, as a fixed value, not the
    # build's local time.
    stamp = time.gmtime(max(epoch, 315532800))[:6]

    with zipfile.ZipFile(output, "w") as archive:
        for name in sorted(members):
            path, is_text = members[name]
            with open(path, "rb") as f:
                data = f.read()
            if is_text:
                data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
            info = zipfile.ZipInfo(f"{folder}/{name}", date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            # Made on "Unix" with mode 0644 (0755 for programs), the same
            # on every build machine.
            info.create_system = 3
            mode = 0o755 if name.endswith(".exe") else 0o644
            info.external_attr = (0o100000 | mode) << 16
            archive.writestr(info, data, compresslevel=9)


if __name__ == "__main__":
    main(sys.argv)
