"""The MSI as an administrator deploys it, in a scratch Wine prefix: a silent
install, the installed program finding the stand-in host, an upgrade in
place, a refused downgrade, and an uninstall that leaves nothing of ours
(the prefix's files and registry compared before and after).

usage: msi_lifecycle.py SOURCE_DIR STANDIN_EXE   (DISPLAY must be set)
"""
import json
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import time
import uuid
import zipfile

root, standin = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
scratch = pathlib.Path(tempfile.mkdtemp(prefix="skuvane-msi-"))
prefix = scratch / "prefix"
# Wine's menu builder copies Start menu shortcuts into this machine's own
# desktop menus and keeps a note of them in the prefix: not what Windows
# does, and not ours to clean up. It stays off, and the folders a new
# prefix makes for the desktop go into a scratch home, not the user's.
(scratch / "home").mkdir()
env = dict(os.environ, WINEPREFIX=str(prefix), WINEARCH="win64", WINEDEBUG="-all",
           WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d", HOME=str(scratch / "home"))
UPGRADE_CODE = "5D1F7C3A-8E42-4B6D-9A0E-2C7B1F4E6A19"
COMPONENT = "8B3E2F10-6C4D-4A57-B1E9-0F2A7D5C3B61"
UNINSTALL = r"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
failures = []


def check(ok, what):
    print(("ok: " if ok else "FAILED: ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


def win(path):
    """A host path as the Windows programs of the prefix name it."""
    return "Z:" + str(path).replace("/", "\\")


def wine(*args, wait=True):
    run = subprocess.run if wait else subprocess.Popen
    return run(["wine", *map(str, args)], env=env, stdout=subprocess.DEVNULL,
               stderr=subprocess.DEVNULL)


def settle():
    """Every Windows process of the prefix ended and its registry on disk."""
    subprocess.run(["wineserver", "-w"], env=env, timeout=120, check=True)


def build(version):
    """dist.sh's packages of this version, into a folder of their own."""
    out = scratch / version
    run_env = dict(os.environ, VERSION=version, SKUVANE_DIST_DIR=str(out))
    run_env.pop("SIGN_PFX", None)
    subprocess.run(["bash", root / "scripts/dist.sh"], env=run_env, check=True,
                   stdout=subprocess.DEVNULL)
    with zipfile.ZipFile(out / f"Skuvane-{version}-win64.zip") as z:
        return out / f"Skuvane-{version}-x64.msi", z.read("Skuvane.exe")


def packed(guid):
    """A GUID as Windows Installer writes it into key names."""
    h = guid.replace("-", "")
    pairs = [h[i:i + 2][::-1] for i in range(16, 32, 2)]
    return (h[:8][::-1] + h[8:12][::-1] + h[12:16][::-1] + "".join(pairs)).upper()


def registry():
    """Every key and value of the prefix's registry, as 'hive\\key' and
    'hive\\key\\name=value' lines."""
    lines = set()
    for hive in ("system.reg", "user.reg", "userdef.reg"):
        key = None
        text = (prefix / hive).read_text(encoding="utf-8", errors="replace")
        for line in text.replace("\\\n", "").splitlines():
            if line.startswith("["):
                key = hive + "\\" + line[1:line.rindex("]")]
                lines.add(key)
            elif key and line and not line.startswith("#"):
                lines.add(key + "\\" + line)
    return lines


def files():
    drive = prefix / "drive_c"
    return {str(p.relative_to(drive)) + ("/" if p.is_dir() else "") for p in drive.rglob("*")}


def keys(pattern):
    """The machine's registry keys whose path matches pattern: key -> values."""
    found = {}
    for line in registry():
        m = re.match(r"system\.reg\\(" + pattern + r")\\\"(\w+)\"=(.*)", line)
        if m:
            found.setdefault(m[1], {})[m[2]] = m[3]
    return found


def uninstall_entries():
    """The Add or Remove Programs entries named Skuvane: key -> values."""
    entries = keys(re.escape(UNINSTALL) + r"\\\\[^\\]+")
    return {k: v for k, v in entries.items() if v.get("DisplayName") == '"Skuvane"'}


def windows_path(value):
    """A registry text value that names a file of the prefix, as a host path."""
    text = value.strip('"').replace("\\\\", "\\")
    return prefix / "drive_c" / text[3:].replace("\\", "/") if text[1:3] == ":\\" else None


def installed(version, exe):
    """One Skuvane in Program Files, its shortcut and its entry, all of version."""
    folder = prefix / "drive_c/Program Files/Skuvane"
    names = sorted(p.name for p in folder.iterdir()) if folder.is_dir() else []
    check(names == ["README.txt", "Skuvane.exe"],
          f"{version}: Program Files\\Skuvane holds {names}")
    check(names and (folder / "Skuvane.exe").read_bytes() == exe,
          f"{version}: the installed Skuvane.exe is the one of {version}")
    links = [p for p in (prefix / "drive_c").rglob("Skuvane.lnk") if "Start Menu" in str(p)]
    check(len(links) == 1 and b"Skuvane.exe" in links[0].read_bytes().replace(b"\0", b""),
          f"{version}: one Start menu shortcut to Skuvane.exe: {[str(p.name) for p in links]}")
    entries = uninstall_entries()
    if not check(len(entries) == 1,
                 f"{version}: one Add or Remove Programs entry: {list(entries)}"):
        return
    values = next(iter(entries.values()))
    for name, want in (("DisplayVersion", f'"{version}"'), ("Publisher", '"Skuvane"')):
        check(values.get(name) == want, f"{version}: the entry's {name} is {values.get(name)}")
    shown = values.get("DisplayIcon", "").strip('"').rsplit(",", 1)[0]
    check(windows_path(shown) == folder / "Skuvane.exe",
          f"{version}: the entry shows the installed exe's icon: {shown}")
    # Windows Installer keeps the package's icon in the product's key too.
    product = next(iter(entries)).rsplit("\\", 1)[1].strip("{}")
    icon = keys(r"Software\\\\Classes\\\\Installer\\\\Products\\\\" + packed(product))
    path = next(iter(icon.values()), {}).get("ProductIcon", "")
    want = (root / "build/win/app/skuvane.ico").read_bytes()
    check(windows_path(path) and windows_path(path).read_bytes() == want,
          f"{version}: the entry's icon is the program's: {path}")


def runs_with_host():
    """The installed exe starts, finds the running stand-in and reads its
    databases; its window opens, and closes when asked."""
    log = scratch / "calls.log"
    scenario = scratch / "scenario.json"
    scenario.write_text(json.dumps({"log": win(log)}))
    wine(standin, "/RegServer")
    host = wine(standin, "/app", "/scenario", win(scenario), wait=False)
    shown = lambda title: f'"{title}"' in subprocess.run(
        ["xwininfo", "-root", "-tree"], capture_output=True, text=True).stdout
    wait_for(lambda: shown("Vantora (stand-in)"))
    time.sleep(1)  # its window shows before it enters the Running Object Table
    app = wine(prefix / "drive_c/Program Files/Skuvane/Skuvane.exe", wait=False)
    read = lambda: log.exists() and "ProductDatabases.Count()" in log.read_text("utf-8")
    check(wait_for(lambda: read() and shown("Skuvane")),
          "the installed Skuvane found the stand-in and opened its window")
    wine("taskkill", "/im", "Skuvane.exe")  # a close, as the close box does
    check(app.wait(timeout=60) == 0, "the installed Skuvane ended when closed")
    wine("taskkill", "/im", "VantoraStandIn.exe")
    host.wait(timeout=60)
    wine(standin, "/UnregServer")


def wait_for(condition, seconds=60):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(0.5)
    return False


def main():
    old_msi, old_exe = build("1.00")
    new_msi, new_exe = build("1.01")
    subprocess.run(["wineboot", "--init"], env=env, capture_output=True, check=True)
    settle()
    files_before, registry_before = files(), registry()

    check(wine("msiexec", "/i", old_msi, "/qn").returncode == 0, "1.00 installs silently")
    settle()
    installed("1.00", old_exe)
    runs_with_host()
    settle()

    check(wine("msiexec", "/i", new_msi, "/qn").returncode == 0, "1.01 installs over 1.00")
    settle()
    installed("1.01", new_exe)

    log = scratch / "downgrade.log"
    refused = wine("msiexec", "/i", old_msi, "/qn", "/l*", win(log)).returncode
    settle()
    # ERROR_INSTALL_FAILURE, 1603, of which a Unix exit status keeps the low byte.
    check(refused == 1603 % 256, f"1.00 over 1.01 is refused: exit code {refused}")
    check("WIX_DOWNGRADE_DETECTED = {" in log.read_text(errors="replace"),
          "the refusal is the package's downgrade rule")
    installed("1.01", new_exe)

    check(wine("msiexec", "/x", new_msi, "/qn").returncode == 0, "1.01 uninstalls silently")
    settle()
    ours = re.compile("|".join(["skuvane", UPGRADE_CODE, COMPONENT, packed(UPGRADE_CODE),
                                packed(COMPONENT)] +
                               [str(uuid.uuid5(uuid.UUID(UPGRADE_CODE), f"Skuvane {v}"))
                                for v in ("1.00", "1.01")] +
                               [packed(str(uuid.uuid5(uuid.UUID(UPGRADE_CODE), f"Skuvane {v}")))
                                for v in ("1.00", "1.01")]), re.IGNORECASE)
    left = sorted(files() - files_before) + sorted(registry() - registry_before)
    print("added to the prefix between the snapshots:", *left, sep="\n  ")
    check(not [item for item in left if ours.search(item)],
          "the uninstall left no file, folder, shortcut or registry key of ours")


try:
    main()
finally:
    subprocess.run(["wineserver", "-k"], env=env, capture_output=True)
    shutil.rmtree(scratch, ignore_errors=True)
print(f"msi_lifecycle: {len(failures)} failed")
sys.exit(1 if failures else 0)
