"""Checks the zip a user takes: it holds Skuvane.exe and README.txt, the exe
needs no DLL beside it, its version resource names it and reads 1.00, and the SHA-256
file beside the zip matches.

usage: check_dist.py ZIP          check the zip
       check_dist.py --version EXE  print the exe's file version text
"""
import hashlib
import pathlib
import struct
import subprocess
import sys
import tempfile
import zipfile

VERSION = "1.00"
FIXED_VERSION = (1, 0, 0, 0)
# The MinGW runtime: what a static link leaves out.
RUNTIME_DLLS = ("libstdc++", "libgcc", "libwinpthread")


def version_info(exe: bytes):
    """The fixed file version and the strings of the exe's VS_VERSIONINFO."""
    start = exe.find("VS_VERSION_INFO\0".encode("utf-16-le")) - 6
    if start < 0:
        raise SystemExit("check_dist: the exe has no version resource")
    strings, fixed = {}, None

    def node(at, depth):
        nonlocal fixed
        length, value_length, kind = struct.unpack_from("<HHH", exe, at)
        end, p = at + length, at + 6
        key_end = p
        while exe[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = exe[p:key_end].decode("utf-16-le")
        p = (key_end + 2 + 3) & ~3
        if depth == 0:
            fixed = struct.unpack_from("<IIIII", exe, p)
        if depth == 2 and key == "040904B0":  # US English, Unicode: what Explorer shows
            strings["table"] = key
        if depth == 3:  # a string of a string table
            strings[key] = exe[p:p + 2 * value_length].decode("utf-16-le").rstrip("\0")
        p = (p + (2 * value_length if kind == 1 else value_length) + 3) & ~3
        while p < end:
            p = (node(p, depth + 1) + 3) & ~3
        return end

    node(start, 0)
    signature, _, ms, ls, _ = fixed
    if signature != 0xFEEF04BD:
        raise SystemExit("check_dist: the version resource has no fixed file info")
    return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF), strings


def main():
    if sys.argv[1] == "--version":
        print(version_info(pathlib.Path(sys.argv[2]).read_bytes())[1]["FileVersion"])
        return
    path = pathlib.Path(sys.argv[1])
    problems = []
    with zipfile.ZipFile(path) as z:
        names = sorted(z.namelist())
        if names != ["README.txt", "Skuvane.exe"]:
            problems.append(f"the zip holds {names}, not Skuvane.exe and README.txt")
        exe = z.read("Skuvane.exe") if "Skuvane.exe" in names else b""
    if exe:
        fixed, strings = version_info(exe)
        if fixed != FIXED_VERSION:
            problems.append(f"fixed file version {fixed}, not {FIXED_VERSION}")
        for key, want in (("FileVersion", VERSION), ("ProductVersion", VERSION),
                          ("ProductName", "Skuvane"), ("FileDescription", "Skuvane"),
                          ("OriginalFilename", "Skuvane.exe"), ("table", "040904B0")):
            if strings.get(key) != want:
                problems.append(f"{key} reads {strings.get(key)!r}, not {want!r}")
        with tempfile.NamedTemporaryFile(suffix=".exe") as f:
            f.write(exe)
            f.flush()
            dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", f.name],
                                  capture_output=True, text=True, check=True).stdout
        dlls = [line.split(":", 1)[1].strip() for line in dump.splitlines() if "DLL Name:" in line]
        needed = [d for d in dlls if d.lower().startswith(RUNTIME_DLLS)]
        if needed:
            problems.append(f"the exe needs {needed} beside it")
    sums = path.with_name(path.name + ".sha256")
    digest = hashlib.sha256(path.read_bytes()).hexdigest()
    if not sums.exists() or sums.read_text().split() != [digest, path.name]:
        problems.append(f"{sums.name} does not hold the zip's SHA-256")
    for p in problems:
        print(f"check_dist: {p}", file=sys.stderr)
    sys.exit(1 if problems else 0)


main()
