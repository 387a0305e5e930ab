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

# "wall cpu" seconds of one run (cpu = user + system), by bash's own timer.
run() {
    local TIMEFORMAT='%R %U %S' t
    t=$( { time "$@" >/dev/null 2>&1; } 2>&1 )
    echo "$t" | awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }'
}
# Best of three by wall time; the machine is shared, so CPU time is printed too.
best() {
    local b="" r
    for _ in 1 2 3; do
        r=$(run "$@")
        if [ -z "$b" ] || awk -v a="${r% *}" -v b="${b% *}" 'BEGIN { exit !(a < b) }'; then b=$r; fi
    done
    echo "$b"
}

ours=$(best "$work/encrypt" "$work/plain" "$work/ours.enc" "$password")
theirs=$(best "${rc4[@]}" -in "$work/plain" -out "$work/openssl.enc")
cmp -s "$work/ours.enc" "$work/openssl.enc" || { echo "secure: outputs differ"; exit 1; }
awk -v o="$ours" -v t="$theirs" 'BEGIN {
    split(o, a, " "); split(t, b, " ");
    printf "secure: encrypt 200 MiB: ours %.3f s wall / %.3f s CPU, openssl enc -rc4 %.3f s wall / %.3f s CPU\n", a[1], a[2], b[1], b[2];
    printf "secure: speed ratio ours/openssl: %.2f by wall time, %.2f by CPU time (need >= 0.5)\n", b[1] / a[1], b[2] / a[2];
}'
