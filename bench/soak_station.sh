#!/usr/bin/env bash
# Soak of corvane-station: a Sur-Gard client link fed by corvane-receiver for a given time, with
# the station's memory sampled all along. The station must answer every message, and its
# resident memory must level off (bounded) rather than grow with the number of messages.
#
#   bench/soak_station.sh [BUILD_DIR] [SECONDS] [RATE]
#     BUILD_DIR  a build with both programs (default build/release)
#     SECONDS    how long the receiver sends (default 600)
#     RATE       messages per second (default 2000; 0 = as fast as lockstep goes)
# Environment: SOAK_SAMPLE_SECONDS (default 5), SOAK_CSV (where the samples go; default a
# temporary file, printed at the end).
set -euo pipefail
build=${1:-build/release}
seconds=${2:-600}
rate=${3:-2000}
sample=${SOAK_SAMPLE_SECONDS:-5}
station=$build/src/station_cli/corvane-station
receiver=$build/tools/receiver/corvane-receiver
csv=${SOAK_CSV:-$(mktemp /tmp/corvane-soak-XXXXXX.csv)}
work=$(mktemp -d /tmp/corvane-soak-XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

if [ "$rate" -gt 0 ]; then
  count=$((seconds * rate))
else
  count=1000000000  # the station's --duration ends the run
fi

# The receiver listens on a free port and names it on its first line.
"$receiver" --protocol sur-gard --listen 127.0.0.1:0 --count "$count" --rate "$rate" \
  --kinds heartbeat,cid,cid10,sia,private --answer-timeout 10000 >"$work/receiver.out" 2>&1 &
receiver_pid=$!
port=""
for _ in $(seq 100); do
  port=$(sed -n 's/.*listening on 127.0.0.1:\([0-9]*\),.*/\1/p' "$work/receiver.out" | head -n 1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "the receiver did not start"; cat "$work/receiver.out"; exit 1; }

"$station" --protocol sur-gard --client "127.0.0.1:$port" --quiet --duration $((seconds + 30)) \
  >"$work/station.out" 2>&1 &
station_pid=$!

echo "seconds,rss_kib" >"$csv"
start=$(date +%s)
while kill -0 "$station_pid" 2>/dev/null; do
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$station_pid/status" 2>/dev/null || true)
  [ -n "$rss" ] && echo "$(($(date +%s) - start)),$rss" >>"$csv"
  sleep "$sample"
done
wait "$station_pid" && station_status=0 || station_status=$?
wait "$receiver_pid" && receiver_status=0 || receiver_status=$?

echo "== corvane-receiver (status $receiver_status)"
tail -n 1 "$work/receiver.out"
echo "== corvane-station (status $station_status)"
cat "$work/station.out"
echo "== memory (VmRSS, KiB), samples every ${sample}s in $csv"
# After a quarter of the run the station has warmed up: what it grows after that is the question.
awk -F, 'NR > 1 {v[++n] = $2; if ($2 > max) max = $2}
  END {if (n == 0) exit 1; q = v[int(n / 4) + 1];
       printf "first %d, after a quarter %d, last %d, max %d (%d samples); growth after the quarter %d KiB\n",
              v[1], q, v[n], max, n, v[n] - q}' "$csv"
