#!/usr/bin/env bash
# The Windows folder, built from the committed HEAD and proven under Wine, once
# Qt for Windows is cached (building that takes about an hour, too long for a
# test); without the cache it says so and ends with status 77, which CTest
# counts as skipped.
#   windows-proof.sh OUT_DIR   (the zip in OUT_DIR/package-windows, the proof's build in OUT_DIR/windows)
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:?usage: $0 OUT_DIR}
source "$src/scripts/windows-env.sh"
if [ ! -f "$(darvell_windows_qt_dir)/.complete" ]; then
  echo "Windows checks skipped: no Qt for Windows cached in $(darvell_windows_qt_dir) (build it with scripts/qt-windows.sh)."
  exit 77
fi
rm -rf "$out/package-windows"
zip=$("$src/scripts/package-windows.sh" "$out/package-windows" | tail -n 1)
"$src/scripts/e2e-windows.sh" "$zip" "$out/windows"
