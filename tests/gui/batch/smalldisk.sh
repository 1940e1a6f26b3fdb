#!/usr/bin/env bash
# Mounts and unmounts a small tmpfs for the full-disk tests (a CTest fixture).
#   smalldisk.sh mount DIR [SIZE]   a tmpfs of SIZE (default 400k) on DIR, with the file
#                                   DIR/mounted in it; without the rights to mount, DIR stays
#                                   a plain empty folder and the tests that need it skip
#   smalldisk.sh umount DIR
# Both always exit 0: a machine that cannot mount skips those tests, it does not fail them.
set -u
action=${1:?mount or umount}
dir=${2:?folder}

case "$action" in
  mount)
    mkdir -p "$dir"
    mountpoint -q "$dir" && { umount "$dir" 2>/dev/null || umount -l "$dir"; }
    rm -f "$dir/mounted"
    if mount -t tmpfs -o "size=${3:-400k}" tmpfs "$dir" 2>/dev/null; then
      echo yes >"$dir/mounted"
      df -k "$dir"
    else
      echo "cannot mount a tmpfs on $dir: the full-disk tests will skip"
    fi
    ;;
  umount)
    mountpoint -q "$dir" && { umount "$dir" 2>/dev/null || umount -l "$dir"; }
    ;;
  *) echo "mount or umount" >&2 ;;
esac
exit 0
