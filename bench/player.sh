#!/usr/bin/env bash
# Start-to-shown time of the player: from launch until the local page's title
# is on the browser window (the page has been loaded). Median of 5 runs.
# Usage: bench/player.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: bench/player.sh BUILD_DIR}"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
disc="$(mktemp -d)"
home="$(mktemp -d)"
trap 'rm -rf "$disc" "$home"' EXIT
ln "$build/rondivo" "$disc/autorun.exe" 2>/dev/null || cp "$build/rondivo" "$disc/autorun.exe"
mkdir -p "$disc/data"
cat > "$disc/data/index.html" <<'HTML'
<html><head><title>Bench Page</title></head>
<body><h1>Menu</h1><p><a href="http://ACTION_QUIT">Quit</a></p></body></html>
HTML
times=()
cpu=()
for _ in 1 2 3 4 5; do
  start=$(date +%s%N)
  (cd "$disc" && HOME="$home" XDG_DATA_HOME="$home/.local/share" exec ./autorun.exe 'data\index.html' none 1 0) &
  pid=$!
  deadline=$((start + 20000000000))
  until xdotool search --onlyvisible --name '^Bench Page$' >/dev/null 2>&1; do
    [ "$(date +%s%N)" -lt "$deadline" ] || { echo "player window did not appear" >&2; kill "$pid"; exit 1; }
    sleep 0.01
  done
  end=$(date +%s%N)
  # CPU time of the player and its engine processes by then: wall time on a busy machine
  # mostly measures the other processes.
  ticks=0
  for f in /proc/[0-9]*/stat; do
    read -r -a stat 2>/dev/null < "$f" || continue
    # The player and the engine's page and network processes it started.
    if [ "${stat[0]}" = "$pid" ] || [ "${stat[3]}" = "$pid" ]; then ticks=$((ticks + stat[13] + stat[14])); fi
  done
  cpu+=($((ticks * 1000 / $(getconf CLK_TCK))))
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  times+=($(((end - start) / 1000000)))
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
cpusorted=($(printf '%s\n' "${cpu[@]}" | sort -n))
echo "player start-to-shown: ${times[*]} ms; median ${sorted[2]} ms" \
  "(player CPU ${cpusorted[2]} ms; load average $(cut -d' ' -f1 /proc/loadavg))"
