"""Counts test cases: one per GoogleTest case that a ctest test ran, and one
per ctest test without GoogleTest output, by its exit status.

Each ctest test writes its GoogleTest results to <its ctest name>.xml. A
program that ctest runs as several tests (the end-to-end program, also for
its odd values and under a German locale) is told each test's name: the
cases of each are test cases of their own, as each run is a ctest test of
its own, under settings of its own. A ctest test that failed without a
GoogleTest failure of its own (a crash, a time-out) counts one failed test
case more.

The count is then checked against what ctest ran: its JUnit files list
the tests, and each test's output ends with GoogleTest's own total of the
cases it ran (its results file stands in where ctest cut the output short).
Results in a file that names no ctest test, or a test's cases counted
twice, fail the check and the test command.
"""
import pathlib
import re
import sys
import xml.etree.ElementTree as ET


def read(path):
    try:
        return ET.parse(path).getroot()
    except (ET.ParseError, OSError):
        return None


root = pathlib.Path(sys.argv[1])
passed = failed = skipped = 0
ran = 0  # test cases, by ctest's list of tests and GoogleTest's totals
strays = []
for side in ("native", "win"):
    results = {}  # file stem -> GoogleTest results
    for xml in sorted((root / side).glob("*.xml")):
        results[xml.stem] = read(xml)
        if results[xml.stem] is None:
            continue
        for case in results[xml.stem].iter("testcase"):
            if case.find("failure") is not None:
                failed += 1
            elif case.get("status") == "notrun" or case.find("skipped") is not None:
                skipped += 1
            else:
                passed += 1
    tests = set()
    junit = read(root / f"{side}.junit.xml")
    for test in junit.iter("testcase") if junit is not None else ():
        name = test.get("name")
        tests.add(name)
        # A test ctest could not run (its program missing) failed too.
        bad = (test.find("failure") is not None or test.find("error") is not None
               or test.get("status") == "notrun")
        gtest = results.get(name)
        totals = re.findall(r"^\[==========\] (\d+) tests? from .* ran\.",
                            test.findtext("system-out") or "", re.M)
        if totals:
            ran += int(totals[-1])
        else:
            ran += int(gtest.get("tests", 0)) if gtest is not None else 1
        if gtest is None:
            passed += 0 if bad else 1
            failed += 1 if bad else 0
        elif bad and gtest.find(".//failure") is None:
            ran += 1
            failed += 1
        if bad and (gtest is None or gtest.find(".//failure") is None):
            print(f"FAILED: {side}/{name}", file=sys.stderr)
    strays += [f"{side}/{stem}.xml" for stem in sorted(set(results) - tests)]
line = f"{passed} passed, {failed} failed"
if skipped:
    line += f", {skipped} skipped"
print(line)
counted = passed + failed + skipped
if counted != ran:
    print(f"summary: {counted} test cases counted, but ctest ran {ran}"
          + "".join(f"\n  results of no ctest test: {s}" for s in strays), file=sys.stderr)
sys.exit(1 if failed or passed == 0 or counted != ran else 0)
