#!/bin/sh
# Builds the application and writes PNG pictures of its windows, in Chinese and English,
# into the folder given (default: build/screenshots). A tool for looking, not a test.
#   scripts/screenshots.sh [folder] [shot name filter]
set -e
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/screenshots}")
filter=${2:-}
scripts/deps.sh
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/test --target screenshots
mkdir -p "$out"
# Fixture media for the shots that show rows.
tests/fixtures/make_fixtures.sh build/test/fixtures >/dev/null
status=0
for lang in zh_CN en; do
    # Always a real X server (never an inherited offscreen platform), a fixed locale so that
    # only the language given decides the texts, no session bus of the caller, and a time
    # limit so that a window that never settles cannot hang the script.
    if ! env -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=xcb LANGUAGE= LC_ALL=C.UTF-8 \
        timeout 300 xvfb-run -a -s "-screen 0 1600x1000x24" \
        build/test/tests/screenshots "$out" "$lang" $filter; then
        echo "screenshots: some shots in $lang failed" >&2
        status=1
    fi
done
echo "screenshots written to $out"
exit $status
