#!/usr/bin/env python3
"""Counts passed and failed tests in the runners' own reports: ctest's JUnit XML and
GoogleTest's XML. Prints "PASSED FAILED" for the files given; a file that is missing or
unreadable counts as one failure (the run ended before it could report). Then, a line
each, what failed: a test's name, or for a missing report why its run ended, as the
runner wrote it beside the report (REPORT.why), so that the end of a log says it all.

usage: count-results.py REPORT.xml...
"""
import os
import sys
import xml.etree.ElementTree as ET

passed = failed = 0
what = []
for path in sys.argv[1:]:
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError) as e:
        failed += 1
        why = os.path.splitext(path)[0] + ".why"
        told = open(why, encoding="utf-8", errors="replace").read().strip() if os.path.exists(why) else str(e)
        what.append(f"no report {os.path.basename(path)}: {told}")
        continue
    for case in root.iter("testcase"):
        if case.find("failure") is not None or case.find("error") is not None or case.get("status") == "fail":
            failed += 1
            name, suite = case.get("name", ""), case.get("classname", "")
            what.append(name if not suite or name.startswith(suite) else f"{suite}.{name}")
        elif (case.find("skipped") is not None or case.get("result") in ("skipped", "suppressed")
              or case.get("status") in ("notrun", "disabled")):
            continue
        else:
            passed += 1
print(passed, failed)
for line in what:
    print(line)
