#!/usr/bin/env bash
# Sets up, builds and starts the station on its embedded defaults: the simulated
# camera and the embedded SQLite database, with settings, log and photos kept in
# ./station below the checkout. With a display the window opens; without one the
# station runs headless, takes a few shots and exits.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
station=$root/station
export BX_CONFIG_DIR=${BX_CONFIG_DIR:-$station/config}
export BX_STATE_DIR=${BX_STATE_DIR:-$station/state}
mkdir -p "$BX_CONFIG_DIR" "$BX_STATE_DIR" "$station/photos"
profile=$BX_CONFIG_DIR/BXGrabber.ini
if [ ! -f "$profile" ]; then
  cat > "$profile" <<INI
[Camera Settings]
Camera Transport=sim
[Database Settings]
DatabasePath=$station/photos/
ServerName=localhost
[Program Settings]
Enable Log=1
Application Path=$station/
INI
  # A new station shows the sample layouts on its layouts page (docs/layouts.md),
  # from a copy: previews append thumbnails to the images they read.
  mkdir -p "$station/samples"
  cp -r "$root/examples/layouts/Layout" "$root/examples/layouts/images" "$station/samples/"
  "$root/build/bin/bxdb" import-layouts "$station/samples" ||
    echo "run.sh: the sample layouts were not imported" >&2
fi
args=("$@")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  args=(--headless --shots 5 --interval 500 "${args[@]}")
fi
exec "$root/build/bin/BXGrabber" "${args[@]}"
