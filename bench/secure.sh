#!/usr/bin/env bash
# RC4 speed of the secure-disc encryption against `openssl enc -rc4` on the
# same 200 MiB file, side by side; best of three runs each. $1: the build dir
# (with a Release librondivo_core.a).
set -euo pipefail
build="${1:?build dir}"
here="$(cd "$(dirname "$0")/.." && pwd)"
command -v openssl >/dev/null || { echo "secure: openssl not installed, skipped"; exit 0; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

c++ -O2 -std=c++20 -I"$here/src" "$here/bench/secure_encrypt_tool.cxx" "$build/librondivo_core.a" -lpthread \
    -o "$work/encrypt"
head -c $((200 * 1024 * 1024)) /dev/urandom > "$work/plain"
password='OPEN=autorun.exe data\index.html.enc none 1 0 data\default.jpg data\default.wav'
key="$(printf '%s' "$password" | md5sum | cut -c1-32)"
rc4=(openssl enc -rc4 -K "$key" -nosalt -provider legacy -provider default)
"${rc4[@]}" -in /dev/null -out /dev/null 2>/dev/null || rc4=(openssl enc -rc4 -K "$key" -nosalt)

seconds() { local s e; s=$(date +%s.%N); "$@"; e=$(date +%s.%N); echo "$e - $s" | bc -l; }
best() { local b=""; for _ in 1 2 3; do t=$(seconds "$@"); if [ -z "$b" ] || (( $(echo "$t < $b" | bc -l) )); then b=$t; fi; done; echo "$b"; }

ours=$(best "$work/encrypt" "$work/plain" "$work/ours.enc" "$password")
theirs=$(best "${rc4[@]}" -in "$work/plain" -out "$work/openssl.enc")
cmp -s "$work/ours.enc" "$work/openssl.enc" || { echo "secure: outputs differ"; exit 1; }
ratio=$(echo "$theirs / $ours" | bc -l)
printf 'secure: encrypt 200 MiB: ours %.3f s (%.0f MiB/s), openssl enc -rc4 %.3f s (%.0f MiB/s), speed ratio %.2f (need >= 0.5)\n' \
    "$ours" "$(echo "200 / $ours" | bc -l)" "$theirs" "$(echo "200 / $theirs" | bc -l)" "$ratio"
