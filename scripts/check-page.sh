#!/usr/bin/env bash
# The summary page of /synthese in a real browser (Debian's chromium-headless-shell, or
# chromium): the document as the browser built it (--dump-dom) must hold no element that
# runs or loads anything (script, img, iframe, object, embed, link, an on* or src/href
# attribute), keep its own title (a script from a report would change it), show the
# hostile names the e2e fleet holds as text, and give the counts the table beside it
# (synthese-e2e.csv) gives. It also saves a screenshot and prints the page to PDF, which
# must come out in A4 landscape.
#
# usage: scripts/check-page.sh PAGE.html   (the table is PAGE.csv; PAGE.png and PAGE.pdf are written beside)
set -uo pipefail
page=$(realpath "${1:?usage: $0 PAGE.html}")
table=${page%.html}.csv shot=${page%.html}.png pdf=${page%.html}.pdf
[ -f "$page" ] && [ -f "$table" ] || { echo "check-page: $page or $table is missing" >&2; exit 2; }
browser=$(command -v chromium-headless-shell || command -v chromium) || {
    echo "check-page: no chromium-headless-shell nor chromium (scripts/setup.sh installs it)" >&2; exit 2; }
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
# As root the browser needs --no-sandbox; nothing of it may reach the network.
flags=(--headless --no-sandbox --disable-gpu --disable-background-networking --disable-component-update
       --disable-sync --no-first-run --user-data-dir="$profile" --hide-scrollbars)
"$browser" "${flags[@]}" --dump-dom "file://$page" >"$profile/dom.html" 2>"$profile/dom.log" || {
    cat "$profile/dom.log" >&2; echo "check-page: the browser failed" >&2; exit 1; }
rm -f "$shot" "$pdf"
"$browser" "${flags[@]}" --window-size=1400,990 --screenshot="$shot" "file://$page" >/dev/null 2>&1
"$browser" "${flags[@]}" --no-pdf-header-footer --print-to-pdf="$pdf" "file://$page" >/dev/null 2>&1
python3 - "$profile/dom.html" "$table" "$shot" "$pdf" <<'PY'
import csv, io, re, sys
from html.parser import HTMLParser
dom_file, table, shot, pdf = sys.argv[1:5]
dom = open(dom_file, encoding="utf-8").read()
failures = []
def check(ok, what):
    print(("  ok    " if ok else "  FAIL  ") + what)
    if not ok: failures.append(what)

class Elements(HTMLParser):
    def __init__(self):
        super().__init__(); self.bad = []; self.title = ""; self.in_title = False; self.compte = None; self.texts = []
    def handle_starttag(self, tag, attrs):
        if tag in ("script", "img", "iframe", "object", "embed", "link", "base", "form", "frame"):
            self.bad.append(tag)
        for name, value in attrs:
            if name.startswith("on") or name in ("src", "href", "srcset", "action", "background"):
                self.bad.append(f"{tag}[{name}]")
        self.in_title = tag == "title"
        if ("id", "compte") in attrs: self.compte = ""
    def handle_endtag(self, tag):
        if tag == "p" and self.compte is not None and not self.texts: self.texts.append(self.compte)
        self.in_title = False
    def handle_data(self, data):
        if self.in_title: self.title += data
        if self.compte is not None and not self.texts: self.compte += data
        self.alltext = getattr(self, "alltext", "") + data
e = Elements(); e.feed(dom)
check(not e.bad, "no element that runs or loads anything" + (f" (found {e.bad})" if e.bad else ""))
check(e.title == "Synthèse des caisses", f"the title is the page's own: {e.title!r}")
for name in ("<script>document.title='pirate'</script>", "\"><img src=x onerror=\"document.title='pirate'\">",
             "&amp;", "=1+2"):
    check(name in e.alltext, f"shown as text: {name}")

rows = list(csv.reader(io.open(table, encoding="utf-8-sig", newline=""), delimiter=";"))
verdicts = [r[2] for r in rows[1:]]
n = {v: verdicts.count(v) for v in ("correct", "incorrect", "non jugé", "non lu")}
tills = n["correct"] + n["incorrect"] + n["non jugé"]
files = sum(int(r[21]) for r in rows[1:] if r[2] != "non lu") + n["non lu"]
said = " ".join(e.compte.split()) if e.compte is not None else ""
expected = (f"{tills} caisses : {n['correct']} correctes, {n['incorrect']} incorrectes, {n['non jugé']} non jugées ; "
            f"{files} fichiers .json, dont {n['non lu']} non lus")
check(said.startswith(expected), f"the counts match the table: {said!r} (expected to begin {expected!r})")

try:
    data = open(pdf, "rb").read()
    boxes = set(re.findall(rb"/MediaBox\s*\[\s*0 0 ([0-9.]+) ([0-9.]+)\s*\]", data))
    landscape = boxes and all(abs(float(w) - 841.9) < 1 and abs(float(h) - 595.3) < 1 for w, h in boxes)
    pages = len(re.findall(rb"/Type\s*/Page[^s]", data))
    check(bool(landscape), f"printed in A4 landscape ({pages} pages, boxes {sorted(boxes)})")
except OSError as error:
    check(False, f"printed to PDF: {error}")
try:
    png = open(shot, "rb").read(24)
    check(png[:8] == b"\x89PNG\r\n\x1a\n", f"screenshot {shot} ({int.from_bytes(png[16:20], 'big')} x {int.from_bytes(png[20:24], 'big')})")
except OSError as error:
    check(False, f"screenshot: {error}")
print(f"page checks: {len(failures)} failed")
sys.exit(1 if failures else 0)
PY
