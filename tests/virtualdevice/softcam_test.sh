#!/usr/bin/env bash
# softcam: help, default camera, cameras on chosen adapters with chosen identities, clean stop.
# Runs inside a private network namespace with two adapters (scripts/netns-run --adapters 2).
set -u
softcam="$1"
arv="$2"
fail=0
check() {  # check NAME EXTENDED-REGEX TEXT
  if printf '%s\n' "$3" | grep -qE -e "$2"; then echo "ok: $1"; else echo "FAILED: $1"; printf '%s\n' "$3"; fail=1; fi
}
wait_ready() {  # wait_ready FILE
  for _ in $(seq 100); do grep -q '^ready' "$1" && return 0; sleep 0.05; done; return 1
}

check "help" "^Usage: softcam" "$("$softcam" --help)"
"$softcam" --bogus 2>/dev/null; check "unknown option exits with 2" "^2$" "$?"

out=$(mktemp)
"$softcam" > "$out" & pid=$!
wait_ready "$out"
check "default camera on loopback" "softcam: SoftCam SC0000001 on lo at 127.0.0.1" "$(cat "$out")"
kill -TERM $pid; wait $pid; status=$?
check "SIGTERM stops cleanly" "^stopped$" "$(tail -1 "$out")"
check "exit status 0" "^0$" "$status"

"$softcam" --adapter kyc1 --ip 10.10.1.3 --model ModelA --serial SA --user-name left --vendor VendorA \
           --version 2.1 --adapter 02:00:0a:0a:02:02 --serial SB > "$out" & pid=$!
wait_ready "$out"
check "first camera" "softcam: ModelA SA on kyc1 at 10.10.1.3" "$(cat "$out")"
check "second camera" "softcam: SoftCam SB on kyc2 at 10.10.2.2" "$(cat "$out")"
found=$(timeout 20 "$arv" 2>&1)
check "discovery of the first" "VendorA-ModelA-SA \(10\.10\.1\.3\)" "$found"
check "discovery of the second" "Kitcam-SoftCam-SB \(10\.10\.2\.2\)" "$found"
check "identity by features" "DeviceUserID = left" \
  "$(timeout 20 "$arv" -a 10.10.1.3 control DeviceUserID DeviceVersion 2>&1)"
kill -INT $pid; wait $pid
check "SIGINT stops cleanly" "^stopped$" "$(tail -1 "$out")"

"$softcam" --adapter kyc1 --serial WAY-TOO-LONG-SERIAL > "$out" 2>&1; status=$?
check "identity refused before the start" "^softcam: --serial takes 15 characters at most, not 19$" "$(cat "$out")"
check "exit status 2" "^2$" "$status"
rm -f "$out"
exit $fail
