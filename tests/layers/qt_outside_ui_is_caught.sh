#!/usr/bin/env bash
# The layer check must fail on a Qt header in a plain folder and on a plain file that reaches
# into a ui/ folder, and must accept Qt in a ui/ folder.
set -u
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/src/wave" "$tree/src/edit/ui" "$tree/src/dialogs/ui" "$tree/plugins"
printf '#include <QString>\n#include "dialogs/ui/user_dialogs.h"\n' > "$tree/src/edit/ui/edit_form.cpp"
printf '#include <QtCore/QString>\n#include "wave/riff.h"\n' > "$tree/src/dialogs/ui/user_dialogs.h"
"$1" "$tree" >/dev/null || { echo "check refused Qt inside ui/ folders"; exit 1; }
printf '#include <QByteArray>\n' > "$tree/src/wave/wave_reader.cpp"
printf '#include "dialogs/ui/user_dialogs.h"\n' > "$tree/src/edit/undo_files.cpp"
out=$("$1" "$tree")
status=$?
[ "$status" -ne 0 ] || { echo "check passed a bad tree"; exit 1; }
echo "$out" | grep -q "src/wave/wave_reader.cpp:1: Qt header <QByteArray> outside a ui/ folder" ||
  { echo "Qt include outside ui/ not reported: $out"; exit 1; }
echo "$out" | grep -q "src/edit/undo_files.cpp:1: plain file includes the Qt part" ||
  { echo "plain file reaching into ui/ not reported: $out"; exit 1; }
[ "$(echo "$out" | wc -l)" -eq 2 ] || { echo "unexpected faults: $out"; exit 1; }
