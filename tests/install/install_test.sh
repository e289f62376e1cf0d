#!/usr/bin/env bash
# Installs the built tree into a temporary folder, as `cmake --install` and the package do, and
# uses it from there as a new user would: help, a copy of the sample card, the window, and the
# desktop, AppStream and manual files through their own validators.
# Arguments: build folder, source folder, library folder below the prefix, 1 for a sanitizer build.
set -euo pipefail
build=$1 source=$2 libdir=$3 sanitized=$4
work=$(mktemp -d)
window=
cleanup() {
    [ -z "$window" ] || kill "$window" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# After the suite's build this builds nothing; it makes the test stand on its own.
cmake --build "$build" --target kadrel kadrel_window kadrel_docs >/dev/null
# A prefix other than the configured one, below DESTDIR: the program must find its window
# module relative to itself.
DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null
usr=$work/root/usr
app=org.kadrel.Kadrel
for file in bin/kadrel "$libdir/kadrel/kadrel_window.so" "share/applications/$app.desktop" \
    "share/icons/hicolor/scalable/apps/$app.svg" "share/metainfo/$app.metainfo.xml" \
    share/man/man1/kadrel.1.gz share/doc/kadrel/README.md share/doc/kadrel/LICENSE; do
    [ -f "$usr/$file" ] || fail "not installed: $file"
done
export XDG_CONFIG_HOME=$work/config HOME=$work/home
unset DISPLAY WAYLAND_DISPLAY

"$usr/bin/kadrel" -h >"$work/usage.txt" || fail "kadrel -h exited with $?"
[ "$(head -n 1 "$work/usage.txt")" = "Kadrel Commandline Interface:" ] || fail "kadrel -h: $(head -n 1 "$work/usage.txt")"

# No settings file anywhere: the first run names the copies by date and writes no file.
mkdir "$work/out"
"$usr/bin/kadrel" "$source/samples/card" "$work/out" /W </dev/null || fail "copy run exited with $?"
names=$(cd "$work/out" && ls)
[ "$(echo "$names" | grep -c -E '^[0-9]{8}_[0-9]{6}(_[0-9]+)?\.MPG$')" = 3 ] || fail "copies not named by date: $names"
[ ! -e "$work/config" ] && [ ! -e "$usr/bin/Kadrel.ini" ] || fail "a command-line run wrote a settings file"

# The window loads its module from the installed library folder, writes its fresh settings
# file into the config folder (the writable bin folder is no place for it) and keeps running.
QT_QPA_PLATFORM=offscreen "$usr/bin/kadrel" </dev/null >"$work/window.txt" 2>&1 &
window=$!
for _ in $(seq 600); do
    [ -f "$work/config/kadrel/Kadrel.ini" ] || ! kill -0 "$window" 2>/dev/null && break
    sleep 0.1
done
kill -0 "$window" 2>/dev/null || fail "window mode ended: $(cat "$work/window.txt")"
grep -q -F "$(realpath "$usr/$libdir/kadrel/kadrel_window.so")" "/proc/$window/maps" ||
    fail "the window module was not loaded from the installed library folder"
[ -f "$work/config/kadrel/Kadrel.ini" ] && [ ! -e "$usr/bin/Kadrel.ini" ] || fail "settings file not in the config folder"
kill "$window"
wait "$window" 2>/dev/null || true
window=

out=$(desktop-file-validate "$usr/share/applications/$app.desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
grep -q -x "Icon=$app" "$usr/share/applications/$app.desktop" || fail "the desktop entry names another icon"
appstreamcli validate-tree --no-net "$usr" >"$work/appstream.txt" 2>&1 || fail "appstreamcli: $(cat "$work/appstream.txt")"

# The manual page renders without a warning and agrees with the usage text: every switch and
# every error code of `kadrel -h` is in it.
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$usr/share/man/man1/kadrel.1.gz" >"$work/man.txt" 2>"$work/man.err" ||
    fail "man exited with $?"
[ ! -s "$work/man.err" ] || fail "man: $(cat "$work/man.err")"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES ENVIRONMENT EXAMPLES; do
    grep -q -x "$section" "$work/man.txt" || fail "manual page lacks $section"
done
sed -n -E 's/^(\/[A-Z?]:?)\.\.\..*/\1/p' "$work/usage.txt" | while read -r switch; do
    grep -q -E "^ +${switch//\?/\\?}" "$work/man.txt" || fail "manual page lacks the switch $switch"
done
sed -n -E 's/^([0-9]+)\.\.\..*/\1/p' "$work/usage.txt" | while read -r code; do
    grep -q -E "^ +$code( |$)" "$work/man.txt" || fail "manual page lacks the exit code $code"
done

# The package: a sanitizer build is no program to ship, so only the normal build makes one.
if [ "$sanitized" = 1 ]; then
    echo "package skipped: sanitizer build"
    exit 0
fi
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.txt" 2>&1 || fail "cpack: $(cat "$work/cpack.txt")"
deb=$(ls "$work"/pkg/kadrel_*.deb)
for field in Depends:libqt6widgets6 Depends:libavcodec Section:video Maintainer:@ Description:date; do
    value=$(dpkg-deb -f "$deb" "${field%%:*}")
    [[ $value == *"${field#*:}"* ]] || fail "package field ${field%%:*}: $value"
done
dpkg-deb -c "$deb" >"$work/contents.txt"
grep -q -F "./usr/$libdir/kadrel/kadrel_window.so" "$work/contents.txt" || fail "package lacks the window module"
echo "installed tree and package checked"
