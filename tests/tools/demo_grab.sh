#!/usr/bin/env bash
# demo_grab.sh SOFTCAM KYDEMO [softcam options]: starts softcam, lets kydemo grab ten frames from
# it, and checks that kydemo succeeded, got every frame complete, counted no packet as lost (not
# even of the frame its stop cut off) and wrote a PNG file; with
# softcam's --test-drop, also that the dropped packets came back through resends. Runs inside a
# private namespace.
set -euo pipefail
softcam=$1 kydemo=$2
shift 2
work=$(mktemp -d)
trap 'kill "$camera" 2>/dev/null; wait "$camera" 2>/dev/null; rm -rf "$work"' EXIT
# The options given come first: after --adapter, the format options describe that same camera.
"$softcam" "$@" --pixel-format BayerRG8 --width 320 --height 240 --fps 30 >"$work/softcam.log" 2>&1 &
camera=$!
for _ in $(seq 100); do grep -q '^ready' "$work/softcam.log" && break; sleep 0.1; done
grep -q '^ready' "$work/softcam.log" || { cat "$work/softcam.log"; echo "softcam did not start"; exit 1; }
"$kydemo" --output "$work" --frames 10 | tee "$work/kydemo.log"
summary=$(grep '^Frames complete: ' "$work/kydemo.log") || { echo "kydemo printed no summary"; exit 1; }
case "$summary" in
  "Frames complete: 10 of 10; "*) ;;
  *) echo "not every frame arrived complete"; exit 1 ;;
esac
# Every frame came whole; the one that kydemo's own stop cut off lost nothing either.
case "$summary" in
  *"packets lost 0") ;;
  *) echo "packets counted as lost although every frame arrived complete"; exit 1 ;;
esac
case " $* " in
  *" --test-drop "*)
    case "$summary" in
      *"packets recovered 0,"*) echo "packets were dropped, but none came back through a resend"; exit 1 ;;
    esac ;;
esac
# A PNG file starts with its 8-byte signature.
[ "$(head -c 8 "$work/frame.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || {
  echo "no PNG image was written"; exit 1; }
echo "demo grab passed"
