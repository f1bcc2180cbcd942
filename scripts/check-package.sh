#!/usr/bin/env bash
# Builds the Debian package (`make package`, release preset) and checks it to the distribution's
# standards: lintian with no error and no warning, the desktop entry without a hint, the AppStream
# metadata valid. Exits non-zero on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."

make package
deb=$(ls -t build/release/corvane_*.deb | head -n 1)
echo "checking $deb"

# --fail-on error,warning makes a warning as fatal as an error.
lintian --fail-on error,warning --tag-display-limit 0 "$deb"

hints=$(desktop-file-validate resources/corvane.desktop 2>&1 || true)
if [ -n "$hints" ]; then
  echo "$hints"
  exit 1
fi
appstreamcli validate --no-net resources/corvane.metainfo.xml
echo "package checks passed"
