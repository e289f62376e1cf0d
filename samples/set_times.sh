#!/bin/sh
# Gives the sample card its recording times. Git keeps no file times, so a fresh checkout
# would otherwise show the time of the checkout on every clip.
set -eu
card="$(cd "$(dirname "$0")" && pwd)/card/SD_VIDEO"
touch -d "2009-03-05 14:07:09" "$card/PRG001/MOV001.MOD" "$card/PRG001/MOV001.MOI" \
    "$card/PRG001/MOV002.MOD" "$card/PRG001/MOV002.MOI"
touch -d "2009-03-06 09:30:00" "$card/PRG002/MOV003.MOD" "$card/PRG002/MOV003.MOI"
