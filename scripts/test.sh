#!/usr/bin/env bash
# Sets up the machine, builds the project twice (optimised, and with Address and
# UndefinedBehavior sanitizers) and runs the whole test suite on both builds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" --packages-only
"$root/scripts/start-services.sh"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:suppressions=$root/scripts/asan-suppressions.txt
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan-suppressions.txt
export QT_QPA_PLATFORM=offscreen
# Each phase's heading tells how long the run has taken so far.
phase() { echo "== $1 (at $((SECONDS / 60)) min $((SECONDS % 60)) s)"; }
status=0
# The optimised tree is the one scripts/run.sh builds and runs: built once for both.
for variant in release asan; do
  dir=$root/build
  flags=()
  [ $variant = asan ] && dir=$root/build-asan flags=(--sanitize)
  phase "$variant build"
  "$root/scripts/setup.sh" --build-dir "$dir" "${flags[@]}"
  phase "$variant tests"
  # Most tests wait (child programs, sockets, time-outs): twice as many run as
  # there are cores.
  ctest --test-dir "$dir" --output-on-failure -j "$((2 * $(nproc)))" --timeout 600 || status=1
done
# On CI (as root, on a throw-away machine) the Debian packages are made from the
# optimised tree, installed, used and removed again.
if [ "${CI:-}" = true ] && [ "$(id -u)" -eq 0 ]; then
  phase "packages"
  { "$root/scripts/package.sh" && "$root/scripts/check-package.sh"; } || status=1
fi
phase done
exit $status
