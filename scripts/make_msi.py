"""Builds the Windows Installer package from packaging/skuvane.wxs with wixl,
then makes what wixl draws at random or from the clock depend on the content:
the summary's dates become SOURCE_DATE_EPOCH, and the package code a UUID
taken from the SHA-256 of the finished package with that code zeroed. So the
same inputs give the same bytes, and any other content another package code.

usage: make_msi.py STAGE VERSION PUBLISHER OUT.msi
  STAGE holds Skuvane.exe, README.txt and Skuvane.ico. Runs under Debian's python3, which
  has olefile (python3-olefile) to rewrite the summary in place.
"""
import hashlib
import os
import pathlib
import struct
import subprocess
import sys
import uuid

import olefile

WXS = pathlib.Path(__file__).resolve().parent.parent / "packaging" / "skuvane.wxs"
UPGRADE_CODE = uuid.UUID("5D1F7C3A-8E42-4B6D-9A0E-2C7B1F4E6A19")  # as in the .wxs
SUMMARY = "\x05SummaryInformation"
PID_REVISION, PID_CREATED, PID_SAVED = 9, 12, 13
VT_LPSTR, VT_FILETIME = 30, 64


def properties(summary: bytes):
    """Offset of each property's value in the summary stream, by id."""
    section = struct.unpack_from("<I", summary, 44)[0]
    count = struct.unpack_from("<I", summary, section + 4)[0]
    found = {}
    for i in range(count):
        pid, at = struct.unpack_from("<II", summary, section + 8 + 8 * i)
        found[pid] = (struct.unpack_from("<I", summary, section + at)[0], section + at + 4)
    return found


def restamp(msi: pathlib.Path, epoch: int, code: uuid.UUID):
    with olefile.OleFileIO(str(msi), write_mode=True) as ole:
        data = bytearray(ole.openstream(SUMMARY).read())
        props = properties(bytes(data))
        filetime = (epoch + 11644473600) * 10**7  # 100 ns units since 1601
        for pid in (PID_CREATED, PID_SAVED):
            kind, at = props[pid]
            assert kind == VT_FILETIME, f"summary property {pid} is of type {kind}"
            struct.pack_into("<Q", data, at, filetime)
        kind, at = props[PID_REVISION]
        text = ("{%s}" % str(code).upper()).encode("ascii") + b"\0"
        assert kind == VT_LPSTR and struct.unpack_from("<I", data, at)[0] == len(text)
        data[at + 4:at + 4 + len(text)] = text
        ole.write_stream(SUMMARY, bytes(data))


def main():
    stage, version, publisher, out = sys.argv[1:5]
    out = pathlib.Path(out).resolve()
    epoch = int(os.environ["SOURCE_DATE_EPOCH"])
    # One product code a version: a later version replaces an earlier one.
    product = uuid.uuid5(UPGRADE_CODE, f"Skuvane {version}")
    # wixl dates the cabinet's files by their times in the local zone.
    env = dict(os.environ, TZ="UTC")
    for f in pathlib.Path(stage).iterdir():
        os.utime(f, (epoch, epoch))
    subprocess.run(["wixl", "-a", "x64", "-o", str(out),
                    "-D", f"Version={version}", "-D", f"ProductCode={product}",
                    "-D", f"Publisher={publisher}", str(WXS)],
                   cwd=stage, env=env, check=True)
    restamp(out, epoch, uuid.UUID(int=0))
    restamp(out, epoch, uuid.UUID(bytes=hashlib.sha256(out.read_bytes()).digest()[:16], version=4))


main()
