#!/usr/bin/env bash
# Installs what the project needs (idempotent), checks the C++ formatting, builds everything and runs
# every test.
#   bash scripts/test.sh            the format check, the whole suite (ctest), then the suite again
#                                   under ASan+UBSan
#   SANITIZE=0 bash scripts/test.sh the format check and the plain suite only
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
bash scripts/check_format.sh
JOBS=${JOBS:-$(nproc)}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$JOBS"

# Many tests of the plain pass wait (for a browser, a cut network, a field running in real time):
# the sanitized build runs beside them at the lowest priority and takes the time they leave idle,
# without slowing them. Its output goes to build-asan/build.log, shown if it fails.
asan_build=
stop_asan_build() {
  if [ -n "$asan_build" ]; then
    # Its own process group (setsid): the build's compilers stop with it.
    kill -- -"$asan_build" 2>/dev/null || kill "$asan_build" 2>/dev/null || true
    wait "$asan_build" 2>/dev/null || true
  fi
}
if [ "${SANITIZE:-1}" = "1" ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSTATUSOBJECT_SANITIZE=ON -DSTATUSOBJECT_BENCH=OFF >/dev/null
  setsid -w nice -n 19 cmake --build build-asan -j"$JOBS" >build-asan/build.log 2>&1 &
  asan_build=$!
  trap stop_asan_build EXIT
fi

# One test more than the cores: many tests of the plain pass mostly wait (a browser, a cut
# network, an idle minute, a field in real time), and the tests hold their bounds on a loaded
# machine (scripts/test-under-load.sh runs them beside busy processes).
ctest --test-dir build --output-on-failure -j"$((JOBS + 1))"

if [ "${SANITIZE:-1}" = "1" ]; then
  if ! wait "$asan_build"; then
    asan_build=
    cat build-asan/build.log
    echo "the sanitized build failed" >&2
    exit 1
  fi
  asan_build=
  # The soak's resident-memory bound, the repaint-count bound of the window storm and the demo
  # site's generation-time bound measure the plain build (the sanitizers keep freed memory in
  # quarantine and run several times slower). They run in the plain pass above; the code they drive
  # runs under the sanitizers in the other tests, on smaller sites. So does the field's share of its
  # report rate under one login's flood of resync requests (its code runs sanitized in the site
  # bus tests). The page's mutation run exercises no C++ at all and runs once, in the plain pass;
  # so do the browser runs labelled long (network cuts, a wall display left on), which wait in real
  # time for what the web desk's server tests drive with their own clock, and the rounds that count
  # how often a copy over the open site file is found beside busy processes (a rate under load; the
  # file checks themselves run sanitized in the other file-fault tests).
  ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp \
    ctest --test-dir build-asan --output-on-failure -j"$JOBS" -LE long \
    -E '^(Soak\.|StormOnALargeWindow\.|UnderLoad/BusySite\.|DemoSite\.FiftyThousandPointsGenerateInAFewSeconds$|statusviewer_multidesk_flood$|WebPage_mutation$)'
fi
