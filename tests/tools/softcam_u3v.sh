#!/usr/bin/env bash
# softcam_u3v.sh SOFTCAM: softcam --u3v runs a USB3 Vision twin of its camera on its own simulated
# USB host controller and says so; a GUID that is plugged twice is refused at start. Runs inside
# a private namespace.
set -euo pipefail
softcam=$1
work=$(mktemp -d)
camera=
trap '[ -n "$camera" ] && { kill "$camera" 2>/dev/null; wait "$camera" 2>/dev/null; }; rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; cat "$work"/*.log; exit 1; }

"$softcam" --serial U3VTWIN --width 64 --height 48 --u3v 00aabbccddee >"$work/softcam.log" 2>&1 &
camera=$!
for _ in $(seq 100); do grep -q '^ready' "$work/softcam.log" && break; sleep 0.1; done
grep -q '^ready' "$work/softcam.log" || fail "softcam did not start"
grep -q '^softcam: SoftCam U3VTWIN on .* at ' "$work/softcam.log" || fail "no GigE Vision camera line"
grep -q '^softcam: SoftCam U3VTWIN on the simulated USB host controller as 00aabbccddee$' "$work/softcam.log" ||
  fail "no USB3 Vision camera line"
kill "$camera"; wait "$camera" 2>/dev/null || true
camera=
grep -q '^stopped' "$work/softcam.log" || fail "softcam did not stop"

# Two cameras cannot share a GUID.
status=0
"$softcam" --u3v 00AABBCCDDEE --adapter kyc1 --u3v 00aabbccddee \
  >"$work/twice.log" 2>&1 || status=$?
[ "$status" = 1 ] || fail "a GUID plugged twice gave status $status"
grep -q '^softcam: --u3v: ' "$work/twice.log" || fail "no refusal of the second GUID"
echo ok
