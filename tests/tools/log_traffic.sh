#!/usr/bin/env bash
# log_traffic.sh SOFTCAM KYDEMO: a softcam session (kydemo grabbing from softcam) logs nothing of
# its GVCP and GVSP traffic by default, and shows both, on both sides, once KY_LOG raises the
# control and stream categories to debug. Runs inside a private namespace.
set -euo pipefail
softcam=$1 kydemo=$2
work=$(mktemp -d)
camera=
trap '[ -n "$camera" ] && { kill "$camera" 2>/dev/null; wait "$camera" 2>/dev/null; }; rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; for f in "$work"/*.log; do echo "--- $f"; head -c 3000 "$f"; echo; done; exit 1; }

# session NAME: softcam and kydemo with the environment as it is; their output in NAME-*.log.
session() {
  "$softcam" --pixel-format Mono8 --width 64 --height 48 --fps 30 >"$work/$1-softcam.log" 2>&1 &
  camera=$!
  for _ in $(seq 100); do grep -q '^ready' "$work/$1-softcam.log" && break; sleep 0.1; done
  grep -q '^ready' "$work/$1-softcam.log" || fail "softcam did not start"
  "$kydemo" --output "$work" --frames 3 >"$work/$1-kydemo.log" 2>&1 || fail "kydemo failed"
  kill "$camera"; wait "$camera" 2>/dev/null || true
  camera=
}

# count FILE PATTERN: how many lines of FILE match the extended regular expression.
count() { grep -cE "$2" "$1" || true; }

GVCP_HOST='^\[control debug\] GvcpClient (sent|received): [A-Z_]+_(CMD|ACK) \(0x'
GVCP_DEVICE='^\[control debug\] SoftGvcpServer::(Receive|Send): (command from|ack to) .*[A-Z_]+_(CMD|ACK) \(0x'
GVSP_HOST='^\[stream debug\] GvspBlockTracker::Process: GVSP [a-z.0-9-]+ block=[0-9]+ packet=[0-9]+'

unset KY_LOG
session default
for f in "$work"/default-*.log; do
  [ "$(count "$f" '^\[[a-z]+ (debug|info|warning|error|critical)\]')" = 0 ] || fail "$f has log lines by default"
done

export KY_LOG=control=debug,stream=debug
session debug
[ "$(count "$work/debug-kydemo.log" 'GvcpClient sent: READREG_CMD \(0x')" -gt 0 ] || fail "kydemo shows no GVCP command"
[ "$(count "$work/debug-kydemo.log" 'GvcpClient received: READREG_ACK \(0x')" -gt 0 ] || fail "kydemo shows no GVCP acknowledge"
[ "$(count "$work/debug-kydemo.log" "$GVCP_HOST")" -gt 0 ] || fail "kydemo's GVCP lines are not as expected"
[ "$(count "$work/debug-kydemo.log" '^\[control debug\] discovery sent: DISCOVERY_CMD \(0x')" -gt 0 ] &&
  [ "$(count "$work/debug-kydemo.log" '^\[control debug\] discovery received: DISCOVERY_ACK \(0x')" -gt 0 ] ||
  fail "kydemo shows no discovery"
[ "$(count "$work/debug-kydemo.log" "$GVSP_HOST")" -gt 0 ] || fail "kydemo shows no GVSP packet"
[ "$(count "$work/debug-kydemo.log" 'GVSP leader block=')" -gt 0 ] || fail "kydemo shows no GVSP leader"
[ "$(count "$work/debug-kydemo.log" 'GVSP trailer block=')" -gt 0 ] || fail "kydemo shows no GVSP trailer"
[ "$(count "$work/debug-softcam.log" "$GVCP_DEVICE")" -gt 0 ] || fail "softcam shows no GVCP traffic"
# Nothing but the two raised categories writes below info.
[ "$(count "$work/debug-kydemo.log" '^\[(system|device|genicam|softdevice|display) debug\]')" = 0 ] ||
  fail "a category that was not raised wrote debug lines"

# A misspelt category is named on standard error, and the program still runs.
export KY_LOG=contrl=debug
session typo
grep -q "KY_LOG: cannot read 'contrl=debug'" "$work/typo-kydemo.log" || fail "a misspelt KY_LOG item passes unnoticed"
[ "$(count "$work/typo-kydemo.log" "$GVCP_HOST")" = 0 ] || fail "a misspelt item raised a category"
echo "log traffic passed"
