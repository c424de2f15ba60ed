#!/bin/sh
# Builds the application and writes PNG pictures of its windows, in Chinese and English,
# into the folder given (default: build/screenshots). A tool for looking, not a test.
set -e
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/screenshots}")
scripts/deps.sh
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/test --target screenshots
mkdir -p "$out"
# Fixture media for the shots that show rows.
tests/fixtures/make_fixtures.sh build/test/fixtures >/dev/null
for lang in zh_CN en; do
    LANGUAGE= LC_ALL=C.UTF-8 xvfb-run -a -s "-screen 0 1600x1000x24" \
        build/test/tests/screenshots "$out" "$lang" ${2:-}
done
