#!/usr/bin/env bash
# Static checks, quiet when clean; ends with "lint: N findings".
# - clang-format: every C++ file is formatted.
# - clang-tidy (.clang-tidy): the portable core from the native build, the
#   Windows-only code as clang compiles it for MinGW-w64.
# - a second compiler: clang for MinGW-w64, syntax only, warnings as errors,
#   over every translation unit of the Windows build.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/build.sh || exit 1
python3 scripts/clang_win_db.py "$root" || exit 1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
jobs=$(nproc)

git ls-files -co --exclude-standard -- '*.cpp' '*.h' |
  xargs clang-format --dry-run 2>"$out/format" >/dev/null

# The translation units of each compile database that are this project's.
units() {  # database [exclude-list]
  python3 - "$@" <<'PY'
import json, pathlib, sys
root = pathlib.Path.cwd()
skip = set(pathlib.Path(sys.argv[2]).read_text().split()) if len(sys.argv) > 2 else set()
files = {e["file"] for e in json.loads(pathlib.Path(sys.argv[1]).read_text())}
for f in sorted(files - skip):
    p = pathlib.Path(f)
    if root in p.parents and root / "build" not in p.parents:
        print(f)
PY
}
units build/native/compile_commands.json >"$out/native"
# Files both builds compile are checked once, natively.
units build/clang-win/compile_commands.json "$out/native" >"$out/win"
tidy() { xargs -P "$jobs" -n 1 clang-tidy --quiet -p "$1" 2>/dev/null; }
{ tidy build/native <"$out/native"; tidy build/clang-win <"$out/win"; } |
  grep -E '(warning|error):' | sort -u >"$out/tidy"

python3 - build/clang-win/compile_commands.json "$jobs" >"$out/compile" <<'PY'
import json, subprocess, sys
from concurrent.futures import ThreadPoolExecutor
def check(e):
    args = [a for a in e["arguments"] if a != "-c"]
    args += ["-fsyntax-only", "-Wpedantic", "-Wshadow", "-Werror"]
    return subprocess.run(args, cwd=e["directory"], capture_output=True, text=True).stderr
with ThreadPoolExecutor(int(sys.argv[2])) as pool:
    for err in pool.map(check, json.load(open(sys.argv[1]))):
        sys.stdout.write(err)
PY

for part in format tidy compile; do
  grep -E '(warning|error):' "$out/$part" | sed "s|^$root/||" | sort -u
done >"$out/all"
cat "$out/all" >&2
findings=$(wc -l <"$out/all")
echo "lint: $findings findings"
[ "$findings" -eq 0 ]
