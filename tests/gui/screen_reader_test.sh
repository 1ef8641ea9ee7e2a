#!/bin/sh
# Both windows as a screen reader gets them, in English and Japanese:
#
#     +--------------------- private namespace (scripts/netns-run) ---------------------+
#     |  private D-Bus session (dbus-run-session)                                       |
#     |    Xvfb :N (its own display)   AT-SPI bus (at-spi-bus-launcher)                 |
#     |    QUELVARinit, QUELVARinit --site  <-- tree, events -->  screen_reader_test.py |
#     |    quelvar-sim 127.0.0.2 ... 127.0.0.4   <-- search, backup, save --            |
#     +---------------------------------------------------------------------------------+
#
#   tests/gui/screen_reader_test.sh BUILD_DIR
#
# Exit 0 when every check passed, 1 when one failed, 77 when a tool is
# missing outside CI (under CI=true a missing tool is a failure).
set -u
here=$(cd "$(dirname "$0")" && pwd)
if [ "${QUELVAR_IN_NETNS:-}" != "1" ]; then
    exec "$here/../../scripts/netns-run" sh "$0" "$@"
fi
build=$(cd "$1" && pwd)

missing() {
    if [ "${CI:-}" = "true" ]; then echo "FAIL: $1 is missing (CI)"; exit 1; fi
    echo "SKIP: $1 is missing"; exit 77
}
for program in Xvfb xdotool dbus-run-session; do
    command -v "$program" >/dev/null 2>&1 || missing "$program"
done
[ -x /usr/libexec/at-spi-bus-launcher ] || missing "at-spi2-core"
# The system's Python: the package's bindings are not in another Python's path.
/usr/bin/python3 -c "import pyatspi" >/dev/null 2>&1 || missing "python3-pyatspi"

work=$(mktemp -d "${TMPDIR:-/tmp}/screen-reader.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
timeout 420 dbus-run-session -- /usr/bin/python3 "$here/screen_reader_test.py" "$build" "$work" 2>"$work/stderr"
status=$?
if [ "$status" -ne 0 ]; then
    echo "--- stderr of the run:"
    grep -v "Failed to set fd limit\|^dbus-daemon\|SpiRegistry daemon" "$work/stderr" | tail -20
    for log in "$work"/*/window.log; do
        [ -s "$log" ] && { echo "--- $log:"; tail -10 "$log"; }
    done
fi
exit "$status"
