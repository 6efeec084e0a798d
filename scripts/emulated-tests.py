#!/usr/bin/env python3
"""Which tests of a 32-bit tier run where 32-bit Wine runs under qemu-i386, as
tests/qemu-i386.txt says.

Reads a test program's `--gtest_list_tests` output on standard input (or nothing, with
--no-list: then only the rules are used) and prints, for TIER and the run's own GoogleTest
FILTER (the tests that run would run natively):
    run FILTER            a GoogleTest filter naming the tests to run, one by one
    none                  when none of them runs under emulation
then one line per test left out: `left-out NAME<TAB>REASON` (with --no-list, one line per
rule instead: `left-out PATTERN<TAB>REASON`).

usage: emulated-tests.py RULES TIER FILTER [--no-list] < list
"""
import re
import sys


def gtest_match(name, patterns):
    """GoogleTest's own rule: '*' and '?' wildcards, ':'-separated alternatives."""
    return any(re.fullmatch(wildcard(p), name) for p in patterns.split(":") if p)


def wildcard(pattern):
    return "".join(".*" if c == "*" else "." if c == "?" else re.escape(c) for c in pattern)


def selected(name, gfilter):
    positive, _, negative = gfilter.partition("-")
    return gtest_match(name, positive or "*") and not gtest_match(name, negative)


def rules_for(path, tier):
    rules = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            fields = line.split(None, 3)
            if len(fields) < 3 or fields[1] not in ("run", "leave"):
                sys.exit(f"{path}: cannot read: {line}")
            if fields[0] == tier:
                rules.append((fields[1], fields[2], fields[3] if len(fields) > 3 else ""))
    return rules


def listed(text):
    """Full names from --gtest_list_tests: 'Suite.' lines, then indented test names."""
    names, suite = [], None
    for line in text.splitlines():
        line = line.split("#", 1)[0].rstrip()
        if not line.strip():
            continue
        if not line.startswith(" "):
            suite = line.strip()
        elif suite:
            names.append(suite + line.strip())
    return names


def main():
    args = [a for a in sys.argv[1:] if a != "--no-list"]
    if len(args) != 3:
        sys.exit(__doc__)
    path, tier, gfilter = args
    rules = rules_for(path, tier)
    unlisted = "not listed to run under emulation (tests/qemu-i386.txt)"
    if "--no-list" in sys.argv:
        runs = [r for r in rules if r[0] == "run"]
        print("run " + ":".join(r[1] for r in runs) if runs else "none")
        for kind, pattern, reason in rules:
            if kind == "leave":
                print(f"left-out {pattern}\t{reason}")
        return
    run, left = [], []
    for name in listed(sys.stdin.read()):
        if not selected(name, gfilter):
            continue
        rule = next((r for r in rules if gtest_match(name, r[1])), ("leave", "", unlisted))
        if rule[0] == "run":
            run.append(name)
        else:
            left.append((name, rule[2]))
    print("run " + ":".join(run) if run else "none")
    for name, reason in left:
        print(f"left-out {name}\t{reason}")


if __name__ == "__main__":
    main()
