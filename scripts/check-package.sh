#!/usr/bin/env bash
# Builds the Debian packages (`make package`, release preset) and checks them to the distribution's
# standards: lintian with no error, no warning and no hardening tag (informational and pedantic
# tags shown too), corvane-station free of Qt, the sandbox of corvane-station@.service rated "OK"
# by systemd-analyze, the desktop entry without a hint, the AppStream metadata valid. Exits
# non-zero on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
  echo "check-package: $*" >&2
  exit 1
}

make package
version=$(dpkg-parsechangelog -l packaging/changelog -S Version)
arch=$(dpkg --print-architecture)
window=build/release/corvane_${version}_${arch}.deb
station=build/release/corvane-station_${version}_${arch}.deb
for deb in "$window" "$station"; do
  [ -f "$deb" ] || fail "$deb was not built (does packaging/changelog name the version CPack builds?)"
done
echo "checking $window $station"

# --fail-on error,warning makes a warning as fatal as an error; hardening tags are informational,
# so they are looked for in the output.
report=$(mktemp)
empty_status=$(mktemp)
trap 'rm -f "$report" "$empty_status"' EXIT
lintian --display-info --pedantic --fail-on error,warning --tag-display-limit 0 \
  "$window" "$station" | tee "$report"
if grep -q ': hardening-' "$report"; then
  fail "lintian reports a hardening tag"
fi

# A headless rig installs corvane-station without the window's libraries.
station_depends=$(dpkg-deb -f "$station" Pre-Depends Depends)
if grep -qi 'qt' <<<"$station_depends"; then
  fail "corvane-station depends on Qt: $station_depends"
fi
if dpkg-deb -c "$station" | grep -Eq '/usr/bin/corvane$|/applications/'; then
  fail "corvane-station holds files of the window"
fi
# What apt would install with it on an empty system (needs the package lists).
if apt-cache show libc6 >/dev/null 2>&1; then
  plan=$(apt-get install -s -o Dir::State::status="$empty_status" "./$station")
  if grep '^Inst' <<<"$plan" | grep -i qt; then
    fail "installing corvane-station on an empty system brings Qt"
  fi
fi

# Exposure 2.0 or lower is what systemd-analyze calls "OK"; --threshold counts in tenths.
systemd-analyze security --offline=true --threshold=20 packaging/corvane-station@.service

hints=$(desktop-file-validate resources/corvane.desktop 2>&1 || true)
if [ -n "$hints" ]; then
  echo "$hints"
  exit 1
fi
appstreamcli validate --no-net resources/corvane.metainfo.xml
echo "package checks passed"
