#!/usr/bin/env bash
# Installs the Debian packages Kadrel needs to build, test and run, when any is missing. The
# second group serves the install test: the desktop and AppStream validators, man, and what
# cpack needs to find the package's dependencies (dpkg-shlibdeps, file). The third lets the
# copy tests mount an exFAT image through FUSE, a case-insensitive target.
# With the argument "windows" it installs what the Windows build needs instead: the mingw-w64
# cross compiler, GoogleTest's sources to build for it, and Wine to run the result.
set -euo pipefail

packages=(cmake g++ ninja-build pkg-config clang-format libgtest-dev libgmock-dev libbenchmark-dev
          libxxhash-dev xxhash
          ffmpeg libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
          qt6-base-dev libqt6svg6 xvfb xauth
          desktop-file-utils appstream man-db dpkg-dev file
          exfat-fuse exfatprogs fuse3
          ${KADREL_EXTRA_PACKAGES:-})
if [ "${1:-}" = windows ]; then
    packages=(cmake ninja-build ffmpeg g++-mingw-w64-x86-64-posix googletest wine64 libxxhash-dev)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}" >&2
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >&2
fi
