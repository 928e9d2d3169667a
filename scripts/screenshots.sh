#!/usr/bin/env bash
# Takes the README's pictures of the overlay under Xvfb: the window on the sample DV clip with the
# DV date panel, then with the overlay panel (recording date burnt in, shifted by one hour), and a
# still grabbed headless with the recording date and time burnt in. Needs build/framix and the
# corpus (cmake --build build --target corpus). Writes into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
sample="$PWD/build/corpus/sample_pal_date.dv"
[ -x build/framix ] && [ -f "$sample" ] || { echo "build Framix and the corpus first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shot PNG ARGS...: Framix at its default size on a screen of that size, pictured after it settled.
shot() {
  local png=$1
  shift
  XDG_CONFIG_HOME="$work/config-$(basename "$png" .png)" xvfb-run -a -s "-screen 0 1024x720x24" \
    bash -c 'build/framix "$@" & pid=$!; sleep 10; import -window root "$0"; kill "$pid"; wait "$pid" || true' \
    "$png" "$@"
}

overlay=("/o=$sample" /fd1=dd/mm/yyyy /fd2=hh:nn:ss /dh=0.041666666667 /id)
shot docs/dv-date-panel.png "${overlay[@]}" /shDV
shot docs/overlay-panel.png "${overlay[@]}" /ShIn

mkdir -p "$work/stills"
XDG_CONFIG_HOME="$work/config-grab" build/framix -platform offscreen "/o=$sample" "/savfold=$work/stills/" \
  /root=sample /addi=1 /n=1 /dig=2 /iex=1 /qual=90 /ci=false /fd1=dd/mm/yyyy /fd2=hh:nn:ss /id \
  /idelai=2 /iunit=1 /si /inter /quit
cp "$work/stills/sample_02.jpg" docs/grab-with-date.jpg
ls -l docs/dv-date-panel.png docs/overlay-panel.png docs/grab-with-date.jpg
