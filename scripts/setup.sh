#!/usr/bin/env bash
# Installs the Debian packages the project needs (only the missing ones), sets up
# the station's databases and their ODBC data sources, then configures and builds
# one build folder.
#   scripts/setup.sh [--packages-only] [--sanitize] [--build-dir DIR] [--build-type TYPE]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$root/build
build_type=RelWithDebInfo
sanitize=OFF
packages_only=0
while [ $# -gt 0 ]; do
  case $1 in
    --packages-only) packages_only=1 ;;
    --sanitize) sanitize=ON ;;
    --build-dir) build_dir=$2; shift ;;
    --build-type) build_type=$2; shift ;;
    *) echo "setup.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

install_missing_packages() {
  local wanted missing=()
  wanted=$(grep -vE '^\s*(#|$)' "$root/scripts/packages.txt")
  for p in $wanted; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

install_missing_packages
"$root/scripts/setup-database.sh"
[ $packages_only -eq 1 ] && exit 0

# The sanitizer build is for the tests: it leaves the benchmarks out.
bench=ON
[ "$sanitize" = ON ] && bench=OFF
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" -DBX_SANITIZE="$sanitize" \
  -DBX_BUILD_BENCH="$bench" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
