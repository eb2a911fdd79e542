#!/usr/bin/env bash
# Builds the .deb and tries it on a clean Debian 12: debootstrap makes a
# minimal system in a chroot, apt installs the package there with its
# dependencies, and the installed programs, man page, desktop entries,
# metainfo, default handler and bash completion are checked inside it.
# Slow (it downloads a base system and the package's dependencies) and needs
# root and the Debian mirror, so it is not part of the test suite.
#   scripts/package-test.sh [CHROOT-FOLDER]
# An existing folder holding a chroot is used again (its package is
# reinstalled); otherwise a fresh one is made and removed at the end, unless
# WRENLOW_KEEP_CHROOT=1. WRENLOW_DEBIAN_MIRROR names another mirror.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${WRENLOW_BUILD_DIR:-$top/build}
mirror=${WRENLOW_DEBIAN_MIRROR:-http://deb.debian.org/debian}
[ "$(id -u)" -eq 0 ] || { echo "package-test: run as root (debootstrap, chroot)" >&2; exit 1; }
for tool in debootstrap tmux; do
  command -v "$tool" >/dev/null || apt-get install -y -qq "$tool" >/dev/null
done

step() { echo "== $*"; }
fail() { echo "FAIL: $*" >&2; exit 1; }

step "building the package"
"$top/scripts/build.sh" >/dev/null
(cd "$build" && rm -f wrenlow_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/wrenlow_*.deb)
dpkg-deb -f "$deb" Package Version Depends Recommends

root=${1:-}
made=0
if [ -z "$root" ]; then
  root=$(mktemp -d /var/tmp/wrenlow-chroot.XXXXXX)
  # It becomes the system's root folder, which every user must be able to enter.
  chmod 755 "$root"
fi
sock=$root.tmux
cleanup() {
  tmux -S "$sock" kill-server 2>/dev/null || true
  rm -f "$sock"
  mountpoint -q "$root/proc" && umount "$root/proc"
  if [ "$made" = 1 ] && [ "${WRENLOW_KEEP_CHROOT:-0}" != 1 ]; then
    rm -rf --one-file-system "$root"
  fi
}
trap cleanup EXIT
if [ ! -x "$root/usr/bin/apt-get" ]; then
  step "making a Debian 12 system in $root"
  made=1
  debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.log" 2>&1 ||
    { tail "$root.log"; fail "debootstrap"; }
  rm -f "$root.log"
  cat >"$root/etc/apt/sources.list" <<SOURCES
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb ${mirror%/debian}/debian-security bookworm-security main
SOURCES
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

step "installing the package with apt"
cp "$deb" "$root/tmp/wrenlow.deb"
in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  /tmp/wrenlow.deb man-db xdg-utils desktop-file-utils appstream bash-completion >/dev/null
in_root dpkg -s wrenlow | grep -E '^(Version|Depends):'

step "the programs run"
in_root wrenlow-cli --version
in_root wrenlow --version
missing=$(in_root sh -c 'ldd /usr/bin/wrenlow /usr/bin/wrenlow-cli | grep "not found"' || true)
[ -z "$missing" ] || fail "libraries the package does not bring: $missing"
sample=$(ls "$top"/../shared/corpus/files/*.chm 2>/dev/null | head -n1 || true)
if [ -n "$sample" ]; then
  cp "$sample" "$root/tmp/sample.chm"
  in_root wrenlow-cli list /tmp/sample.chm >"$root/tmp/list.txt"
  head -n 3 "$root/tmp/list.txt"
fi
# (Outputs are read whole before they are searched: a reader that stops
# early would fail the writer, and with it the pipeline.)
listing=$(in_root wrenlow-cli list /usr/share/wrenlow/Wrenlow.chm)
grep -q '#SYSTEM' <<<"$listing" || fail "the installed help file"

step "man wrenlow-cli"
page=$(in_root env MANWIDTH=80 man wrenlow-cli 2>/dev/null | col -b)
sed -n '1,12p' <<<"$page"
grep -qiE '^ *exit status' <<<"$page" || fail "man wrenlow-cli"
in_root man -w wrenlow >/dev/null || fail "man wrenlow"

step "desktop entries, metainfo, default handler"
for f in "$root"/usr/share/applications/{org.marrowby.Wrenlow,marrowby-wrenlow-examine}.desktop; do
  in_root desktop-file-validate "/usr/share/applications/${f##*/}" || fail "desktop-file-validate ${f##*/}"
done
in_root appstreamcli validate --no-net /usr/share/metainfo/org.marrowby.Wrenlow.metainfo.xml
handler=$(in_root xdg-mime query default application/vnd.ms-htmlhelp)
echo "xdg-mime query default application/vnd.ms-htmlhelp: $handler"
[ "$handler" = marrowby-wrenlow-examine.desktop ] || fail "default handler is '$handler'"
[ -s "$root/usr/share/icons/hicolor/48x48/apps/wrenlow.png" ] || fail "icons"

step "bash completes wrenlow-cli in a login shell"
tmux -S "$sock" new-session -d -s s -x 160 -y 40 \
  chroot "$root" env -i PATH=/usr/bin:/bin HOME=/root TERM=xterm bash -l -i
tab() {
  tmux -S "$sock" send-keys -t s C-u "$1" Tab
  for _ in $(seq 100); do
    tmux -S "$sock" capture-pane -p -t s | grep -qE -- "$2" && { echo "'$1' + Tab: ok"; return; }
    sleep 0.1
  done
  tmux -S "$sock" capture-pane -p -t s >&2
  fail "'$1' + Tab does not give '$2'"
}
tab "wrenlow-cli deco" 'wrenlow-cli decompile ?$'
tab "wrenlow-cli recompile a.chm out --keep-c" 'wrenlow-cli recompile a.chm out --keep-contents ?$'
tab "wrenlow-cli report a.chm idx" 'wrenlow-cli report a.chm idxhdr ?$'
step "all checks passed"
