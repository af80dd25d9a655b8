#!/usr/bin/env bash
# Builds the readers' libFuzzer harnesses (fuzz_bmp, fuzz_pcx, fuzz_tga,
# fuzz_tiff, fuzz_png, fuzz_joy, fuzz_photocd) with clang, AddressSanitizer and UndefinedBehaviorSanitizer, and
# writes the seed corpus. Skips with a message when clang is missing.
#   scripts/build-fuzzers.sh [--build-dir DIR]
# Then, for example:
#   DIR/bin/fuzz_bmp -runs=1000000 DIR/corpus/bmp
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$root/build-fuzz
[ "${1:-}" = "--build-dir" ] && build_dir=$2
if ! command -v clang++ >/dev/null; then
  echo "build-fuzzers.sh: clang++ not installed; fuzzers skipped" >&2
  exit 0
fi
CC=clang CXX=clang++ cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBX_FUZZ=ON -DBX_BUILD_UI=OFF >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target fuzz_bmp fuzz_pcx fuzz_tga fuzz_tiff fuzz_png fuzz_joy fuzz_photocd \
  fuzz_smoke_tests reader_fuzz_smoke_tests
for smoke in fuzz_smoke_tests reader_fuzz_smoke_tests; do
  BX_FUZZ_CORPUS=$build_dir/corpus "$build_dir/bin/$smoke" >/dev/null 2>&1
done
echo "fuzzers in $build_dir/bin, seed corpus in $build_dir/corpus"
