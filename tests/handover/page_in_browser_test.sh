#!/bin/sh
# The handover page in headless Chromium: its DOM holds every row, the right
# counts and the hostile texts as text, never as elements; screenshots of the
# English, the Japanese and a phone's page and the printed PDF are kept in
# SHOTS; the PDF's pages are counted and each carries the table's header.
#   page_in_browser_test.sh QUELVARINIT_CLI SHOTS
# Chromium and the tool run inside a private network namespace: the page
# fetches nothing, and nothing could leave if it tried.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/browser_test_common.sh"
cli=$1
shots=$2
command -v pdfinfo >/dev/null 2>&1 || missing "pdfinfo (poppler-utils)"
command -v python3 >/dev/null 2>&1 || missing python3

work=$(mktemp -d "${TMPDIR:-/tmp}/handover-browser.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

rows=60
python3 "$here/make_run_files.py" "$work" "$rows"
"$cli" report "$work/report.json" "$work/backup.json" --html "$work/en.html" --csv "$work/en.csv" >/dev/null
"$cli" --lang ja report "$work/report.json" "$work/backup.json" --html "$work/ja.html" >/dev/null

chrome() {
    # Its own profile, so that two runs of the suite never share one.
    timeout 90 "$browser" --headless=new --no-sandbox --disable-gpu --no-first-run \
        --user-data-dir="$work/profile" --hide-scrollbars "$@" 2>>"$work/chromium.log"
}
chrome --dump-dom "file://$work/en.html" >"$work/dom.html" || fail "chromium could not load the page"

python3 - "$work/dom.html" "$rows" <<'PY' || fail "the page as Chromium read it"
import sys
from html.parser import HTMLParser

dom, rows = open(sys.argv[1], encoding="utf-8").read(), int(sys.argv[2])


class Page(HTMLParser):
    def __init__(self):
        super().__init__()
        self.tags, self.body_rows, self.in_body, self.counts, self.key, self.text = [], 0, False, {}, None, []

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        self.tags.append(tag)
        if tag == "tbody":
            self.in_body = True
        if tag == "tr" and self.in_body:
            self.body_rows += 1
        if attrs.get("id", "").startswith("count-"):
            self.key = attrs["id"][6:]
        if tag == "b" and self.key:
            self.counts[self.key] = ""

    def handle_data(self, data):
        self.text.append(data)
        if self.key and self.key in self.counts and self.counts[self.key] == "":
            self.counts[self.key] = data.strip()
            self.key = None


page = Page()
page.feed(dom)
problems = []
expected_rows = rows + 5
if page.body_rows != expected_rows:
    problems.append("%d rows in the table, not %d" % (page.body_rows, expected_rows))
failed = sum(1 for n in range(rows) if n % 10 == 3) + 1
want = {"total": str(expected_rows), "fail": str(failed), "stop": "1", "idle": "1",
        "pass": str(expected_rows - failed - 2)}
if page.counts != want:
    problems.append("counts %s, not %s" % (page.counts, want))
for tag in ("script", "img", "iframe", "object", "link"):
    if tag in page.tags:
        problems.append("a <%s> element in the page" % tag)
text = "".join(page.text)
for shown in ("<script>alert('handover')</script>", "site<svg onload=alert(3)>.csv", "<b"):
    if shown not in text:
        problems.append("%r is not shown as text" % shown)
if page.tags.count("svg") < 3:
    problems.append("no bar and timelines")
if problems:
    print("\n".join(problems))
    sys.exit(1)
PY

mkdir -p "$shots"
chrome --window-size=1400,1800 --screenshot="$work/en.png" "file://$work/en.html" >/dev/null
chrome --window-size=1400,1800 --screenshot="$work/ja.png" "file://$work/ja.html" >/dev/null
chrome --window-size=390,1600 --screenshot="$work/phone.png" "file://$work/en.html" >/dev/null
chrome --no-pdf-header-footer --print-to-pdf="$work/print.pdf" "file://$work/en.html" >/dev/null
for shot in en.png ja.png phone.png print.pdf; do
    [ -s "$work/$shot" ] || fail "chromium made no $shot"
    cp "$work/$shot" "$shots/$shot"
done

# Printed to A4: more than one page for these rows, and the table's header on each page of rows.
pages=$(pdfinfo "$work/print.pdf" | sed -n 's/^Pages: *//p')
[ "$pages" -ge 2 ] || fail "$pages printed page(s)"
pdfinfo "$work/print.pdf" | grep -q "Page size:.*(A4)" || fail "not A4 landscape: $(pdfinfo "$work/print.pdf" | grep 'Page size')"
page=1
while [ "$page" -le "$pages" ] && [ "$page" -le 40 ]; do
    text=$(pdftotext -f "$page" -l "$page" "$work/print.pdf" -)
    # A page with rows of the table carries its header; the timelines may stand alone.
    if echo "$text" | grep -q "^passed$\|^failed$"; then
        echo "$text" | grep -q "Address before" || fail "printed page $page has rows but no table header"
    fi
    page=$((page + 1))
done
echo "handover page: $pages printed pages; screenshots in $shots"
