#!/usr/bin/env bash
# Runs one Windows test program of the COM server under Wine, headless.
# Exits 77 (skipped) when Wine, the program or the DLL is missing.
#
# Environment: GRIDLET_WINDOWS_BUILD (the Windows build folder),
# GRIDLET_WINEPREFIX (made on first use), and for the conversion test
# GRIDLET_CLI and GRIDLET_EXAMPLE (the Linux program and the example sheet
# whose outputs are the reference).
set -uo pipefail
program=$1
shift

wine=$(command -v wine64 || command -v wine || true)
[ -z "$wine" ] && [ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || true)
[ -z "$wineserver" ] && [ -x /usr/lib/wine/wineserver ] && wineserver=/usr/lib/wine/wineserver
build=${GRIDLET_WINDOWS_BUILD:-}
if [ -z "$wine" ] || [ -z "$wineserver" ]; then echo "skipped: Wine is not installed"; exit 77; fi
if [ ! -f "$program" ] || [ ! -f "$build/gridlet.dll" ]; then echo "skipped: $program or gridlet.dll is not built"; exit 77; fi

export WINEPREFIX=${GRIDLET_WINEPREFIX:?}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko installers in a test prefix
# Windows paths of Unix files: Wine maps the Unix root to drive Z:.
winpath() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

if [ ! -f "$WINEPREFIX/.gridlet-ready" ]; then
  mkdir -p "$WINEPREFIX"
  timeout 300 "$wine" wineboot -i >/dev/null 2>&1 || { echo "wineboot failed"; exit 1; }
  # The null display driver: windows (message boxes too) without X.
  timeout 60 "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  timeout 60 "$wineserver" -w
  touch "$WINEPREFIX/.gridlet-ready"
fi

export GRIDLET_DLL=$(winpath "$build/gridlet.dll")
export GRIDLET_ERROR_TEXTS_DLL=$(winpath "$build/gridlet_error_texts.dll")
export GRIDLET_FAKE_EXCEL_DLL=$(winpath "$build/tests/fake_excel.dll")

# Reference outputs of the Linux build for the same example.
reference=$(mktemp -d)
trap 'rm -rf "$reference"' EXIT
if [ -n "${GRIDLET_CLI:-}" ] && [ -x "$GRIDLET_CLI" ] && [ -f "${GRIDLET_EXAMPLE:-}" ]; then
  "$GRIDLET_CLI" convert "$GRIDLET_EXAMPLE" --to txt --name budget -o "$reference" --overwrite yes >/dev/null &&
  "$GRIDLET_CLI" convert "$GRIDLET_EXAMPLE" --to xbv --name BUDGET -o "$reference" --overwrite yes >/dev/null &&
  "$GRIDLET_CLI" convert "$reference/BUDGET.xbv" --to txt --name back -o "$reference" --overwrite yes >/dev/null ||
    { echo "the Linux reference conversion failed"; exit 1; }
  export GRIDLET_REFERENCE_DIR=$(winpath "$reference")
  export GRIDLET_EXAMPLE_TXT=$(winpath "$GRIDLET_EXAMPLE")
fi

timeout --kill-after=10 240 "$wine" "$program" "$@" </dev/null
status=$?
# Let the prefix's server end before the next test, so no process holds
# the test's output open.
timeout 30 "$wineserver" -w
exit $status
