#!/bin/sh
# Runs one command as root inside a throwaway Debian 12 virtual machine whose
# own kernel runs 32-bit programs: the Wine tests' way onto a machine whose
# kernel does not (or, with DRV_WINE_VM=1 in test.sh, onto any machine).
#
# Usage: tests/wine/vm.sh BUILD COMMAND
#   Boots the machine with the source tree and BUILD shared at the same
#   absolute paths, runs the shell command COMMAND in BUILD, prints its
#   output and exits with its status. Exit status 125: the machine itself
#   failed (no image, no boot, timed out); the reason is printed.
# Usage: tests/wine/vm.sh BUILD --image
#   Only makes (or checks) the cached root image.
#
# Everything is cached in BUILD/wine-vm: root.img (a raw ext4 image of a
# debootstrap root with Debian's kernel, Wine and what the Wine tests' own
# scripts call; made once, as root, in some minutes), the kernel and initrd
# taken from it, and accel (whether KVM boots here, probed once per host
# boot). The Wine prefix lives inside root.img and is mounted over
# BUILD/wineprefix in the machine, so only the first run makes it.
#
# Environment: DRV_VM_ACCEL=kvm|tcg skips the probe; DRV_VM_TIMEOUT (s,
# default 3600) bounds one run; DRV_VM_MIRROR overrides the Debian mirror,
# which is otherwise the first one in this host's apt sources.
#
# Inside the machine this same script runs as `vm.sh --guest` (started by the
# image's /sbin/drv-vm-init), so changing it needs no new image.
set -u

# Bump when the image's contents change; an image with another recipe is
# made again.
recipe="1 bookworm linux-image-amd64 initramfs-tools wine wine32:i386 cmake diffutils mawk
libxml2-utils librsvg2-bin libpolyclipping22"

# The machine's first process: mounts the source tree and hands over to
# this script from it (so the image holds only this much of ours).
init='#!/bin/sh
export PATH=/usr/sbin:/usr/bin:/sbin:/bin
# The initramfs may have mounted these already.
mount -t proc proc /proc 2>/dev/null
mount -t sysfs sysfs /sys 2>/dev/null
mount -t devtmpfs devtmpfs /dev 2>/dev/null
hostname drvvm
if grep -q drv_probe /proc/cmdline; then
  echo "drv-vm: probe booted"
  echo 1 >/proc/sys/kernel/sysrq; echo o >/proc/sysrq-trigger; sleep 10
fi
src=$(sed -n "s/.*drv_src=\\([^ ]*\\).*/\\1/p" /proc/cmdline)
modprobe 9pnet_virtio; modprobe 9p
mkdir -p "$src"
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,cache=mmap src "$src"
exec /bin/sh "$src/tests/wine/vm.sh" --guest
'

say() { echo "vm: $*" >&2; }
# The machine could not do its job: the reason, also in BUILD/wine-vm/failed.
die() {
  say "$*"
  [ -n "${vm:-}" ] && [ -d "$vm" ] && echo "$*" >"$vm/failed"
  exit 125
}

# ---------------------------------------------------------------- guest ----
if [ "${1:-}" = "--guest" ]; then
  export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
  export HOME=/root LANG=C.UTF-8
  build=$(sed -n "s/.*drv_build=\([^ ]*\).*/\1/p" /proc/cmdline)
  mkdir -p /tmp /run /dev/shm /dev/pts
  mount -t tmpfs tmpfs /tmp
  mount -t tmpfs tmpfs /run
  mount -t tmpfs tmpfs /dev/shm
  mount -t devpts devpts /dev/pts
  modprobe 9p 2>/dev/null
  modprobe overlay 2>/dev/null
  # The build folder: the host's over 9p, read-only underneath, with what
  # the tests write kept in memory above it (a folder of thousands of small
  # files is many times slower to use over 9p) and copied back at the end.
  # cache=loose: Wine cannot load some programs from 9p without the page
  # cache (plothost.exe faults in its import thunks); the host leaves the
  # tree alone while the machine runs.
  share=/mnt/build up=/mnt/upper
  mkdir -p "$share" "$up" "$build"
  mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,cache=loose build "$share" ||
    echo "vm: cannot mount the build folder $build"
  mount -t tmpfs tmpfs "$up"
  mkdir -p "$up/u" "$up/w"
  mount -t overlay overlay -o "lowerdir=$share,upperdir=$up/u,workdir=$up/w" "$build" ||
    echo "vm: cannot mount the build folder $build"
  # The prefix lives in the image, so it outlives the run.
  mkdir -p /var/cache/drv-wineprefix "$build/wineprefix"
  mount --bind /var/cache/drv-wineprefix "$build/wineprefix"
  job=$build/wine-vm/job
  status=125
  if [ -f "$job" ]; then
    (cd "$build" && exec sh "$job" </dev/null)
    status=$?
  fi
  WINEPREFIX=$build/wineprefix timeout 60 wineserver -k >/dev/null 2>&1
  umount "$build/wineprefix" "$build"
  # Files and links written, not the overlay's marks of deleted ones, nor
  # CTest's own records (the host may be running its share of the tests
  # meanwhile; ctest -O keeps this run's log).
  t=$(date +%s)
  (cd "$up/u" && find . -path ./Testing -prune -o ! -type c ! -name . -print |
    tar --no-recursion -T - -cf -) |
    tar -C "$share" -xf - || echo "vm: could not copy every result back"
  echo "vm: results copied back in $(($(date +%s) - t)) s"
  echo "$status" >"$share/wine-vm/job.status"
  umount "$share"
  sync
  echo 1 >/proc/sys/kernel/sysrq
  echo o >/proc/sysrq-trigger
  sleep 10
  exit 0
fi

# ----------------------------------------------------------------- host ----
[ $# -eq 2 ] || { sed -n '2,28p' "$0" >&2; exit 2; }
build=$(cd "$1" && pwd) || die "no build folder $1"
src=$(cd "$(dirname "$0")/../.." && pwd)
vm=$build/wine-vm
case "$src$build" in *[!A-Za-z0-9_./+-]*) die "paths with blanks or odd characters cannot be shared: $src, $build" ;; esac
mkdir -p "$vm"
rm -f "$vm/failed"
image=$vm/root.img kernel=$vm/vmlinuz initrd=$vm/initrd.img
command -v qemu-system-x86_64 >/dev/null 2>&1 ||
  die "qemu-system-x86_64 is not installed (scripts/install-deps.sh all installs it)"

mirror() {
  [ -n "${DRV_VM_MIRROR:-}" ] && { echo "$DRV_VM_MIRROR"; return; }
  # deb822 sources first, then the one-line format; the first Debian archive
  # that is not the security one.
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && awk '/^URIs:/ { for (i = 2; i <= NF; i++) if ($i !~ /security/) { print $i; exit } }' "$f"
  done | head -n 1 | grep . && return
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
    awk '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ /^https?:/ && $i !~ /security/) { print $i; exit } }' |
    head -n 1 | grep .
}

make_image() {
  [ "$(id -u)" = 0 ] || die "making the virtual machine's root image needs root (debootstrap, chroot)"
  for t in debootstrap mke2fs chroot; do
    command -v $t >/dev/null 2>&1 || die "$t is not installed (scripts/install-deps.sh all installs it)"
  done
  m=$(mirror) || die "no Debian mirror found in /etc/apt/sources*; set DRV_VM_MIRROR"
  root=$vm/root
  log=$vm/image.log
  say "making the root image in $vm (once; a few minutes; log: $log)"
  start=$(date +%s)
  rm -rf "$root" "$image" "$kernel" "$initrd" "$vm/recipe"
  : >"$log"
  cleanup() {
    for d in dev/pts dev proc sys; do umount "$root/$d" 2>/dev/null; done
  }
  trap cleanup EXIT
  debootstrap --variant=minbase --include=systemd-sysv,udev,kmod bookworm "$root" "$m" >>"$log" 2>&1 ||
    { tail -n 20 "$log" >&2; die "debootstrap failed (log: $log)"; }
  # Only bookworm's main suite, so that the i386 and amd64 versions of Wine
  # always agree (an update suite caught mid-sync can list one and not yet
  # the other).
  echo "deb $m bookworm main" >"$root/etc/apt/sources.list"
  mount -t proc proc "$root/proc" && mount -t sysfs sysfs "$root/sys" &&
    mount --bind /dev "$root/dev" && mount --bind /dev/pts "$root/dev/pts" || die "cannot mount into $root"
  pkgs=$(echo "$recipe" | tr '\n' ' ' | cut -d' ' -f3-)
  # shellcheck disable=SC2086
  chroot "$root" sh -c "dpkg --add-architecture i386 && apt-get update -q &&
      DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $pkgs &&
      apt-get clean" >>"$log" 2>&1 ||
    { tail -n 20 "$log" >&2; die "installing into the root failed (log: $log)"; }
  cleanup
  trap - EXIT
  rm -rf "$root"/var/lib/apt/lists/* "$root"/usr/share/doc "$root"/usr/share/man
  cp "$root"/boot/vmlinuz-* "$kernel" && cp "$root"/boot/initrd.img-* "$initrd" ||
    die "no kernel or initrd in the root"
  printf '%s\n' "$init" >"$root/sbin/drv-vm-init"
  chmod 755 "$root/sbin/drv-vm-init"
  echo drvvm >"$root/etc/hostname"
  # Room for the Wine prefix and the tests' own files; the image is sparse.
  mke2fs -q -t ext4 -L drvvm -d "$root" "$image" 4G >>"$log" 2>&1 ||
    { rm -f "$image"; die "mke2fs failed (log: $log)"; }
  rm -rf "$root"
  echo "$recipe $(echo "$init" | cksum)" >"$vm/recipe"
  say "root image made in $(($(date +%s) - start)) s: $(du -sh "$image" | cut -f1) used"
}

if [ ! -f "$image" ] || [ ! -f "$kernel" ] || [ ! -f "$initrd" ] ||
   [ "$(cat "$vm/recipe" 2>/dev/null)" != "$recipe $(echo "$init" | cksum)" ]; then
  make_image
fi
[ "$2" = "--image" ] && exit 0

# boot SECONDS ACCEL EXTRA-CMDLINE [QEMU-ARGS...]: the machine's console on
# standard output; killed after SECONDS.
boot() {
  b_secs=$1 b_accel=$2 b_extra=$3
  shift 3
  if [ "$b_accel" = kvm ]; then
    set -- -accel kvm -cpu host "$@"
  else
    # Plain emulation: with SMAP a 32-bit iret faults, so SMAP, SMEP and
    # PKU are off.
    set -- -accel tcg,thread=multi -cpu max,-smap,-smep,-pku "$@"
  fi
  timeout -k 10 "$b_secs" qemu-system-x86_64 "$@" -m 2048 -smp 2 -nic none \
    -display none -monitor none -serial stdio -no-reboot \
    -kernel "$kernel" -initrd "$initrd" \
    -append "root=/dev/vda rw console=ttyS0 quiet loglevel=3 panic=1 init=/sbin/drv-vm-init $b_extra" \
    -drive file="$image",if=virtio,format=raw </dev/null
}

# KVM only where a short boot shows it works: on some nested hosts /dev/kvm
# exists and a stock kernel hangs on it.
accel=${DRV_VM_ACCEL:-}
if [ -z "$accel" ]; then
  bootid=$(cat /proc/sys/kernel/random/boot_id 2>/dev/null)
  if [ -f "$vm/accel" ] && [ "$(sed -n 2p "$vm/accel")" = "$bootid" ]; then
    accel=$(sed -n 1p "$vm/accel")
  else
    accel=tcg
    if [ -r /dev/kvm ] && [ -w /dev/kvm ]; then
      t=$(date +%s)
      boot 30 kvm drv_probe >"$vm/probe.log" 2>&1
      if grep -q "drv-vm: probe booted" "$vm/probe.log"; then
        accel=kvm
        say "KVM works here (a probe boot took $(($(date +%s) - t)) s)"
      else
        say "KVM does not boot a machine here, so it is emulated (TCG): $(tr -d '\r' <"$vm/probe.log" | grep -i -m 1 error || echo "no boot in 30 s")"
      fi
    fi
    printf '%s\n%s\n' "$accel" "$bootid" >"$vm/accel"
  fi
fi

printf 'set -u\n%s\n' "$2" >"$vm/job"
rm -f "$vm/job.status"
say "running in the virtual machine ($accel): $2"
boot "${DRV_VM_TIMEOUT:-3600}" "$accel" "drv_src=$src drv_build=$build" \
  -virtfs "local,path=$src,mount_tag=src,security_model=none,id=src" \
  -virtfs "local,path=$build,mount_tag=build,security_model=none,id=build" |
  sed -u 's/\r$//' | tee "$vm/console.log"
[ -f "$vm/job.status" ] ||
  die "the virtual machine ended without the command's exit status (timeout ${DRV_VM_TIMEOUT:-3600} s or a crash; console: $vm/console.log)"
exit "$(cat "$vm/job.status")"
