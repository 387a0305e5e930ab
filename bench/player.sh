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
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  times+=($(((end - start) / 1000000)))
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "player start-to-shown: ${times[*]} ms; median ${sorted[2]} ms"
