#!/usr/bin/env bash
# The packages of a built tree, checked as an operator would meet them:
#   package_test.sh BUILD_DIR CPACK
# The .deb is made by CPack from the built tree, listed, unpacked into a scratch root,
# its files and desktop entry checked, and its launcher started on the offscreen
# platform with a fresh home: the program must come up on a new program folder with the
# sample kit laid in, and a later start must leave the operator's files as they are. The
# portable tarball is then unpacked and started where it lies.
set -euo pipefail
build=$1 cpack=$2

scratch=$(mktemp -d "${TMPDIR:-/tmp}/zorvel-package-XXXXXX")
pid=
cleanup() {
  if [ -n "$pid" ]; then kill -KILL "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Waits (at most 60 s) until somebody holds the program folder's lock: the program is up.
wait_until_held() {
  local lock=$1/.zorvel.lock
  for _ in $(seq 1200); do
    # Read from the system's table of locks: a probe with a lock of its own could meet the
    # starting program's attempt and make it believe another one runs.
    if [ -e "$lock" ] && grep -Eq "FLOCK +ADVISORY +WRITE +[0-9]+ +[0-9a-f]+:[0-9a-f]+:$(stat -c %i "$lock") " /proc/locks; then
      return 0
    fi
    if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then
      echo "the program ended early; its messages:" >&2; cat "$scratch/program.err" >&2 || true; return 1
    fi
    sleep 0.05
  done
  return 1
}

# Waits (at most 60 s) for a file the running program writes after it took the lock.
wait_for_file() {
  for _ in $(seq 1200); do
    [ -f "$1" ] && return 0
    sleep 0.05
  done
  return 1
}

# Ends the running program with SIGTERM, as a desktop session does.
stop_program() {
  kill -TERM "$pid"
  wait "$pid" 2>/dev/null || true
  pid=
}

export QT_QPA_PLATFORM=offscreen

echo "== the .deb"
"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; fail "cpack -G DEB"; }
debs=("$scratch"/out/zorvel_*_amd64.deb)
[ -f "${debs[0]}" ] || fail "no zorvel_<version>_amd64.deb in $(ls "$scratch/out")"
deb=${debs[0]}
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"

listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./opt/zorvel/zorvel ./opt/zorvel/zorvel-ini ./opt/zorvel/zorvel-log ./opt/zorvel/README.md \
            ./opt/zorvel/kit/底图.jpg ./opt/zorvel/kit/wav/dong.wav ./opt/zorvel/kit/奖品图片/8.jpg \
            ./usr/bin/zorvel ./usr/share/applications/zorvel.desktop; do
  grep -qxF "$path" <<<"$listing" || fail "the package lists no $path"
done
for n in 16 32 48 64 128 256; do
  grep -qxF "./usr/share/icons/hicolor/${n}x${n}/apps/zorvel.png" <<<"$listing" || fail "no ${n}x${n} icon"
done

# Dependencies: the libraries found by dpkg-shlibdeps and the fonts.
depends=$(dpkg-deb -f "$deb" Depends)
for p in fonts-noto-cjk fonts-arphic-ukai libqt6widgets6 libc6; do
  grep -qE "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p: $depends"
done

root=$scratch/root
dpkg -x "$deb" "$root"
[ -x "$root/opt/zorvel/zorvel" ] || fail "the program is not executable"
[ -x "$root/usr/bin/zorvel" ] || fail "the launcher is not executable"
entry=$root/usr/share/applications/zorvel.desktop
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the desktop entry"
for line in "Name=Zorvel Prize Draw" "Name[zh_CN]=砸金蛋抽奖" "Exec=zorvel" "Icon=zorvel" "Terminal=false" \
            "Type=Application"; do
  grep -qxF "$line" "$entry" || fail "the desktop entry lacks '$line'"
done
for n in 16 32 48 64 128 256; do
  file -b "$root/usr/share/icons/hicolor/${n}x${n}/apps/zorvel.png" | grep -q "PNG image data, $n x $n, 8-bit/color RGBA" ||
    fail "the ${n}x${n} icon is no $n × $n RGBA PNG"
done

echo "== the launcher on a fresh home"
home=$scratch/home data=$scratch/data
folder=$data/zorvel
mkdir -p "$home"
HOME=$home XDG_DATA_HOME=$data "$root/usr/bin/zorvel" 2>"$scratch/program.err" &
pid=$!
wait_until_held "$folder" || fail "the program did not come up on $folder"
# The launcher became the extracted program itself, running on the new folder.
[ "$(readlink "/proc/$pid/exe")" = "$root/opt/zorvel/zorvel" ] || fail "process $pid is $(readlink "/proc/$pid/exe")"
(cd "$root/opt/zorvel/kit" && find . -type f) | while read -r f; do
  cmp -s "$root/opt/zorvel/kit/$f" "$folder/$f" || fail "the sample kit's $f is not laid into the program folder"
done
wait_for_file "$folder/config.a" || fail "the program wrote no settings into its folder"
[ ! -e "$root/opt/zorvel/config.a" ] || fail "the program wrote into /opt/zorvel"
stop_program

echo "== a later start keeps the operator's files"
rm "$folder/底图.jpg"                                   # the background taken away
printf 'mine' >"$folder/奖品图片/1.jpg"                  # a prize picture of the operator's
"$root/opt/zorvel/zorvel-ini" --folder "$folder" set config.a zbt 禁用特效 真
settings=$(cat "$folder/config.a")
HOME=$home XDG_DATA_HOME=$data "$root/usr/bin/zorvel" 2>"$scratch/program.err" &
pid=$!
wait_until_held "$folder" || fail "the program did not come up a second time"
stop_program
[ ! -e "$folder/底图.jpg" ] || fail "the background came back"
[ "$(cat "$folder/奖品图片/1.jpg")" = mine ] || fail "the operator's prize picture was replaced"
[ "$(cat "$folder/config.a")" = "$settings" ] || fail "the settings changed"

echo "== without XDG_DATA_HOME: ~/.local/share/zorvel"
env -u XDG_DATA_HOME HOME="$home" "$root/usr/bin/zorvel" 2>"$scratch/program.err" &
pid=$!
wait_until_held "$home/.local/share/zorvel" || fail "the program did not come up on ~/.local/share/zorvel"
stop_program
[ -f "$home/.local/share/zorvel/wav/dong.wav" ] || fail "no sample kit in ~/.local/share/zorvel"

echo "== the portable folder"
"$cpack" --config "$build/CPackConfig.cmake" -G TGZ -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; fail "cpack -G TGZ"; }
tarballs=("$scratch"/out/zorvel-*-linux-x86_64.tar.gz)
[ -f "${tarballs[0]}" ] || fail "no zorvel-<version>-linux-x86_64.tar.gz"
echo "$(basename "${tarballs[0]}"): $(stat -c %s "${tarballs[0]}") bytes"
mkdir "$scratch/unpacked"
tar -xzf "${tarballs[0]}" -C "$scratch/unpacked"
portable=$(echo "$scratch"/unpacked/zorvel-*-linux-x86_64)
for f in zorvel zorvel-ini zorvel-log README.md 底图.jpg wav/dong.wav 奖品图片/1.jpg; do
  [ -e "$portable/$f" ] || fail "the portable folder lacks $f"
done
HOME=$home "$portable/zorvel" 2>"$scratch/program.err" &
pid=$!
wait_until_held "$portable" || fail "the portable program did not come up on its own folder"
wait_for_file "$portable/config.a" || fail "the portable program kept no settings in its folder"
stop_program
echo "all checked"
