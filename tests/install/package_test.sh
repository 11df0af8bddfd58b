#!/usr/bin/env bash
# Builds the Debian package from the build and holds it against Debian's own checker: no
# lintian error, dependencies taken from the linked libraries, the programs reachable from bin.
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

(cd "$tmp" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp" >/dev/null) ||
    fail "cpack"
deb=$(ls "$tmp"/sonthra_*.deb)
report=$(lintian --fail-on error "$deb" 2>&1) || fail "lintian reports errors: $report"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libportaudio2 libmp3lame0 libc6 qt6-qpa-plugins; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/sonthra ./usr/lib/sonthra/sonthra-cli ./usr/lib/sonthra/lame_enc.so \
            ./usr/share/applications/sonthra.desktop ./usr/share/doc/sonthra/copyright; do
    grep -q " $path" <<<"$contents" || fail "the package lacks $path"
done
echo "package $(basename "$deb") passes lintian"
