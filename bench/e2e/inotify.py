"""File events of a folder (inotify), for the figures that time a file's arrival."""

import ctypes, os, select, struct, time
from pathlib import Path


class Inotify:
    IN_MODIFY, IN_CLOSE_WRITE, IN_MOVED_TO, IN_CREATE, IN_DELETE = 0x2, 0x8, 0x80, 0x100, 0x200

    def __init__(self):
        self._libc = ctypes.CDLL("libc.so.6")
        self.fd, self.dirs = self._libc.inotify_init1(os.O_NONBLOCK | os.O_CLOEXEC), {}

    def watch(self, folder, mask):
        self.dirs[self._libc.inotify_add_watch(self.fd, str(folder).encode(), mask)] = Path(folder)

    def read(self, timeout):  # [(t, mask, path)]
        if not select.select([self.fd], [], [], max(0.0, timeout))[0]:
            return []
        t, buf, out, i = time.monotonic(), os.read(self.fd, 65536), [], 0
        while i < len(buf):
            wd, mask, _cookie, length = struct.unpack_from("iIII", buf, i)
            name = buf[i + 16 : i + 16 + length].rstrip(b"\0").decode()
            out.append((t, mask, self.dirs.get(wd, Path("?")) / name))
            i += 16 + length
        return out
