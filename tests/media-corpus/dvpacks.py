#!/usr/bin/env python3
"""Rewrites the recording date, recording time, time code and display-select packs of a raw DV file.

Usage: dvpacks.py FILE.dv --mode all|none|alternate|tconly --date "YYYY-MM-DD hh:mm:ss"
                  --tc hh:mm:ss:ff --wide 0|1 --info FILE.json

ffmpeg's DV muxer writes one fixed date and time code into every frame; camcorder tapes change them
frame by frame and may lack them, so the packs are written here, frame by frame, in place:

  * every DIF sequence, both subcode blocks: sync blocks 0 and 3 carry the time code pack (0x13),
    1 and 4 the recording date (0x62), 2 and 5 the recording time (0x63);
  * every DIF sequence, each of the three VAUX blocks: packs 2 and 11 the recording date, 3 and 12 the
    recording time (so VAUX block 2 has them at bytes 458 and 463 of the sequence); the VAUX source
    control packs (1 and 10, byte 453) get display-select 2 (16:9) or 0 (4:3) in PC2 bits 2-0;
  * an absent pack is five 0xFF bytes.

Pack bytes, as camcorders write them (flag and reserved bits set):
  date 62 FF (0xC0|DD) (weekday<<5|MM) YY      weekday 0 = Sunday
  time 63 FF (0x80|ss) (0x80|mm) (0xC0|hh)
  tc   13 ff (0x80|ss) (0x80|mm) (0xC0|hh)     frames with colour-frame and drop-frame flags clear
every field in BCD. The date advances with the frames (whole seconds of n x frame duration after the
start); the time code counts frames from its start at 25 or 30 frames per second, without drop frames.

Modes: all (date, time and time code in every frame), none (no date, time or time code), alternate
(date and time in even frames only, time code in every frame), tconly (time code only).
The per-frame values written go to the --info JSON file (see generate.sh for its format).
"""
import argparse
import datetime
import json

SEQ = 12000


def bcd(v):
    return ((v // 10) << 4) | (v % 10)


def date_pack(t):
    weekday = (t.weekday() + 1) % 7  # Python: Monday = 0; DV: Sunday = 0
    return bytes([0x62, 0xFF, 0xC0 | bcd(t.day), (weekday << 5) | bcd(t.month), bcd(t.year % 100)])


def time_pack(t):
    return bytes([0x63, 0xFF, 0x80 | bcd(t.second), 0x80 | bcd(t.minute), 0xC0 | bcd(t.hour)])


def tc_pack(h, m, s, f):
    return bytes([0x13, bcd(f), 0x80 | bcd(s), 0x80 | bcd(m), 0xC0 | bcd(h)])


NONE = b"\xff" * 5


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("file")
    ap.add_argument("--mode", choices=["all", "none", "alternate", "tconly"], required=True)
    ap.add_argument("--date", default="2003-11-23 14:05:30")
    ap.add_argument("--tc", default="00:12:34:00")
    ap.add_argument("--wide", type=int, default=0)
    ap.add_argument("--info", required=True)
    a = ap.parse_args()

    data = bytearray(open(a.file, "rb").read())
    pal = data[3] & 0x80 != 0
    fsize = 144000 if pal else 120000
    nseq = fsize // SEQ
    if len(data) % fsize:
        raise SystemExit(f"{a.file}: size {len(data)} is not a whole number of DV frames")
    nframes = len(data) // fsize
    base = 25 if pal else 30
    start = datetime.datetime.strptime(a.date, "%Y-%m-%d %H:%M:%S")
    th, tm, ts, tf = (int(x) for x in a.tc.split(":"))
    tc0 = ((th * 60 + tm) * 60 + ts) * base + tf
    disp = 2 if a.wide else 0

    frames = []
    for n in range(nframes):
        secs = n // 25 if pal else (n * 1001) // 30000
        t = start + datetime.timedelta(seconds=secs)
        with_date = a.mode == "all" or (a.mode == "alternate" and n % 2 == 0)
        with_tc = a.mode in ("all", "alternate", "tconly")
        c = tc0 + n
        f, c = c % base, c // base
        s, c = c % 60, c // 60
        m, h = c % 60, (c // 60) % 24
        dp = date_pack(t) if with_date else NONE
        tp = time_pack(t) if with_date else NONE
        cp = tc_pack(h, m, s, f) if with_tc else NONE
        frames.append({
            "date": t.strftime("%Y-%m-%d %H:%M:%S") if with_date else None,
            "timecode": f"{h:02d}:{m:02d}:{s:02d}:{f:02d}" if with_tc else None,
        })
        fbase = n * fsize
        for q in range(nseq):
            p = fbase + q * SEQ
            for blk in (80, 160):
                for k, pack in enumerate((cp, dp, tp, cp, dp, tp)):
                    o = p + blk + 6 + 8 * k
                    data[o:o + 5] = pack
            for blk in (240, 320, 400):
                for pk, pack in ((2, dp), (3, tp), (11, dp), (12, tp)):
                    o = p + blk + 3 + 5 * pk
                    data[o:o + 5] = pack
                for pk in (1, 10):
                    o = p + blk + 3 + 5 * pk
                    if data[o] == 0x61:
                        data[o + 2] = (data[o + 2] & 0xF8) | disp
    open(a.file, "wb").write(data)

    info = {
        "system": "625/50" if pal else "525/60",
        "frame_bytes": fsize,
        "wide": bool(a.wide),
        "display_select": disp,
        "audio_rate": 48000,
        "audio_bits": 16,
        "mode": a.mode,
        "frames": frames,
    }
    json.dump(info, open(a.info, "w"), indent=None)


if __name__ == "__main__":
    main()
