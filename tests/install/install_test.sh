#!/usr/bin/env bash
# Installs the build into a fresh prefix, then uses only what was installed: the programs run
# from bin/, find their plug-ins, encoder and templates, and the desktop files pass the
# desktop's own validators.
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
fail() { echo "FAILED: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
cli=$prefix/bin/sonthra-cli
[ -L "$cli" ] || fail "bin/sonthra-cli is not a link into the program's folder"

"$cli" --version | grep -q '^sonthra-cli [0-9]' || fail "--version"
"$cli" effects | grep -q $'\tNormalize$' || fail "the installed plug-ins are not found"
sox -n -r 44100 -c 2 -b 16 "$tmp/in.wav" synth 1 sine 440 vol 0.5
"$cli" convert "$tmp/in.wav" "$tmp/out.mp3" >/dev/null 2>&1 || fail "convert to MP3 (the encoder shim)"
[ "$(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "$tmp/out.mp3")" = mp3 ] ||
    fail "the MP3 does not decode as MP3"
"$cli" podcast "$tmp/feed.xml" "$tmp/out.mp3" --title One --description First \
    --link http://example.net/out.mp3 --series-title Show --series-description About \
    --series-link http://example.net/ >/dev/null 2>&1 || fail "podcast from the installed templates"
[ -s "$tmp/feed.htm" ] || fail "no page written from the installed templates"

desktop-file-validate "$prefix/share/applications/sonthra.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$prefix/share/metainfo/com.corvanta.Sonthra.metainfo.xml" \
    >/dev/null || fail "AppStream metadata"
for page in sonthra sonthra-cli; do
    zcat "$prefix/share/man/man1/$page.1.gz" | grep -q '^\.TH' || fail "manual page $page"
done
zcat "$prefix/share/man/man1/sonthra-cli.1.gz" | grep -q 'insert\\\?-silence' ||
    fail "the manual page of sonthra-cli lacks its verbs"
for size in 16 48 256; do
    file "$prefix/share/icons/hicolor/${size}x${size}/apps/sonthra.png" | grep -q "$size x $size" ||
        fail "icon $size"
done

# The completion offers the verbs and a verb's own options, read from the installed program.
words=$(PATH=$prefix/bin:$PATH bash -c '
    source "$1"
    COMP_WORDS=(sonthra-cli ""); COMP_CWORD=1; _sonthra_cli; echo "${COMPREPLY[*]}"
    COMP_WORDS=(sonthra-cli tag --ti); COMP_CWORD=2; _sonthra_cli; echo "${COMPREPLY[*]}"' \
    _ "$prefix/share/bash-completion/completions/sonthra-cli")
grep -q 'insert-silence' <<<"$words" || fail "completion of the verbs: $words"
grep -q -- '--title' <<<"$words" || fail "completion of an option: $words"

# The window starts from the desktop entry's command and ends on SIGTERM.
exec_line=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$prefix/share/applications/sonthra.desktop")
mkdir -m 0700 "$tmp/run" "$tmp/config"
PATH=$prefix/bin:$PATH XDG_RUNTIME_DIR=$tmp/run XDG_CONFIG_HOME=$tmp/config \
    QT_QPA_PLATFORM=offscreen "$exec_line" /NoSplash >/dev/null 2>&1 &
pid=$!
sleep 3
kill -0 "$pid" 2>/dev/null || fail "the installed program did not start"
kill -TERM "$pid"
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
if kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid"; fail "the program did not end on SIGTERM"; fi
echo "installed into a fresh prefix: programs, plug-ins, encoder, templates, desktop files, manuals, completion"
