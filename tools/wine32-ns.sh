#!/usr/bin/env bash
# Runs a command where i386 programs (the 32-bit Wine loader, and every
# Windows process, which Wine starts by running that loader again) execute
# through qemu-i386. The registration lives in the binfmt_misc instance of a
# private user and mount namespace (Linux 6.7 and later give each user
# namespace its own), so the rest of the machine never sees it and it ends
# with the command's last process.
#   wine32-ns.sh QEMU_I386 COMMAND [ARGS...]
set -eu
qemu=$1
shift
# Already inside: nothing more to set up.
[ "${FLICKHOLD_WINE32_NS:-}" = 1 ] && exec "$@"
if [ "${1:-}" != --inside ]; then
  [ -x "$qemu" ] || { echo "wine32-ns: no emulator at $qemu" >&2; exit 1; }
  exec unshare --user --map-root-user --mount --propagation private bash "$0" "$qemu" --inside "$@"
fi
shift
# The mount shadows the machine's binfmt_misc in this namespace only.
mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
# i386 ELF executables and shared objects (ET_EXEC and ET_DYN): the magic
# and mask of the ELF header; F opens the emulator now, so the loader's
# re-executions find it whatever their environment.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
printf '%s' ":flickhold-i386:M::$magic:$mask:$qemu:F" >/proc/sys/fs/binfmt_misc/register
export FLICKHOLD_WINE32_NS=1
exec "$@"
