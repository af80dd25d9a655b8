#!/usr/bin/env bash
# Installs the Debian packages made by scripts/package.sh on this machine and
# checks them as a technician and an integrator would meet them; needs root and
# changes the machine (a throw-away one: CI's): it installs, reinstalls, removes
# and purges bxgrabber and libpixlib32-dev. No service is started: the station
# runs once by hand, as the service would run it.
#   scripts/check-package.sh [PACKAGE_DIR]    (default build/packages)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
packages=$(cd "${1:-$root/build/packages}" && pwd)
station_deb=$(ls "$packages"/bxgrabber_*.deb)
dev_deb=$(ls "$packages"/libpixlib32-dev_*.deb)
units=/usr/lib/systemd/system
profile=/etc/bxgrabber/BXGrabber.ini
photos=/var/lib/bxgrabber/photos
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ "$(id -u)" -eq 0 ] || { echo "check-package.sh: run as root" >&2; exit 2; }

fail() { echo "FAILED: $*" >&2; exit 1; }
step() { echo "== $*"; }
apt() { DEBIAN_FRONTEND=noninteractive apt-get -y -qq "$@" < /dev/null > "$work/apt.log" 2>&1 ||
          { cat "$work/apt.log" >&2; fail "apt-get $*"; }; }

step "install both packages with apt-get"
# An earlier check's installation goes first, so that every run starts the same.
if dpkg-query -W -f='${Status}' bxgrabber 2>/dev/null | grep -q 'install ok'; then apt purge bxgrabber libpixlib32-dev; fi
# A purge keeps the station's database; a new one is made, with the sample layouts.
rm -f /var/lib/bxgrabber/station.sqlite /var/lib/bxgrabber/station.sqlite-wal /var/lib/bxgrabber/station.sqlite-shm
apt install "$station_deb" "$dev_deb"
id -nG bxgrabber | tr ' ' '\n' | grep -qx dialout || fail "bxgrabber is not in the group dialout"
[ "$(stat -c %U "$photos")" = bxgrabber ] || fail "$photos does not belong to bxgrabber"

step "the sample layouts are installed and in the new station's table"
for sample in Layout/gold-frame.xml Layout/party.xml images/gold-frame.png images/party-frame.png; do
  [ -f "/usr/share/bxgrabber/layouts/$sample" ] || fail "the sample layout file $sample is not installed"
done
runuser -u bxgrabber -- env BX_CONFIG_DIR=/etc/bxgrabber \
  bxdb --connect "Driver=SQLite3;Database=/var/lib/bxgrabber/station.sqlite" layouts > "$work/layouts"
grep -q 'Gold frame' "$work/layouts" && grep -q 'Party' "$work/layouts" ||
  fail "the sample layouts are not in the station's table: $(cat "$work/layouts")"
! grep -q unusable "$work/layouts" || fail "a sample layout is unusable: $(cat "$work/layouts")"

step "systemd-analyze verify both units"
cp "$units/bxgrabber@.service" "$work/bxgrabber@2.service"
systemd-analyze verify "$units/bxgrabber.service" "$work/bxgrabber@2.service"

step "three shots as the service runs the station (as bxgrabber, with its environment)"
# The machine has no camera: the technician's edit of the settings picks the simulated one.
sed -i 's/^Camera Transport=.*/Camera Transport=sim/' "$profile"
# Photos of an earlier installation stay, and a name taken is never replaced: an
# operator of its own gives this run a folder of its own.
sed -i "/^\[Database Settings\]/a OperatorName=check-$(date +%s)" "$profile"
environment=$(sed -n 's/^Environment=//p' "$units/bxgrabber.service")
directory=$(sed -n 's/^WorkingDirectory=//p' "$units/bxgrabber.service")
touch "$work/started"
(cd "$directory" && runuser -u bxgrabber -- env $environment BXGrabber --headless --shots 3 --interval 200)
find "$photos" -name '*.jpg' -newer "$work/started" > "$work/made"
[ "$(wc -l < "$work/made")" -eq 3 ] || fail "$(wc -l < "$work/made") photos instead of 3 under $photos"
# Records wait in the journal only while the database does not take them.
[ ! -s /var/lib/bxgrabber/BXGrabber.records ] || fail "the station's database did not take the photos' records"

step "an integrator's project: find_package and pkg-config, converting a photo"
cmake -S "$root/examples/pixlib32-convert" -B "$work/example" -G Ninja > /dev/null
cmake --build "$work/example" > /dev/null
photo=$(head -1 "$work/made")
"$work/example/convert-cmake" "$photo" "$work/by-cmake.tif"
"$work/example/convert-pkgconfig" "$work/by-cmake.tif" "$work/by-pkgconfig.jpg"
[ "$(head -c 4 "$work/by-cmake.tif" | od -An -tx1 | tr -d ' ')" = 49492a00 ] || fail "the TIFF file is no TIFF"
[ "$(head -c 2 "$work/by-pkgconfig.jpg" | od -An -tx1 | tr -d ' ')" = ffd8 ] || fail "the JPEG file is no JPEG"

step "reinstalling keeps the edited settings"
apt install --reinstall "$station_deb"
grep -qx 'Camera Transport=sim' "$profile" || fail "reinstalling lost the edit of $profile"

step "removing and purging leave the photos"
apt remove bxgrabber libpixlib32-dev
while read -r made; do [ -f "$made" ] || fail "removing the package took $made"; done < "$work/made"
apt purge bxgrabber
while read -r made; do [ -f "$made" ] || fail "purging the package took $made"; done < "$work/made"
[ ! -e /etc/bxgrabber ] || fail "purging left /etc/bxgrabber"

echo "package check passed"
