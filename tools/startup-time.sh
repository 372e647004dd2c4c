#!/usr/bin/env bash
# Times the start of an installed jukora: from the command to its main window
# mapped on the screen, a few runs in a fresh profile each, under Xvfb with a
# session bus of its own (so the desktop's media controls start as well).
# Each run ends with the normal shutdown, asked for over the bus (MPRIS Quit).
#   xvfb-run -a -s "-noreset -screen 0 1280x1024x24" dbus-run-session -- \
#       tools/startup-time.sh [program] [runs]
# (-noreset: Xvfb would otherwise reset, refusing clients for a moment, each
# time the last one leaves.)
# Needs xdotool and gdbus (libglib2.0-bin).
set -euo pipefail
program=${1:-jukora}
runs=${2:-5}
for i in $(seq "$runs"); do
  home=$(mktemp -d)
  start=$(date +%s%N)
  HOME=$home JUKORA_AUDIO=null "$program" &
  pid=$!
  until xdotool search --onlyvisible --name '^Jukora - ' >/dev/null 2>&1; do
    kill -0 "$pid" 2>/dev/null || { echo "jukora ended before its window showed" >&2; exit 1; }
    sleep 0.005
  done
  shown=$(date +%s%N)
  echo "run $i: main window shown after $(( (shown - start) / 1000000 )) ms"
  until gdbus call --session --dest org.mpris.MediaPlayer2.jukora \
      --object-path /org/mpris/MediaPlayer2 --method org.mpris.MediaPlayer2.Quit >/dev/null 2>&1; do
    sleep 0.05
  done
  wait "$pid"
  [ -f "$home/jk.ini" ] || { echo "no settings saved at the end" >&2; exit 1; }
  rm -rf "$home"
done
