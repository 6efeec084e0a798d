#!/usr/bin/env python3
"""Counts passed and failed tests in the runners' own reports: ctest's JUnit XML and
GoogleTest's XML. Prints "PASSED FAILED" for the files given; a file that is missing or
unreadable counts as one failure (the run ended before it could report).

usage: count-results.py REPORT.xml...
"""
import sys
import xml.etree.ElementTree as ET

passed = failed = 0
for path in sys.argv[1:]:
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError):
        failed += 1
        continue
    for case in root.iter("testcase"):
        if case.find("failure") is not None or case.find("error") is not None or case.get("status") == "fail":
            failed += 1
        elif (case.find("skipped") is not None or case.get("result") in ("skipped", "suppressed")
              or case.get("status") in ("notrun", "disabled")):
            continue
        else:
            passed += 1
print(passed, failed)
