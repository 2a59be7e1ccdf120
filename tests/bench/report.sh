#!/usr/bin/env bash
# Prints one table of Dralen's figures: benchmarks of the tick and the frame,
# the real game thread's cadence, and the whole game under Xvfb: its start-up
# against an empty Qt window, its cost per thread while playing, its key
# latency, and how quiet it is while paused.
# Usage: report.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)

printf 'Machine: %s, %s cores, %s\n' "$(uname -srm)" "$(nproc)" \
  "$(grep -m1 'model name' /proc/cpuinfo 2>/dev/null | cut -d: -f2 | sed 's/^ *//' || echo unknown CPU)"
printf 'Load average at start: %s\n\n' "$(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo n/a)"

rows=()
row() { rows+=("$(printf '%-46s %14s   %s' "$1" "$2" "$3")"); }

# Google Benchmark: real time per iteration of each benchmark.
while IFS=, read -r name iterations real cpu unit rest; do
  name=${name//\"/}
  case "$name" in
    bmTick20x40) row "gameStep per tick, 20x40 field" "$real $unit" "" ;;
    bmTick56x96) row "gameStep per tick, 56x96 field" "$real $unit" "" ;;
    bmPaint20x40) row "paintPlayArea per frame, 20x40 at 20 px" "$real $unit" "goal < 0.3 ms" ;;
    bmPaint56x96) row "paintPlayArea per frame, 56x96 at 20 px" "$real $unit" "" ;;
    bmGenerate25In6x6) row "generateShape, 25 blocks in 6x6" "$real $unit" "" ;;
    bmGenerate16In4x4) row "generateShape, 16 blocks in 4x4" "$real $unit" "" ;;
    bmProjection50x50) row "computeProjection, 50x50 field" "$real $unit" "" ;;
    bmLanding50x50) row "landActiveShape, 50x50 field, 5 rows" "$real $unit" "" ;;
    bmTickSteadyPlay) row "tick of steady play, Tetraminoes" "$real $unit" "" ;;
    bmTickSteadyPlayRecorded) row "  the same tick, recorded" "$real $unit" "" ;;
  esac
done < <("$build/tests/dralen_bench" --benchmark_filter=-bmRecordingOfAnHour --benchmark_format=csv 2>/dev/null |
         grep '^"bm')

# The size of an hour's recording is a counter, which the CSV reporter takes
# only from a run of its own.
read -r hour games < <("$build/tests/dralen_bench" --benchmark_filter=bmRecordingOfAnHour --benchmark_format=csv \
  2>/dev/null | awk -F, '/^name,/ { for (i = 1; i <= NF; ++i) column[$i] = i }
    /^"bmRecordingOfAnHour/ { print $column["\"bytes_per_hour\""], $column["\"games\""] }')
row "recording of an hour of steady play" "$((hour / 1000)) KB" "$games games' ticks, one start"

# The real game thread on the system clock for 10 seconds.
cadence=$("$build/tests/dralen_cadence" 10)
period=$(sed -n 's/.*mean period \([0-9.]*\) ms.*/\1/p' <<<"$cadence")
late=$(sed -n 's/.*lateness p99 \([0-9.]*\) ms.*/\1/p' <<<"$cadence")
row "tick cadence, mean period over 10 s" "$period ms" "goal 10.00 ms +- 0.1 %"
row "tick cadence, 99th percentile lateness" "$late ms" "goal < 0.2 ms"

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
gamedir=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$gamedir"' EXIT
cp -r "$root/data/." "$gamedir/"
sleep 1

# Start to first painted frame, the game against an empty Qt window of the
# same size, taken in turns; the median of five each.
painted() { sed -n 's/first frame painted at \([0-9]*\).*/\1/p'; }
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
game_starts=() bare_starts=() size=
for _ in 1 2 3 4 5; do
  rm -f "$gamedir/autosave.sav"
  launched=$(date +%s%3N)
  run=$(cd "$gamedir" && DISPLAY=$display SDL_AUDIODRIVER=dummy "$build/tests/dralen_playrun" --first-frame 2>/dev/null)
  game_starts+=($(( $(painted <<<"$run") - launched )))
  size=$(sed -n 's/window size \([0-9]*\) \([0-9]*\)/\1 \2/p' <<<"$run")
  launched=$(date +%s%3N)
  run=$(DISPLAY=$display "$build/tests/dralen_barewindow" $size 2>/dev/null)
  bare_starts+=($(( $(painted <<<"$run") - launched )))
done
rm -f "$gamedir/autosave.sav"
game_start=$(printf '%s\n' "${game_starts[@]}" | median)
bare_start=$(printf '%s\n' "${bare_starts[@]}" | median)
row "start to first painted frame (median of 5)" "$game_start ms" ""
row "  empty Qt window, ${size/ /x}, same run" "$bare_start ms" ""
row "  ratio" "$(awk -v g="$game_start" -v b="$bare_start" 'BEGIN {printf "%.2f", g / b}')" "goal <= 1.5"

# The whole game under Xvfb: 30 s playing on its own, 15 s played with keys,
# then 10 s paused.
run=$(cd "$gamedir" && DISPLAY=$display SDL_AUDIODRIVER=dummy "$build/tests/dralen_playrun" 30 15 10 2>/dev/null)
row "CPU while playing (share of one core)" "$(sed -n 's/cpu playing \(.*\)/\1/p' <<<"$run")" "goal <= 0.5 %"
while read -r _ _ name cpu _ wakes; do
  row "  thread $name" "$cpu %" "$wakes wake-ups"
done < <(grep '^thread playing' <<<"$run")
row "CPU while paused (share of one core)" "$(sed -n 's/cpu paused \(.*\)/\1/p' <<<"$run")" "goal <= 0.02 %"
row "wake-ups per second while paused, all threads" "$(sed -n 's/wakes paused \([0-9.]*\).*/\1/p' <<<"$run")" "goal <= 1"
while read -r _ _ name _ _ wakes; do
  row "  thread $name" "$wakes" ""
done < <(grep '^thread paused' <<<"$run")
latency=$(grep '^key latency' <<<"$run")
row "key to painted effect, median" "$(sed -n 's/.*median \([0-9.]*\) ms.*/\1/p' <<<"$latency") ms" ""
row "key to painted effect, 99th percentile" "$(sed -n 's/.*p99 \([0-9.]*\) ms.*/\1/p' <<<"$latency") ms" \
  "goal <= 12 ms ($(sed -n 's/.*over \([0-9]*\) turns.*/\1/p' <<<"$latency") turns)"
row "key to painted effect, maximum" "$(sed -n 's/.*max \([0-9.]*\) ms.*/\1/p' <<<"$latency") ms" \
  "not counted: $(sed -n 's/.*turns (\(.*\))/\1/p' <<<"$latency")"
row "peak resident memory" "$(sed -n 's/peak memory \(.*\)/\1/p' <<<"$run")" "goal <= 40 MB"

printf '%-46s %14s   %s\n' "Figure" "Measured" "Goal"
printf '%s\n' "${rows[@]}"
