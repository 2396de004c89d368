#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fails when a test executable of a library without widgets needs Qt Widgets
# or Qt OpenGL at run time (or, without Qt Gui, any GL library): what it
# links is what the library brings.
set -uo pipefail
[ $# -gt 0 ] || { echo "layers: no executables given" >&2; exit 1; }
status=0
for exe in "$@"; do
  needed=$(readelf -d "$exe" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p') || { status=1; continue; }
  bad=$(grep -E '^libQt6(Widgets|OpenGL|OpenGLWidgets)\.so' <<<"$needed")
  # Qt Gui brings the system's GL loader with it; without Qt Gui, nothing may.
  grep -q '^libQt6Gui\.so' <<<"$needed" ||
    bad+=$(grep -E '^lib(GL|EGL|OpenGL)\.so' <<<"$needed")
  if [ -n "$bad" ]; then
    echo "$(basename "$exe") needs $(tr '\n' ' ' <<<"$bad")but its library has no widgets" >&2
    status=1
  fi
done
[ $status -eq 0 ] && echo "layers: $# executables without widgets checked"
exit $status
