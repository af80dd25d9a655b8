#!/usr/bin/env bash
# Makes the Debian packages bxgrabber and libpixlib32-dev from this checkout:
# installs the packages the build needs, configures the release tree for /usr,
# builds what the packages hold (not the tests), has CPack make the packages
# from the install rules, and checks them with lintian (no errors allowed).
# The packages land in <build dir>/packages.
#   scripts/package.sh [--build-dir DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$root/build
while [ $# -gt 0 ]; do
  case $1 in
    --build-dir) build_dir=$2; shift ;;
    *) echo "package.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root} CCACHE_NOHASHDIR=1

"$root/scripts/setup.sh" --packages-only
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target bx_packaged
out=$build_dir/packages
rm -rf "$out"
cpack --config "$build_dir/CPackConfig.cmake" -B "$out" >/dev/null
rm -rf "$out/_CPack_Packages"
echo "Packages:"
ls -1 "$out"/*.deb
lintian --fail-on error "$out"/*.deb
