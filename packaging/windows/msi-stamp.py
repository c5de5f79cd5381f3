#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Gives a Windows Installer package that wixl wrote the same bytes for the
same sources and time stamp: wixl takes the package code at random, the
summary's times from the clock and the cabinet's file times from the files.
In place, without moving a byte of anything else, this sets
  - the summary's creation and last-saved times to the given time stamp;
  - every embedded cabinet's file dates to that time stamp's UTC date and
    time (a cabinet's times carry no time zone; the .zip's are the same);
  - the package code (the summary's revision number) to a name-based UUID
    of the package's bytes with those times in place: another package, of
    another version or another build of the program, gets another code, and
    the same package the same one.
Usage: msi-stamp.py --epoch SECONDS PACKAGE.msi

A package is an OLE compound file: a FAT file system of 512-byte (or
4096-byte) sectors holding one stream per table, the summary information
stream "\\x05SummaryInformation" (a property set) and the cabinet holding
the files. Streams under 4096 bytes live in 64-byte sectors of the "mini
stream", itself a stream of the root entry.
"""
import hashlib
import struct
import sys
import time
import uuid

SIGNATURE = b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1"
END_OF_CHAIN = 0xFFFFFFFE
SUMMARY = "\x05SummaryInformation"
# Summary properties: the revision number (the package code, a string) and
# the two times (FILETIME: 100 ns units since 1601-01-01 UTC).
PID_REVNUMBER, PID_CREATE_DTM, PID_LASTSAVE_DTM = 9, 12, 13
VT_LPSTR, VT_FILETIME = 30, 64
FILETIME_1970 = 116444736000000000
PLACEHOLDER = b"{00000000-0000-0000-0000-000000000000}"


def fail(message):
    sys.exit(f"msi-stamp: {message}")


class CompoundFile:
    """The streams of a compound file, each as the spans of the file that
    hold its bytes, so that a stream can be rewritten where it is."""

    def __init__(self, data):
        if data[:8] != SIGNATURE:
            fail("not an OLE compound file (no .msi)")
        self.data = data
        major = self.u16(0x1A)
        self.sector = 1 << self.u16(0x1E)
        self.mini_sector = 1 << self.u16(0x20)
        fat_sectors = self.u32(0x2C)
        directory_start = self.u32(0x30)
        self.cutoff = self.u32(0x38)
        mini_fat_start = self.u32(0x3C)
        difat_next, difat_count = self.u32(0x44), self.u32(0x48)

        # The sectors of the FAT: 109 in the header, the rest in a chain of
        # DIFAT sectors whose last entry points to the next.
        difat = list(struct.unpack_from("<109I", data, 0x4C))
        per_sector = self.sector // 4
        for _ in range(difat_count):
            entries = struct.unpack_from(f"<{per_sector}I", data, self.offset(difat_next))
            difat.extend(entries[:-1])
            difat_next = entries[-1]
        self.fat = []
        for s in difat[:fat_sectors]:
            self.fat.extend(struct.unpack_from(f"<{per_sector}I", data, self.offset(s)))

        directory = self.read(self.spans(self.chain(directory_start, self.fat), None))
        self.entries = []
        for at in range(0, len(directory), 128):
            entry = directory[at : at + 128]
            name_bytes = struct.unpack_from("<H", entry, 0x40)[0]
            kind = entry[0x42]
            start = struct.unpack_from("<I", entry, 0x74)[0]
            size = struct.unpack_from("<Q", entry, 0x78)[0]
            if major == 3:
                size &= 0xFFFFFFFF  # version 3 keeps only 32 bits
            name = entry[: max(name_bytes - 2, 0)].decode("utf-16-le", "replace")
            self.entries.append((name, kind, start, size))
        if not self.entries or self.entries[0][1] != 5:
            fail("the compound file has no root entry")
        _, _, root_start, root_size = self.entries[0]
        self.mini_stream = self.spans(self.chain(root_start, self.fat), root_size)
        mini_fat = self.read(self.spans(self.chain(mini_fat_start, self.fat), None))
        self.mini_fat = list(struct.unpack(f"<{len(mini_fat) // 4}I", mini_fat))

    def u16(self, at):
        return struct.unpack_from("<H", self.data, at)[0]

    def u32(self, at):
        return struct.unpack_from("<I", self.data, at)[0]

    def offset(self, sector):
        return (sector + 1) * self.sector

    @staticmethod
    def chain(start, table):
        sectors = []
        while start != END_OF_CHAIN:
            if start >= len(table) or len(sectors) > len(table):
                fail("a broken sector chain")
            sectors.append(start)
            start = table[start]
        return sectors

    def spans(self, sectors, size):
        """(file offset, length) of each sector, the last cut to size."""
        spans = [(self.offset(s), self.sector) for s in sectors]
        return self.cut(spans, size)

    @staticmethod
    def cut(spans, size):
        if size is None:
            return spans
        out = []
        for at, length in spans:
            if size <= 0:
                break
            out.append((at, min(length, size)))
            size -= length
        if size > 0:
            fail("a stream is longer than its sectors")
        return out

    def stream_spans(self, start, size):
        if size >= self.cutoff:
            return self.spans(self.chain(start, self.fat), size)
        # A small stream: mini sectors, each inside one sector of the mini
        # stream (a sector holds a whole number of them).
        spans = []
        for m in self.chain(start, self.mini_fat):
            position = m * self.mini_sector
            at, length = self.mini_stream[position // self.sector]
            if position % self.sector + self.mini_sector > length:
                fail("a mini sector past the end of the mini stream")
            spans.append((at + position % self.sector, self.mini_sector))
        return self.cut(spans, size)

    def read(self, spans):
        return bytearray(b"".join(self.data[at : at + length] for at, length in spans))

    def write(self, spans, stream):
        k = 0
        for at, length in spans:
            self.data[at : at + length] = stream[k : k + length]
            k += length

    def streams(self):
        """(name, spans) of every stream."""
        for name, kind, start, size in self.entries:
            if kind == 2:
                yield name, self.stream_spans(start, size)


def stamp_summary(stream, filetime):
    """Sets the two times; returns the offset of the package code's text."""
    if struct.unpack_from("<H", stream, 0)[0] != 0xFFFE:
        fail("the summary information is no property set")
    section = struct.unpack_from("<I", stream, 44)[0]
    count = struct.unpack_from("<I", stream, section + 4)[0]
    found = {}
    for k in range(count):
        pid, at = struct.unpack_from("<II", stream, section + 8 + 8 * k)
        at += section
        kind = struct.unpack_from("<I", stream, at)[0]
        if pid in (PID_CREATE_DTM, PID_LASTSAVE_DTM) and kind == VT_FILETIME:
            struct.pack_into("<Q", stream, at + 4, filetime)
            found[pid] = at
        elif pid == PID_REVNUMBER and kind == VT_LPSTR:
            length = struct.unpack_from("<I", stream, at + 4)[0]
            if length != len(PLACEHOLDER) + 1:
                fail(f"the package code is {length - 1} characters long, not a GUID's 38")
            found[pid] = at + 8
    for pid in (PID_REVNUMBER, PID_CREATE_DTM, PID_LASTSAVE_DTM):
        if pid not in found:
            fail(f"the summary information has no property {pid}")
    return found[PID_REVNUMBER]


def stamp_cabinet(stream, date, dos_time):
    """Sets the date and time of every file in a cabinet (CFFILE entries:
    size, offset, folder, date, time, attributes, name)."""
    coff_files = struct.unpack_from("<I", stream, 16)[0]
    files = struct.unpack_from("<H", stream, 28)[0]
    at = coff_files
    for _ in range(files):
        struct.pack_into("<HH", stream, at + 10, date, dos_time)
        end = stream.index(b"\0", at + 16)
        at = end + 1


def main(argv):
    if len(argv) != 4 or argv[1] != "--epoch":
        sys.exit(__doc__)
    epoch = int(argv[2])
    path = argv[3]
    with open(path, "rb") as f:
        data = bytearray(f.read())
    package = CompoundFile(data)

    filetime = FILETIME_1970 + epoch * 10_000_000
    # A cabinet's date counts years from 1980.
    t = time.gmtime(max(epoch, 315532800))
    date = (t.tm_year - 1980) << 9 | t.tm_mon << 5 | t.tm_mday
    dos_time = t.tm_hour << 11 | t.tm_min << 5 | t.tm_sec // 2

    summary = None
    cabinets = 0
    for name, spans in package.streams():
        stream = package.read(spans)
        if name == SUMMARY:
            code_at = stamp_summary(stream, filetime)
            stream[code_at : code_at + len(PLACEHOLDER)] = PLACEHOLDER
            summary = (spans, stream, code_at)
        elif stream[:4] == b"MSCF":
            stamp_cabinet(stream, date, dos_time)
            cabinets += 1
        else:
            continue
        package.write(spans, stream)
    if summary is None:
        fail("the package has no summary information")
    if cabinets == 0:
        fail("the package holds no cabinet")

    # The package code from the bytes with the times set and a fixed
    # placeholder for the code itself.
    spans, stream, code_at = summary
    digest = hashlib.sha1(data).digest()
    code = "{%s}" % str(uuid.UUID(bytes=digest[:16], version=5)).upper()
    stream[code_at : code_at + len(PLACEHOLDER)] = code.encode("ascii")
    package.write(spans, stream)
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main(sys.argv)
