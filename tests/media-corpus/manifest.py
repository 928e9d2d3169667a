#!/usr/bin/env python3
"""Gathers what the generator wrote into OUT/manifest.json (its format is described in generate.sh).

Usage: manifest.py OUT HASH

Properties come from two sides: what the generator knows (kinds, frames written, DV packs, damage)
from OUT/.meta and OUT/.work, and what ffprobe reads back from each intact file (container, codecs,
size, rate, aspect, audio streams). A disagreement between the two (a frame-index clip that lost
frames, a DV file whose pack list does not match its frame count) fails the generation.
"""
import concurrent.futures
import glob
import json
import os
import subprocess
import sys


def probe(path):
    r = subprocess.run(["ffprobe", "-v", "error", "-count_packets", "-print_format", "json",
                        "-show_format", "-show_streams", path], capture_output=True, text=True)
    if r.returncode != 0:
        raise SystemExit(f"ffprobe failed on {path}: {r.stderr}")
    return json.loads(r.stdout)


def describe(path, meta, out):
    info = probe(path)
    streams = info.get("streams", [])
    video = next((s for s in streams if s.get("codec_type") == "video"), None)
    entry = {
        "kinds": meta.get("kinds", []),
        "bytes": os.path.getsize(path),
        "container": info["format"]["format_name"],
        "duration": float(info["format"].get("duration", 0) or 0),
        "video": None,
        "audio": [{"codec": s["codec_name"], "rate": int(s.get("sample_rate", 0)),
                   "channels": s.get("channels", 0)} for s in streams if s.get("codec_type") == "audio"],
        "frame_index": bool(meta.get("frame_index")),
        "dv": None,
        "damaged": None,
    }
    if video:
        packets = int(video.get("nb_read_packets", 0))
        frames = meta.get("frames", packets)
        if meta.get("frame_index") and frames != packets and meta.get("packets") != "chunks":
            raise SystemExit(f"{path}: {packets} video packets, {frames} frames written")
        entry["video"] = {
            "codec": video["codec_name"],
            "width": video["width"],
            "height": video["height"],
            "fps": video.get("r_frame_rate"),
            "sar": video.get("sample_aspect_ratio", "1:1"),
            "dar": video.get("display_aspect_ratio"),
            "frames": frames,
        }
        for key in ("slots", "nominal_fps"):
            if key in meta:
                entry["video"][key] = meta[key]
        if "mpeg_aspect" in meta:
            entry["video"]["mpeg_aspect"] = meta["mpeg_aspect"]
    if "dvinfo" in meta:
        dv = json.load(open(os.path.join(out, ".work", meta["dvinfo"])))
        if len(dv["frames"]) != meta["frames"]:
            raise SystemExit(f"{path}: {len(dv['frames'])} DV pack records for {meta['frames']} frames")
        entry["dv"] = dv
    return entry


def main():
    out, digest = sys.argv[1], sys.argv[2]
    metas = {}
    for m in sorted(glob.glob(os.path.join(out, ".meta", "*.json"))):
        name = os.path.basename(m)[:-5].replace("__", "/")
        metas[name] = json.load(open(m))
    files = {}
    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        futures = {name: pool.submit(describe, os.path.join(out, name), meta, out)
                   for name, meta in metas.items()}
        for name, fut in futures.items():
            files[name] = fut.result()
    for d in sorted(glob.glob(os.path.join(out, ".work", "damage_*.json"))):
        for name, dmg in json.load(open(d)).items():
            src = files.get(dmg["source"], {})
            files["damaged/" + name] = {
                "kinds": ["damaged"], "bytes": dmg["bytes"], "container": src.get("container"),
                "duration": None, "video": None, "audio": [], "frame_index": False, "dv": None,
                "damaged": dmg,
            }
    scenes = {}
    sj = os.path.join(out, ".work", "scenes.json")
    if os.path.exists(sj):
        scenes = json.load(open(sj))
    manifest = {"generator": digest, "files": dict(sorted(files.items())), "scenes": scenes}
    tmp = os.path.join(out, "manifest.json.tmp")
    with open(tmp, "w") as f:
        json.dump(manifest, f, indent=1)
    os.replace(tmp, os.path.join(out, "manifest.json"))


if __name__ == "__main__":
    main()
