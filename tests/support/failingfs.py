#!/usr/bin/python3
# failingfs.py SOURCE MOUNTPOINT [NAME:OFFSET:LENGTH ...]: shows SOURCE read-only at MOUNTPOINT, as
# a failing disc does: a read of NAME (its path below SOURCE) that touches bytes OFFSET to
# OFFSET+LENGTH fails with EIO, as a scratched or faded part of a disc does. Runs in the foreground
# until unmounted (fusermount -u MOUNTPOINT, or umount as root).
import errno
import os
import sys

from fusepy import FUSE, FuseOSError, Operations


# Names are bytes on a disc, in any encoding: fusepy hands them over as text decoded as Latin-1,
# which gives every byte back unchanged.
NAMES = 'latin-1'


def as_name(text):
    return os.fsencode(text).decode(NAMES)


class FailingFs(Operations):
    def __init__(self, source, bad):
        self.source = os.fsencode(source)
        self.bad = bad  # name (Latin-1 text of its bytes) -> list of (offset, length)

    def _full(self, path):
        return os.path.join(self.source, path.encode(NAMES).lstrip(b'/'))

    def getattr(self, path, fh=None):
        st = os.lstat(self._full(path))
        keys = ('st_atime', 'st_ctime', 'st_gid', 'st_mode', 'st_mtime', 'st_nlink', 'st_size', 'st_uid')
        attrs = {k: getattr(st, k) for k in keys}
        attrs['st_mode'] &= ~0o222
        return attrs

    def readdir(self, path, fh):
        return ['.', '..'] + [name.decode(NAMES) for name in os.listdir(self._full(path))]

    def open(self, path, flags):
        if flags & (os.O_WRONLY | os.O_RDWR):
            raise FuseOSError(errno.EROFS)
        return os.open(self._full(path), os.O_RDONLY)

    def read(self, path, size, offset, fh):
        for start, length in self.bad.get(path.lstrip('/'), []):
            if offset < start + length and offset + size > start:
                raise FuseOSError(errno.EIO)
        os.lseek(fh, offset, os.SEEK_SET)
        return os.read(fh, size)

    def release(self, path, fh):
        os.close(fh)


def main():
    source, mountpoint = sys.argv[1], sys.argv[2]
    bad = {}
    for bad_range in sys.argv[3:]:
        name, offset, length = bad_range.rsplit(':', 2)
        bad.setdefault(as_name(name), []).append((int(offset), int(length)))
    FUSE(FailingFs(source, bad), as_name(mountpoint), foreground=True, ro=True, direct_io=True, encoding=NAMES)


if __name__ == '__main__':
    main()
