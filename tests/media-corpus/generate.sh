#!/usr/bin/env bash
# Generates the test media corpus into the folder given as $1.
set -euo pipefail
out=${1:?output folder}
mkdir -p "$out"
