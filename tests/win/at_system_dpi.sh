#!/usr/bin/env bash
# Runs a Windows test executable under Wine in a throw-away prefix of its own whose system DPI
# is $1 (the screen's LOGPIXELSX), then ends that prefix's server:
#   at_system_dpi.sh DPI EXE [ARGUMENT]...
set -euo pipefail
dpi=$1
shift
runner="$(cd "$(dirname "$0")/../.." && pwd)/scripts/wine-run"
WINEPREFIX=$(mktemp -d /tmp/tabulora-dpi-XXXXXX)
export WINEPREFIX
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
"$runner" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
wineserver -w  # the setting is read when the next server starts
export TABULORA_TEST_SYSTEM_DPI=$dpi  # the test makes sure it got it
"$runner" "$@"
