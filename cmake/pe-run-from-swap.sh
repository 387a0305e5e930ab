#!/bin/sh
# Marks a PE executable to be run from the swap file when it is started from
# removable media or the network (IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP 0x0400,
# IMAGE_FILE_NET_RUN_FROM_SWAP 0x0800 in the COFF header's Characteristics):
# Windows then copies the whole program into memory at start and never pages
# it in from the disc again, so the player can eject the disc it runs from.
# GNU ld has no option for these two bits.
#   pe-run-from-swap.sh FILE
set -eu
file=$1
byte() { od -An -tu1 -j "$1" -N 1 "$file" | tr -d ' '; }
[ "$(byte 0)" = 77 ] && [ "$(byte 1)" = 90 ] || { echo "$file: no MZ header" >&2; exit 1; }
pe=$(( $(byte 60) + 256 * $(byte 61) + 65536 * $(byte 62) + 16777216 * $(byte 63) ))
[ "$(byte "$pe")" = 80 ] && [ "$(byte $((pe + 1)))" = 69 ] || { echo "$file: no PE signature" >&2; exit 1; }
# Characteristics: 2 bytes at signature (4) + Machine (2) + NumberOfSections (2)
# + TimeDateStamp (4) + PointerToSymbolTable (4) + NumberOfSymbols (4) + SizeOfOptionalHeader (2).
at=$((pe + 22))
high=$(( $(byte $((at + 1))) | 0x0C ))
printf "\\$(printf '%03o' "$high")" | dd of="$file" bs=1 seek=$((at + 1)) conv=notrunc status=none
