#!/usr/bin/env bash
# An independent GigE Vision client (aravis) discovers softcam and reads and writes its registers.
# Runs inside a private network namespace (scripts/netns-run).
set -u
softcam="$1"
arv="$2"
out=$(mktemp)
"$softcam" --serial ARV0001 --model InteropCam > "$out" &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -f "$out"' EXIT
for _ in $(seq 50); do grep -q '^ready' "$out" && break; sleep 0.1; done

fail=0
check() {  # check NAME EXPECTED-PATTERN OUTPUT
  if printf '%s\n' "$3" | grep -qE "$2"; then echo "ok: $1"; else echo "FAILED: $1"; printf '%s\n' "$3"; fail=1; fi
}
check "discovery" "Kitcam-InteropCam-ARV0001 \(127\.0\.0\.1\)" "$(timeout 20 "$arv" 2>&1)"
check "register read" "R\[0x00000000\] = 0x00020000" "$(timeout 20 "$arv" -a 127.0.0.1 control 'R[0x0]' 2>&1)"
check "register write" "R\[0x00000938\] = 0x000007d0" \
  "$(timeout 20 "$arv" -a 127.0.0.1 control 'R[0x938]=2000' 'R[0x938]' 2>&1)"
check "feature write by WRITEMEM" "DeviceUserID = interop" \
  "$(timeout 20 "$arv" -a 127.0.0.1 control DeviceUserID=interop DeviceUserID 2>&1)"
check "read-only register" "write-protect" "$(timeout 20 "$arv" -a 127.0.0.1 control 'R[0x0]=1' 2>&1)"
exit $fail
