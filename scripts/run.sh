#!/usr/bin/env bash
# Installs what is missing, builds Framix, generates the sample video and runs Framix on it.
# Without a display, Framix runs headless: it grabs one still a second of the sample DV clip with
# the recording date and time read from its frames burnt in, and the files it wrote are listed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
cmake --build build --target corpus
sample="$PWD/build/corpus/sample_pal_date.dv"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  stills="$PWD/build/sample-stills"
  rm -rf "$stills"
  mkdir -p "$stills"
  # The demonstration keeps its settings to itself: the user's preferences stay as they are.
  config=$(mktemp -d)
  trap 'rm -rf "$config"' EXIT
  # Datecode mode (/id): line 1 the recording date, line 2 the recording time; one JPEG a second.
  XDG_CONFIG_HOME="$config" build/framix -platform offscreen "/o=$sample" "/savfold=$stills/" /root=sample \
    /addi=1 /n=1 /dig=2 /iex=1 /qual=90 /ci=false /fd1=dd/mm/yyyy /fd2=hh:nn:ss /id \
    /idelai=1 /iunit=1 /si /inter /quit "$@"
  echo "Images écrites (date et heure d'enregistrement incrustées) :"
  ls -1 "$stills"/*.jpg | sed 's/^/  /'
  exit 0
fi
exec build/framix "/o=$sample" "$@"
