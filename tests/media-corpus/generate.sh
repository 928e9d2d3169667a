#!/usr/bin/env bash
# Generates the test media corpus into the folder given as $1 (normally build/corpus).
#
# Everything is made at test time with ffmpeg and gst-launch-1.0 command lines plus the small
# writers beside this script (framepattern.py, dvpacks.py, avitype1.py, scnwriter.py, damage.py,
# manifest.py; Python standard library only). Nothing binary is committed.
#
# Cache: $1/.stamp holds a hash of the generator scripts and of the tool versions; when it matches,
# nothing is done. Any change to a script here regenerates the whole corpus. Runs under a lock, so
# concurrent builds and test runs share one generation.
#
# manifest.json (written last, read by the tests) has this shape:
# {
#   "generator": "<hash>",
#   "files": {
#     "<path relative to the corpus folder>": {
#       "kinds":     ["ext", "dv", "dv-raw", "dv-type1", "dv-type2", "mpeg2", "h264-longgop",
#                     "audio", "dual-audio", "frame-index", "damaged", "sample", ...],
#       "bytes":     file size,
#       "container": ffprobe's format name ("dv", "avi", "mpeg", "mpegts", "matroska,webm", ...),
#       "duration":  seconds (ffprobe),
#       "video":     {"codec", "width", "height", "fps" ("25/1", "30000/1001"), "sar", "dar",
#                     "frames": number of frames written, "mpeg_aspect": 1|2|3 for MPEG-2 sequence
#                     headers (1 square pixels, 2 4:3, 3 16:9)} or null,
#       "audio":     [{"codec", "rate", "channels"}] (one entry per audio stream),
#       "frame_index": true when every frame shows its number (see framepattern.py),
#       "dv":        for DV files: {"system": "625/50"|"525/60", "frame_bytes": 144000|120000,
#                     "wide": bool, "display_select": 0|2, "audio_rate": 48000, "audio_bits": 16,
#                     "mode": "all"|"none"|"alternate"|"tconly",
#                     "frames": [{"date": "YYYY-MM-DD hh:mm:ss" or null,
#                                 "timecode": "hh:mm:ss:ff" or null}, ...one per frame]}
#                     (bytes of the packs: see dvpacks.py),
#       "damaged":   for damaged copies: {"source": file name, "damage": text, "bytes": size}
#     }
#   },
#   "scenes": {"<name>.scn": {"loads": bool, "scenes": [[start, value2], ...]}}
# }
# Damaged copies live in damaged/, scene files at the top level beside the clips they belong to.
set -euo pipefail
out=${1:?output folder}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)

hash=$( (cd "$here" && cat $(ls -- *.sh *.py | sort); ffmpeg -version | sed -n 1p; gst-launch-1.0 --version | sed -n 1p) \
  | sha256sum | cut -d' ' -f1)

exec 9>"$out/.lock"
flock 9
if [ -f "$out/.stamp" ] && [ "$(cat "$out/.stamp")" = "$hash" ]; then
  echo "corpus: up to date ($out)"
  exit 0
fi
started=$(date +%s)
find "$out" -mindepth 1 -maxdepth 1 ! -name .lock -exec rm -rf {} +
mkdir -p "$out/.meta" "$out/damaged" "$out/.work"
cd "$out"

FF=(ffmpeg -hide_banner -loglevel error -nostdin -y)
GST=(gst-launch-1.0 -q)
SINE=(-f lavfi -i "sine=frequency=440:sample_rate=48000")
SINE2=(-f lavfi -i "sine=frequency=660:sample_rate=48000")
PY=(python3)

# meta FILE JSON: what the generator knows about FILE (merged into the manifest).
meta() { printf '%s\n' "$2" >"$out/.meta/${1//\//__}.json"; }

# frames W H N: the frame-index pictures as raw grey on stdout.
frames() { "${PY[@]}" "$here/framepattern.py" "$1" "$2" "$3"; }

# testsrc W H RATE SECONDS: a moving test picture.
testsrc() { echo "testsrc2=size=$1x$2:rate=$3:duration=$4"; }

# ---- job pool: two at a time (the machine has two cores) --------------------------------------
pids=()
failed=0
job() {
  while [ "$(jobs -rp | wc -l)" -ge 2 ]; do wait -n || true; done
  ( set -e; "$@" ) >"$out/.work/$1_${#pids[@]}.log" 2>&1 &
  pids+=($!)
}
finish() {
  local p
  for p in "${pids[@]}"; do wait "$p" || failed=1; done
  pids=()
}

# ---- H.264 long GOP (250 frames, B-frames), frame index, MP4 / MKV / M2TS ---------------------
h264_longgop() { # name W H aspect
  local n=$1 w=$2 h=$3 aspect=$4 frames_n=260
  frames "$w" "$h" $frames_n | "${FF[@]}" -f rawvideo -pix_fmt gray -s "${w}x$h" -framerate 25 -i - \
    "${SINE[@]}" -shortest -c:v libx264 -preset superfast \
    -x264-params keyint=250:min-keyint=250:scenecut=0:bframes=3:b-pyramid=normal -pix_fmt yuv420p \
    -aspect "$aspect" -c:a pcm_s16le -ac 2 "$n.mkv"
  "${FF[@]}" -i "$n.mkv" -map 0 -c:v copy -c:a aac -b:a 128k "$n.mp4"
  "${FF[@]}" -i "$n.mkv" -map 0 -c:v copy -c:a ac3 -b:a 192k -f mpegts -mpegts_m2ts_mode 1 "$n.m2ts"
  for e in mkv mp4 m2ts; do
    meta "$n.$e" "{\"kinds\":[\"h264-longgop\",\"frame-index\"],\"frames\":$frames_n,\"frame_index\":true}"
  done
}

# ---- other frame-index clips ------------------------------------------------------------------
# Grain keeps every MPEG-2 frame larger than a PES packet, so that every frame gets its own PTS.
fi_mpeg2() {
  frames 720 576 100 | "${FF[@]}" -f rawvideo -pix_fmt gray -s 720x576 -framerate 25 -i - "${SINE[@]}" \
    -shortest -vf noise=alls=12:allf=t+u -c:v mpeg2video -b:v 5M -g 12 -bf 2 -pix_fmt yuv420p -aspect 4:3 -c:a mp2 -b:a 192k \
    -ac 2 -f mpegts fi_mpeg2_ts.ts
  meta fi_mpeg2_ts.ts '{"kinds":["mpeg2","frame-index"],"frames":100,"frame_index":true,"mpeg_aspect":2}'
  frames 720 480 100 | "${FF[@]}" -f rawvideo -pix_fmt gray -s 720x480 -framerate 30000/1001 -i - \
    "${SINE[@]}" -shortest -vf noise=alls=12:allf=t+u -c:v mpeg2video -b:v 5M -g 15 -bf 2 -pix_fmt yuv420p -aspect 16:9 \
    -c:a ac3 -b:a 192k -ac 2 -f vob fi_mpeg2_ps.mpg
  meta fi_mpeg2_ps.mpg '{"kinds":["mpeg2","frame-index"],"frames":100,"frame_index":true,"mpeg_aspect":3}'
}
fi_mjpeg() {
  frames 640 480 100 | "${FF[@]}" -f rawvideo -pix_fmt gray -s 640x480 -framerate 25 -i - "${SINE[@]}" \
    -shortest -c:v mjpeg -q:v 6 -pix_fmt yuvj420p -c:a pcm_s16le -ac 2 fi_mjpeg.avi
  meta fi_mjpeg.avi '{"kinds":["mjpeg","frame-index"],"frames":100,"frame_index":true}'
}

# ---- frame-index clips of the kinds users bring from elsewhere ---------------------------------
# fi_enc NAME W H RATE FRAMES -- ffmpeg output options: a frame-index clip with a tone.
fi_enc() {
  local n=$1 w=$2 h=$3 rate=$4 count=$5
  shift 6
  frames "$w" "$h" "$count" | "${FF[@]}" -f rawvideo -pix_fmt gray -s "${w}x$h" -framerate "$rate" -i - \
    "${SINE[@]}" -shortest "$@" "$n"
  meta "$n" "{\"kinds\":[\"frame-index\",\"elsewhere\"],\"frames\":$count,\"frame_index\":true}"
}
# MPEG-4 Part 2 in AVI with B-frames. libxvid packs a P- and a B-VOP into one chunk (the next chunk
# a not-coded placeholder) and leaves empty chunks where it held frames back; ffmpeg's own encoder
# and the unpack filter give one VOP per chunk. The frame count is that of the coded VOPs.
fi_mpeg4_avi() { # NAME -- options
  local n=$1
  shift 2
  # Grain: without it a B-VOP's block whose co-located block the next P-VOP skipped is copied
  # from the frame before, and the flat cells of the pattern would show that frame's bits.
  frames 480 360 100 | "${FF[@]}" -f rawvideo -pix_fmt gray -s 480x360 -framerate 25 -i - "${SINE[@]}" \
    -shortest -vf noise=alls=12:allf=t+u -pix_fmt yuv420p "$@" -c:a libmp3lame -b:a 128k -ac 2 "$n"
  local vops count shown slots=""
  vops=$("${PY[@]}" "$here/mpeg4vops.py" "$n" 25)
  count=$(sed -n 1p <<<"$vops")
  shown=$(sed -n 2p <<<"$vops")
  # A frame the encoder lost in the middle (the unpack filter drops a packed B-VOP at the very
  # end of the file) leaves a gap: the frames present are listed.
  [ "$shown" != "$(python3 -c "print(list(range($count)))")" ] && slots=",\"slots\":$shown"
  meta "$n" "{\"kinds\":[\"frame-index\",\"elsewhere\",\"mpeg4-bframes\"],\"frames\":$count,\"frame_index\":true,\"packets\":\"chunks\"$slots}"
}
fi_mpeg4() {
  fi_mpeg4_avi fi_xvid_packed.avi -- -c:v libxvid -bf 2 -q:v 3 -g 25 -vtag XVID
  fi_mpeg4_avi fi_xvid_unpacked.avi -- -c:v libxvid -bf 2 -q:v 3 -g 25 -vtag XVID -bsf:v mpeg4_unpack_bframes
  fi_mpeg4_avi fi_divx_packed.avi -- -c:v libxvid -bf 1 -q:v 3 -g 25 -vtag DX50
  fi_mpeg4_avi fi_divx_unpacked.avi -- -c:v mpeg4 -bf 2 -q:v 3 -vtag DX50
}
fi_rates() {
  local r e
  for r in 2997:30000/1001 23976:24000/1001; do
    fi_enc "fi_h264_${r%%:*}.mp4" 640 360 "${r#*:}" 100 -- -c:v libx264 -preset superfast -bf 3 -g 48 \
      -pix_fmt yuv420p -c:a aac -b:a 128k -ac 2
    fi_enc "fi_h264_${r%%:*}.mkv" 640 360 "${r#*:}" 100 -- -c:v libx264 -preset superfast -bf 3 -g 48 \
      -pix_fmt yuv420p -c:a ac3 -b:a 192k -ac 2
  done
  # A DVD as an NTSC authoring tool makes it: program stream with navigation packs, AC-3.
  frames 720 480 100 | "${FF[@]}" -f rawvideo -pix_fmt gray -s 720x480 -framerate 30000/1001 -i - "${SINE[@]}" \
    -shortest -vf noise=alls=12:allf=t+u -target ntsc-dvd -aspect 4:3 fi_ntsc_dvd.vob
  meta fi_ntsc_dvd.vob '{"kinds":["frame-index","elsewhere","mpeg2"],"frames":100,"frame_index":true,"mpeg_aspect":2}'
}
fi_hd() {
  fi_enc fi_h264_50p.m2ts 1280 720 50 150 -- -c:v libx264 -preset superfast -bf 3 -g 50 -pix_fmt yuv420p \
    -c:a ac3 -b:a 192k -ac 2 -f mpegts -mpegts_m2ts_mode 1
  # x264 codes interlaced video as MBAFF (frame pictures with field macroblock pairs).
  fi_enc fi_h264_1080i_mbaff.m2ts 1920 1080 25 60 -- -c:v libx264 -preset superfast -bf 3 -g 25 \
    -flags +ildct+ilme -x264-params interlaced=1:tff=1 -pix_fmt yuv420p -c:a ac3 -b:a 192k -ac 2 -f mpegts \
    -mpegts_m2ts_mode 1
}
fi_misc() {
  fi_enc fi_hevc.mp4 640 360 25 100 -- -c:v libx265 -preset superfast -x265-params log-level=error:keyint=50 \
    -tag:v hvc1 -pix_fmt yuv420p -c:a aac -b:a 128k -ac 2
  fi_enc fi_prores.mov 640 360 25 60 -- -c:v prores_ks -profile:v 0 -pix_fmt yuv422p10le -c:a pcm_s16le -ac 2
  fi_enc fi_wmv.wmv 640 360 25 100 -- -c:v wmv2 -b:v 2M -c:a wmav2 -b:a 128k -ac 2 -f asf
  fi_enc fi_mpeg1.mpg 352 288 25 100 -- -c:v mpeg1video -b:v 2M -g 12 -bf 2 -c:a mp2 -b:a 192k -ac 2 -f mpeg
}
# A phone's variable frame rate: frames on a nominal 30 fps grid (slot n shows number n), every
# fourth slot and slots 50 and 51 left empty.
fi_vfr() {
  frames 640 360 150 | "${FF[@]}" -f rawvideo -pix_fmt gray -s 640x360 -framerate 30 -i - "${SINE[@]}" \
    -shortest -vf "select='not(eq(mod(n\,4)\,3))*not(eq(n\,50))*not(eq(n\,51))'" -fps_mode vfr \
    -c:v libx264 -preset superfast -bf 2 -pix_fmt yuv420p -c:a aac -b:a 128k -ac 2 fi_vfr.mp4
  local slots
  slots=$(python3 -c "print([n for n in range(150) if n % 4 != 3 and n not in (50, 51)])")
  meta fi_vfr.mp4 "{\"kinds\":[\"frame-index\",\"elsewhere\",\"vfr\"],\"frames\":112,\"frame_index\":true,\"slots\":$slots,\"nominal_fps\":\"30/1\"}"
}

# ---- DV ---------------------------------------------------------------------------------------
# dv_make NAME SYSTEM(pal|ntsc) WIDE(0|1) FRAMES MODE DATE TC [SOURCE(pattern|testsrc)]
dv_make() {
  local n=$1 sys=$2 wide=$3 count=$4 mode=$5 date=$6 tc=$7 src=${8:-testsrc}
  local w=720 h=576 rate=25 pix=yuv420p
  if [ "$sys" = ntsc ]; then h=480 rate=30000/1001 pix=yuv411p; fi
  local aspect=4:3
  [ "$wide" = 1 ] && aspect=16:9
  local secs
  secs=$(python3 -c "print($count/($rate)+1)")
  local input=()
  if [ "$src" = pattern ]; then
    input=(-f rawvideo -pix_fmt gray -s "${w}x$h" -framerate $rate -i -)
  else
    input=(-f lavfi -i "$(testsrc $w $h $rate "$secs")")
  fi
  # The DV muxer drops the last frames when audio runs short (29.97 fps has 1601.6 samples a frame):
  # encode a few frames more and cut the raw file, a plain run of frames, to length.
  local extra=$((count + 10)) fsize=144000
  [ "$sys" = ntsc ] && fsize=120000
  { if [ "$src" = pattern ]; then frames $w $h "$extra"; fi; } | "${FF[@]}" "${input[@]}" "${SINE[@]}" \
    -frames:v "$extra" -shortest -c:v dvvideo -pix_fmt $pix -aspect $aspect -c:a pcm_s16le -ac 2 -f dv "$n.dv"
  [ "$(stat -c %s "$n.dv")" -ge $((count * fsize)) ]
  truncate -s $((count * fsize)) "$n.dv"
  "${PY[@]}" "$here/dvpacks.py" "$n.dv" --mode "$mode" --date "$date" --tc "$tc" --wide "$wide" \
    --info "$out/.work/$n.dvinfo.json"
  local fi=false kinds='"dv","dv-raw"'
  [ "$src" = pattern ] && fi=true && kinds="$kinds,\"frame-index\""
  meta "$n.dv" "{\"kinds\":[$kinds],\"frames\":$count,\"frame_index\":$fi,\"dvinfo\":\"$n.dvinfo.json\"}"
}
# dv_avi NAME.dv: type-2 (ffmpeg) and type-1 (our writer) AVI of a raw DV file.
dv_avi() {
  local n=${1%.dv} t=${2:-both}
  local fi kinds
  fi=$(python3 -c "import json;print(str(json.load(open('.meta/$n.dv.json'))['frame_index']).lower())")
  kinds='"dv"'
  [ "$fi" = true ] && kinds="$kinds,\"frame-index\""
  local count
  count=$(python3 -c "import json;print(json.load(open('.meta/$n.dv.json'))['frames'])")
  if [ "$t" != type1 ]; then
    "${FF[@]}" -i "$n.dv" -c copy "${n}_type2.avi"
    meta "${n}_type2.avi" "{\"kinds\":[$kinds,\"dv-type2\"],\"frames\":$count,\"frame_index\":$fi,\"dvinfo\":\"$n.dvinfo.json\"}"
  fi
  if [ "$t" != type2 ]; then
    "${PY[@]}" "$here/avitype1.py" "$n.dv" "${n}_type1.avi"
    meta "${n}_type1.avi" "{\"kinds\":[$kinds,\"dv-type1\"],\"frames\":$count,\"frame_index\":$fi,\"dvinfo\":\"$n.dvinfo.json\"}"
  fi
}
dv_all() {
  dv_make sample_pal_date pal 0 125 all "2003-11-23 14:05:30" 00:12:34:00
  meta sample_pal_date.dv "$(sed 's/"dv-raw"/"dv-raw","sample"/' ".meta/sample_pal_date.dv.json")"
  dv_make dv_pal_wide_date pal 1 75 all "2010-07-14 09:59:58" 01:59:59:20
  dv_avi dv_pal_wide_date.dv
  dv_make dv_ntsc_date ntsc 0 90 all "1998-12-31 23:59:59" 23:59:59:25
  dv_avi dv_ntsc_date.dv type2
  dv_make dv_ntsc_wide_date ntsc 1 60 all "2039-02-28 12:00:00" 10:00:00:00
  dv_avi dv_ntsc_wide_date.dv type1
  dv_make dv_pal_nopacks pal 0 50 none "2003-11-23 14:05:30" 00:00:00:00
  dv_make dv_ntsc_nopacks ntsc 0 50 none "2003-11-23 14:05:30" 00:00:00:00
  dv_avi dv_ntsc_nopacks.dv type1
  dv_make dv_pal_alternate pal 0 50 alternate "2004-02-29 23:59:58" 00:59:58:00
  dv_avi dv_pal_alternate.dv
  dv_make dv_pal_tconly pal 1 50 tconly "2003-11-23 14:05:30" 12:00:00:00
}
fi_dv() {
  dv_make fi_dv_pal pal 0 100 all "2005-06-07 08:09:10" 00:00:10:00 pattern
  dv_avi fi_dv_pal.dv
  dv_make fi_dv_ntsc_wide ntsc 1 100 all "2006-01-02 03:04:05" 00:01:00:00 pattern
  dv_avi fi_dv_ntsc_wide.dv
  # 99 frames: an interval of 7 frames from the start lands on the last one (98).
  dv_make fi_dv_ntsc_99 ntsc 0 99 all "2007-08-09 10:11:12" 00:00:00:00 pattern
  dv_avi fi_dv_ntsc_99.dv type2
}

# ---- MPEG-2 elementary, program and transport streams: each aspect, several rates -------------
# mpeg2 NAME FORMAT W H RATE ASPECT(4:3|16:9|sq) AUDIO(none|mp2|ac3)
mpeg2() {
  local n=$1 fmt=$2 w=$3 h=$4 rate=$5 aspect=$6 audio=$7 code
  local a=() aopt=()
  case $aspect in 4:3) code=2 ;; 16:9) code=3 ;; sq) code=1 aspect=$w:$h ;; esac
  case $audio in
    mp2) a=("${SINE[@]}") aopt=(-c:a mp2 -b:a 192k -ac 2) ;;
    ac3) a=("${SINE[@]}") aopt=(-c:a ac3 -b:a 192k -ac 2) ;;
  esac
  "${FF[@]}" -f lavfi -i "$(testsrc "$w" "$h" "$rate" 2)" "${a[@]}" -shortest -c:v mpeg2video -b:v 3M \
    -g 12 -bf 2 -pix_fmt yuv420p -aspect "$aspect" "${aopt[@]}" -f "$fmt" "$n"
  meta "$n" "{\"kinds\":[\"mpeg2\"],\"frame_index\":false,\"mpeg_aspect\":$code}"
}
mpeg2_all() {
  mpeg2 mpeg2_es_4x3_25.m2v mpeg2video 720 576 25 4:3 none
  mpeg2 mpeg2_es_16x9_2997.m2v mpeg2video 720 480 30000/1001 16:9 none
  mpeg2 mpeg2_es_sq_23976.m2v mpeg2video 720 480 24000/1001 sq none
  mpeg2 mpeg2_ps_4x3_2997.mpg vob 720 480 30000/1001 4:3 mp2
  mpeg2 mpeg2_ps_16x9_25.mpg vob 720 576 25 16:9 ac3
  mpeg2 mpeg2_ps_sq_23976.mpg vob 720 480 24000/1001 sq mp2
  mpeg2 mpeg2_ts_4x3_23976.ts mpegts 720 480 24000/1001 4:3 ac3
  mpeg2 mpeg2_ts_16x9_25.ts mpegts 720 576 25 16:9 mp2
  mpeg2 mpeg2_ts_sq_2997.ts mpegts 720 480 30000/1001 sq ac3
}

# ---- one file per accepted extension -----------------------------------------------------------
# ext NAME W H -- ffmpeg output options...: 2 s of test picture and tone.
ext() {
  local n=$1 w=$2 h=$3
  shift 4
  "${FF[@]}" -f lavfi -i "$(testsrc "$w" "$h" 25 2)" "${SINE[@]}" -shortest "$@" "$n"
  meta "$n" '{"kinds":["ext"],"frame_index":false}'
}
ext_all() {
  ext ext_avi.avi 352 288 -- -c:v mpeg4 -vtag XVID -q:v 4 -c:a libmp3lame -b:a 128k -ac 2
  "${FF[@]}" -f lavfi -i "$(testsrc 320 240 25 2)" -c:v libvpx -deadline realtime -cpu-used 8 -b:v 500k \
    -f ivf ext_ivf.ivf
  meta ext_ivf.ivf '{"kinds":["ext"],"frame_index":false}'
  ext ext_mpg.mpg 352 288 -- -c:v mpeg1video -b:v 1500k -c:a mp2 -b:a 192k -ac 2 -f mpeg
  ext ext_mpeg.mpeg 720 576 -- -c:v mpeg2video -b:v 4M -c:a mp2 -b:a 192k -ac 2 -aspect 4:3 -f vob
  "${FF[@]}" -f lavfi -i "$(testsrc 352 288 25 2)" -c:v mpeg1video -b:v 1500k -f mpeg1video ext_m1v.m1v
  meta ext_m1v.m1v '{"kinds":["ext"],"frame_index":false}'
  ext ext_mp2.mp2 720 576 -- -c:v mpeg2video -b:v 4M -c:a mp2 -b:a 192k -ac 2 -aspect 16:9 -f vob
  ext ext_mpe.mpe 352 288 -- -c:v mpeg1video -b:v 1500k -c:a mp2 -b:a 128k -ac 2 -f mpeg
  ext ext_wmv.wmv 320 240 -- -c:v wmv2 -b:v 1M -c:a wmav2 -b:a 128k -ac 2 -f asf
  ext ext_asf.asf 320 240 -- -c:v msmpeg4 -b:v 1M -c:a wmav1 -b:a 128k -ac 2 -f asf
  ext ext_mts.mts 640 360 -- -c:v libx264 -preset superfast -bf 2 -pix_fmt yuv420p -c:a ac3 -b:a 192k \
    -ac 2 -f mpegts -mpegts_m2ts_mode 1
  ext ext_m2ts.m2ts 640 360 -- -c:v libx264 -preset superfast -bf 2 -pix_fmt yuv420p -c:a ac3 \
    -b:a 192k -ac 2 -f mpegts -mpegts_m2ts_mode 1
  ext ext_ts.ts 720 576 -- -c:v mpeg2video -b:v 4M -c:a mp2 -b:a 192k -ac 2 -f mpegts
  ext ext_vob.vob 720 576 -- -c:v mpeg2video -b:v 4M -c:a ac3 -b:a 192k -ac 2 -aspect 16:9 -f vob
  ext ext_mkv.mkv 640 360 -- -c:v libx264 -preset superfast -pix_fmt yuv420p -c:a aac -b:a 128k -ac 2
  ext ext_mov.mov 640 480 -- -c:v mjpeg -q:v 5 -pix_fmt yuvj420p -c:a pcm_s16le -ac 2
  ext ext_mp4.mp4 640 360 -- -c:v libx264 -preset superfast -pix_fmt yuv420p -c:a aac -b:a 128k -ac 2
  ext ext_3g2.3g2 352 288 -- -c:v mpeg4 -q:v 5 -c:a aac -b:a 64k -ac 1 -ar 22050 -f 3g2
  ext ext_m4v.m4v 640 360 -- -c:v libx264 -preset superfast -pix_fmt yuv420p -c:a aac -b:a 128k -ac 2 \
    -f mp4
  "${FF[@]}" -f lavfi -i "$(testsrc 720 576 25 2)" -c:v mpeg2video -b:v 4M -aspect 4:3 -f mpeg2video \
    ext_m2v.m2v
  meta ext_m2v.m2v '{"kinds":["ext"],"frame_index":false}'
  # Two audio streams (AAC and MP3) beside H.264.
  "${FF[@]}" -f lavfi -i "$(testsrc 640 360 25 2)" "${SINE[@]}" "${SINE2[@]}" -map 0 -map 1 -map 2 \
    -shortest -c:v libx264 -preset superfast -pix_fmt yuv420p -c:a:0 aac -b:a:0 128k -c:a:1 libmp3lame \
    -b:a:1 128k -ac 2 -metadata:s:a:0 language=fre -metadata:s:a:1 language=eng dual_audio.mkv
  meta dual_audio.mkv '{"kinds":["dual-audio"],"frame_index":false}'
}

# ---- audio of each kind (elementary streams, for both decoders GStreamer offers) ---------------
audio_all() {
  "${GST[@]}" audiotestsrc num-buffers=100 samplesperbuffer=960 freq=440 \
    ! audio/x-raw,format=S16LE,rate=48000,channels=2 ! wavenc ! filesink location=ext_wav.wav
  meta ext_wav.wav '{"kinds":["ext","audio"],"frame_index":false}'
  "${GST[@]}" audiotestsrc num-buffers=100 samplesperbuffer=960 freq=440 \
    ! audio/x-raw,format=S16LE,rate=48000,channels=2 ! wavenc ! filesink location=audio_pcm.wav
  "${GST[@]}" audiotestsrc num-buffers=100 samplesperbuffer=960 freq=550 ! audioconvert \
    ! audio/x-raw,rate=48000,channels=2 ! lamemp3enc bitrate=128 ! filesink location=audio_layer3.mp3
  "${FF[@]}" "${SINE[@]}" -t 2 -c:a mp2 -b:a 192k -ac 2 -f mp2 audio_layer2.mpa
  "${FF[@]}" "${SINE[@]}" -t 2 -c:a ac3 -b:a 192k -ac 2 -f ac3 audio_ac3.ac3
  "${FF[@]}" "${SINE[@]}" -t 2 -c:a aac -b:a 128k -ac 2 -f adts audio_aac.aac
  for f in audio_pcm.wav audio_layer3.mp3 audio_layer2.mpa audio_ac3.ac3 audio_aac.aac; do
    meta "$f" '{"kinds":["audio"],"frame_index":false}'
  done
}

scenes_all() {
  "${PY[@]}" "$here/scnwriter.py" "$out" "$out/.work/scenes.json"
}

damage_all() {
  local f
  for f in ext_avi.avi ext_mpg.mpg ext_ts.ts ext_m2ts.m2ts ext_mkv.mkv ext_mp4.mp4 ext_mov.mov ext_wmv.wmv \
    ext_vob.vob ext_ivf.ivf audio_pcm.wav dv_pal_nopacks.dv dv_ntsc_nopacks_type1.avi; do
    "${PY[@]}" "$here/damage.py" "$f" damaged "$out/.work/damage_$f.json"
  done
}

job h264_longgop fi_h264_1080 1920 1080 16:9
job h264_longgop fi_h264_576w 720 576 16:9
job dv_all
job fi_dv
job fi_mpeg2
job fi_mjpeg
job fi_mpeg4
job fi_rates
job fi_hd
job fi_misc
job fi_vfr
job mpeg2_all
job ext_all
job audio_all
job scenes_all
finish
if [ "$failed" = 0 ]; then
  job damage_all
  finish
fi
if [ "$failed" != 0 ]; then
  for l in "$out"/.work/*.log; do
    [ -s "$l" ] && { echo "--- $(basename "$l")"; cat "$l"; }
  done
  echo "corpus: generation failed" >&2
  exit 1
fi

"${PY[@]}" "$here/manifest.py" "$out" "$hash"
echo "$hash" >"$out/.stamp"
echo "corpus: generated in $(($(date +%s) - started)) s ($out)"
