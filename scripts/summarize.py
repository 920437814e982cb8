"""Counts test cases from the GoogleTest XML files and ctest's JUnit files.

A ctest test that failed without a GoogleTest failure of its own (a crash, a
time-out, a non-GoogleTest test) counts as one failed test.
"""
import pathlib
import sys
import xml.etree.ElementTree as ET

root = pathlib.Path(sys.argv[1])
passed = failed = skipped = 0
for side in ("native", "win"):
    gtest_failed_exes = set()
    for xml in sorted((root / side).glob("*.xml")):
        try:
            tree = ET.parse(xml)
        except ET.ParseError:
            continue
        for case in tree.iter("testcase"):
            if case.get("result") == "skipped" or case.find("skipped") is not None:
                skipped += 1
            elif case.find("failure") is not None:
                failed += 1
                gtest_failed_exes.add(xml.stem)
            else:
                passed += 1
    junit = root / f"{side}.junit.xml"
    if junit.exists():
        for case in ET.parse(junit).iter("testcase"):
            bad = case.find("failure") is not None or case.find("error") is not None
            has_xml = (root / side / f"{case.get('name')}.xml").exists()
            if bad and case.get("name") not in gtest_failed_exes:
                failed += 1
                print(f"FAILED: {side}/{case.get('name')}", file=sys.stderr)
            elif not has_xml:
                # A test without GoogleTest output counts by its exit status.
                passed += 0 if bad else 1
line = f"{passed} passed, {failed} failed"
if skipped:
    line += f", {skipped} skipped"
print(line)
sys.exit(1 if failed or passed == 0 else 0)
