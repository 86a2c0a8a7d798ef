#!/usr/bin/env bash
# Measures the processor time an idle Velmora uses: starts the program from a
# build folder under its own Xvfb, adds one Keyform model (a figure from the
# model cache, else the sample cottage), lets it settle, then reads the
# process's user and system time from /proc over a window of seconds and
# prints it as a share of one core. With "animate", the figure's standing
# animation plays during the measurement instead, for comparison.
# usage: bench/idle_cpu.sh [build-folder] [seconds] [animate]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
seconds=${2:-10}
mode=${3:-idle}
cache=${VELMORA_MODEL_CACHE:-$HOME/.cache/velmora/models}

work=$(mktemp -d /tmp/velmora-idle-XXXXXX)
xvfb_pid=""
velmora_pid=""
cleanup() {
    exec 3>&- || true
    [ -n "$velmora_pid" ] && kill "$velmora_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The working folder is laid out like the build folder: program, plug-ins, runtime files.
ln -s "$build/velmora" "$work/velmora"
cp -r "$build/models" "$work/models"
for name in $(cat "$build/runtime-files.txt"); do
    [ -e "$build/$name" ] && cp -r "$build/$name" "$work/$name"
done
model=cottage
if [ -f "$cache/sydney/tris.md2" ]; then
    model=sydney
    cp -r "$cache/sydney" "$work/sydney"
fi

# Xvfb tells the display number it took on a file descriptor.
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$work/.display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/.display" ] && break
    sleep 0.1
done
display=":$(head -n1 "$work/.display")"

# The console reads a pipe that stays open for the whole measurement.
mkfifo "$work/.console"
(cd "$work" && DISPLAY=$display exec ./velmora <.console >.out 2>.err) &
velmora_pid=$!
exec 3>"$work/.console"
echo "new model Keyform $model" >&3
for _ in $(seq 300); do
    grep -q "skins:" "$work/.out" && break
    sleep 0.1
done
if [ "$mode" = animate ]; then
    # The figure's standing animation repeats for as long as it is measured.
    echo "animate stand" >&3
fi
sleep 3

ticks() { awk '{ print $14 + $15 }' "/proc/$velmora_pid/stat"; }
before=$(ticks)
sleep "$seconds"
after=$(ticks)
hz=$(getconf CLK_TCK)
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" -v m="$model" -v mode="$mode" \
    'BEGIN { printf "%s, %s: %.1f%% of a core over %d s (%d ticks)\n", m, mode, 100 * t / hz / s, s, t }'
