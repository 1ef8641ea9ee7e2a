# Sourced by the handover page's browser tests, with `here` set to their
# folder: goes on inside a private network namespace (the page fetches
# nothing, and nothing could leave if it tried), and finds Chromium. A tool
# that is missing skips a test, but fails it in CI, where setup installs it.
if [ "${QUELVAR_IN_NETNS:-}" != "1" ]; then
    exec "$here/../../scripts/netns-run" sh "$0" "$@"
fi

missing() {
    if [ "${CI:-}" = "true" ]; then echo "FAIL: $1 is missing (CI)"; exit 1; fi
    echo "SKIP: $1 is missing"; exit 77
}
fail() { echo "FAIL: $*"; exit 1; }

browser=$(command -v chromium || command -v chromium-browser || true)
[ -n "$browser" ] || missing chromium
