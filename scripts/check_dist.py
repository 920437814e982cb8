"""Checks what dist.sh built. The zip holds Skuvane.exe and README.txt, the
exe needs no DLL beside it and its version resource names it and reads the
version; the MSI installs that exe and README per machine, with the version,
the exe's publisher, the fixed upgrade code and a Start menu shortcut; the
SHA-256 file beside them lists both.

usage: check_dist.py ZIP MSI VERSION  check the zip and the package
       check_dist.py --version EXE    print the exe's file version text
       check_dist.py --company EXE    print the exe's publisher (CompanyName)
"""
import hashlib
import pathlib
import struct
import subprocess
import sys
import tempfile
import zipfile

UPGRADE_CODE = "{5D1F7C3A-8E42-4B6D-9A0E-2C7B1F4E6A19}"
DOWNGRADE_MESSAGE = ("A newer version of Skuvane is already installed. "
                     "Uninstall it first to install this one.")
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


def msi_table(msi, table):
    """The rows of an MSI table, as lists of fields (msiinfo's export)."""
    text = subprocess.run(["msiinfo", "export", str(msi), table],
                          capture_output=True, text=True, check=True).stdout
    return [line.split("\t") for line in text.splitlines()[3:]]


def check_exe(exe, version, problems):
    major, minor = (int(part) for part in version.split("."))
    fixed, strings = version_info(exe)
    if fixed != (major, minor, 0, 0):
        problems.append(f"fixed file version {fixed}, not {(major, minor, 0, 0)}")
    for key, want in (("FileVersion", version), ("ProductVersion", version),
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
    if not strings.get("CompanyName"):
        problems.append("the exe names no publisher (CompanyName)")
    return strings.get("CompanyName")


def check_msi(msi, version, publisher, problems):
    props = dict(row[:2] for row in msi_table(msi, "Property"))
    for key, want in (("ProductName", "Skuvane"), ("ProductVersion", version),
                      ("Manufacturer", publisher), ("UpgradeCode", UPGRADE_CODE),
                      ("ALLUSERS", "1"), ("ARPPRODUCTICON", "Skuvane.ico")):
        if props.get(key) != want:
            problems.append(f"the MSI's {key} is {props.get(key)!r}, not {want!r}")
    files = sorted(row[2] for row in msi_table(msi, "File"))
    if files != ["README.txt", "Skuvane.exe"]:
        problems.append(f"the MSI installs {files}, not Skuvane.exe and README.txt")
    dirs = {row[0]: row[2] for row in msi_table(msi, "Directory")}
    if dirs.get("INSTALLDIR") != "Skuvane":
        problems.append(f"the MSI installs into {dirs.get('INSTALLDIR')!r}, not Skuvane")
    conditions = msi_table(msi, "LaunchCondition")
    if [c for c in conditions if c[0] == "NOT WIX_DOWNGRADE_DETECTED"] != [
            ["NOT WIX_DOWNGRADE_DETECTED", DOWNGRADE_MESSAGE]]:
        problems.append(f"the MSI does not refuse a downgrade with its message: {conditions}")
    shortcuts = [(row[1], row[2]) for row in msi_table(msi, "Shortcut")]
    if shortcuts != [("ProgramMenuFolder", "Skuvane")]:
        problems.append(f"the MSI's shortcuts are {shortcuts}, not Skuvane in the Start menu")


def main():
    if sys.argv[1] in ("--version", "--company"):
        key = "FileVersion" if sys.argv[1] == "--version" else "CompanyName"
        print(version_info(pathlib.Path(sys.argv[2]).read_bytes())[1][key])
        return
    zip_path, msi, version = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]), sys.argv[3]
    problems = []
    with zipfile.ZipFile(zip_path) as z:
        names = z.namelist()
        if names != ["Skuvane.exe", "README.txt"]:
            problems.append(f"the zip holds {names}, not Skuvane.exe and README.txt")
        exe = z.read("Skuvane.exe") if "Skuvane.exe" in names else b""
    publisher = check_exe(exe, version, problems) if exe else None
    check_msi(msi, version, publisher, problems)
    sums = zip_path.with_name(f"Skuvane-{version}.sha256")
    want = [(hashlib.sha256(p.read_bytes()).hexdigest(), p.name) for p in (zip_path, msi)]
    got = [tuple(line.split()) for line in sums.read_text().splitlines()] if sums.exists() else []
    if got != want:
        problems.append(f"{sums.name} does not list the SHA-256 of the zip and the MSI")
    for p in problems:
        print(f"check_dist: {p}", file=sys.stderr)
    sys.exit(1 if problems else 0)


main()
