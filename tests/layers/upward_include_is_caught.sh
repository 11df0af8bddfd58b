#!/usr/bin/env bash
# The layer check must fail on a tree where the WAV layer includes the main window.
set -u
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/src/wave" "$tree/src/app" "$tree/plugins"
printf '#include "app/main_form.h"\n' > "$tree/src/wave/wave_reader.cpp"
printf '#include "wave/wave_reader.h"\n' > "$tree/src/app/main_form.cpp"
if "$1" "$tree" | grep -q "'wave' includes the higher layer 'app'"; then
  "$1" "$tree" >/dev/null && { echo "check passed a bad tree"; exit 1; }
  exit 0
fi
echo "upward include not reported"; exit 1
