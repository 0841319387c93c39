#!/usr/bin/env bash
# Builds, tests and packages lumen on Debian 13 (Qt 6.8) in a chroot, from the same source tree:
# scripts/setup.sh inside, a build where every warning is an error, the whole suite under Xvfb
# with a network of its own (loopback only), then the package, checked by scripts/package.sh and
# installed there with apt. Runs as root.
# The chroot is made once with debootstrap, from the Debian archive the host's apt uses, in
# $LUMEN_DEBIAN13_ROOT (default /srv/lumen-debian13), and reused after; its build folder lies
# inside it, and the package lands in build/debian13/. Extra arguments go to ctest.
# A first run takes about 17 minutes on two cores (debootstrap and setup 2, build 6, suite 9).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=${LUMEN_DEBIAN13_ROOT:-/srv/lumen-debian13}

# A command inside the chroot, with a clean environment.
inside=(chroot "$target" /usr/bin/env -i HOME=/root LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin)

make_chroot() {
  [ -x "$target/usr/bin/apt-get" ] && return
  # The host's own release tells which of its apt sources is the main archive.
  local codename mirror
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  mirror=$(apt-get indextargets --format '$(ORIGIN) $(CODENAME) $(REPO_URI)' |
    awk -v codename="$codename" '$1 == "Debian" && $2 == codename {print $3; exit}')
  # Made aside and moved in whole: an interrupted run leaves no half chroot to reuse.
  rm -rf "$target.partial"
  debootstrap --variant=minbase trixie "$target.partial" "$mirror"
  mv "$target.partial" "$target"
}

# The mounts live in this process's own mount namespace and go with it.
mount_all() {
  mount -t proc proc "$target/proc"
  mount --rbind /sys "$target/sys"
  mount --rbind /dev "$target/dev"
  mount -t tmpfs tmpfs "$target/tmp"
  cp /etc/resolv.conf "$target/etc/resolv.conf"
  mkdir -p "$target/lumen" "$target/var/cache/lumen-build" "$root/build"
  mount --bind "$root" "$target/lumen"
  # The chroot's build beside the host's, under the path the project's scripts build in.
  mount --bind "$target/var/cache/lumen-build" "$target/lumen/build"
}

run() {
  mount_all
  "${inside[@]}" bash /lumen/scripts/setup.sh
  # A deprecation, like any warning, fails this leg.
  "${inside[@]}" bash /lumen/scripts/build.sh -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
  "${inside[@]}" bash /lumen/scripts/package.sh
  # The tests serve and load their pages on loopback; nothing else is theirs to reach.
  unshare --net bash -c 'ip link set lo up && exec "$@"' - "${inside[@]}" bash -c \
    'cd /lumen/build && xvfb-run -a -s "-screen 0 1920x1080x24 -dpi 96" \
      ctest --output-on-failure "$@"' - "$@"
  local package
  package=$(cd "$target/lumen/build" && ls lumen_*.deb)
  "${inside[@]}" apt-get install -y -qq "/lumen/build/$package" >/dev/null
  "${inside[@]}" lumen --version
  "${inside[@]}" apt-get remove -y -qq lumen >/dev/null
  mkdir -p "$root/build/debian13"
  cp "$target/lumen/build/$package" "$root/build/debian13/"
  echo "$root/build/debian13/$package"
}

if [ "${LUMEN_DEBIAN13_MOUNTED:-}" != 1 ]; then
  bash "$root/scripts/setup.sh"
  make_chroot
  LUMEN_DEBIAN13_MOUNTED=1 exec unshare --mount --propagation private \
    bash "$root/scripts/debian13.sh" "$@"
fi
run "$@"
