"""Writes build/clang-win/compile_commands.json: the Windows build's own
translation units as Debian's clang compiles them for MinGW-w64, with
MinGW's C++ headers as system folders. clang-tidy and the syntax-only pass
of scripts/lint.sh read it.

usage: clang_win_db.py ROOT
"""
import json
import pathlib
import shlex
import sys

MINGW_CXX = "/usr/lib/gcc/x86_64-w64-mingw32/12-posix/include/c++"

root = pathlib.Path(sys.argv[1])
entries = []
for e in json.loads((root / "build/win/compile_commands.json").read_text()):
    src = pathlib.Path(e["file"])
    if root not in src.parents or (root / "build") in src.parents:
        continue  # GoogleTest's sources are not ours to check
    args = shlex.split(e["command"]) if "command" in e else e["arguments"]
    # CMake passes the Windows build's include folders in response files.
    expanded = []
    for a in args[1:]:
        if a.startswith("@"):
            expanded += shlex.split((pathlib.Path(e["directory"]) / a[1:]).read_text())
        else:
            expanded.append(a)
    flags, it = [], iter(expanded)
    for a in it:
        if a in ("-I", "-isystem", "-D"):
            flags += [a, next(it)]
        elif a.startswith(("-I", "-D", "-isystem", "-Wno-")):
            flags.append(a)
    entries.append({
        "directory": e["directory"],
        "file": str(src),
        "arguments": ["clang++", "--target=x86_64-w64-mingw32", "-std=c++20", "-Wall", "-Wextra",
                      "-isystem", MINGW_CXX, "-isystem", MINGW_CXX + "/x86_64-w64-mingw32",
                      *flags, "-c", str(src)],
    })
out = root / "build/clang-win"
out.mkdir(parents=True, exist_ok=True)
(out / "compile_commands.json").write_text(json.dumps(entries, indent=1))
