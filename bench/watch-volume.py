#!/usr/bin/env python3
"""Records when entries appear in and vanish from a volume's top folder.

    watch-volume.py DIR OUT
    watch-volume.py --times OUT

Watches DIR with inotify (no polling, so it costs the timed tools nothing
while they run) and writes one line per event to OUT: the time in seconds
(CLOCK_MONOTONIC), "+" for an entry made or moved in, "-" for one deleted
or moved out, and the entry's name. Writes "ready" to OUT once the watch is
in place, and stops on SIGTERM or SIGINT.

With --times, reads such a file and prints two figures in seconds (or
"n/a"), which run-bench records for every run:

- on the volume: from the first entry made to the last wipe file deleted
  (every entry but Tolvane's record folder), which leaves out the tool's
  start-up and exit, for Tolvane also the waits for its 500 ms timer. A
  file's blocks are freed just after its deletion is reported, so the last
  file's freeing is left out for every tool alike.
- record phase: from Tolvane's record folder (Tolvane.WipeRecords) made to
  the first deletion after it, which is the phase itself; its own
  deletion at the end of the run is not counted.
"""
import ctypes
import ctypes.util
import os
import select
import signal
import struct
import sys
import time

IN_CREATE = 0x00000100
IN_DELETE = 0x00000200
IN_MOVED_FROM = 0x00000040
IN_MOVED_TO = 0x00000080
IN_CLOEXEC = 0o2000000
HEADER = struct.Struct("iIII")  # wd, mask, cookie, name length

stopping = False


def stop(*_):
    global stopping
    stopping = True


RECORDS = "Tolvane.WipeRecords"


def times(path):
    events = []
    for line in open(path):
        parts = line.rstrip("\n").split(" ", 2)
        if len(parts) == 3:
            events.append((float(parts[0]), parts[1], parts[2]))
    made = [t for t, sign, name in events if sign == "+"]
    gone = [t for t, sign, name in events if sign == "-" and name != RECORDS]
    on_volume = f"{gone[-1] - made[0]:.3f}" if made and gone and gone[-1] >= made[0] else "n/a"
    record = "n/a"
    start = [t for t, sign, name in events if sign == "+" and name == RECORDS]
    if start:
        after = [t for t, sign, name in events if sign == "-" and t >= start[0]]
        if after:
            record = f"{after[0] - start[0]:.3f}"
    print(on_volume, record)


def main():
    if sys.argv[1] == "--times":
        times(sys.argv[2])
        return
    folder, out_path = sys.argv[1], sys.argv[2]
    libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
    fd = libc.inotify_init1(IN_CLOEXEC)
    if fd < 0:
        sys.exit(f"inotify_init1: {os.strerror(ctypes.get_errno())}")
    mask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO
    if libc.inotify_add_watch(fd, folder.encode(), mask) < 0:
        sys.exit(f"inotify_add_watch {folder}: {os.strerror(ctypes.get_errno())}")
    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    with open(out_path, "w") as out:
        out.write("ready\n")
        out.flush()
        while True:
            # Events already queued are read before a stop request is obeyed.
            ready, _, _ = select.select([fd], [], [], 0.05)
            if not ready:
                if stopping:
                    break
                continue
            now = time.clock_gettime(time.CLOCK_MONOTONIC)
            data = os.read(fd, 65536)
            at = 0
            while at + HEADER.size <= len(data):
                _, event, _, length = HEADER.unpack_from(data, at)
                name = data[at + HEADER.size:at + HEADER.size + length].split(b"\0", 1)[0]
                at += HEADER.size + length
                sign = "+" if event & (IN_CREATE | IN_MOVED_TO) else "-"
                out.write(f"{now:.6f} {sign} {name.decode(errors='replace')}\n")
            out.flush()


if __name__ == "__main__":
    main()
