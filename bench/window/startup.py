#!/usr/bin/env python3
"""Start-up time of Dirsheet against a minimal Win32 window, seen from the X server.

usage: startup.py WINE_RUN RUNS NAME=EXE [NAME=EXE ...]

Each program is started with WINE_RUN (the build's Wine), in turn, RUNS times after one
warm-up each. Every 10 ms the X server is asked for the program's top-level window (by
its process id) and, once it is mapped, for the window's pixels. A run's time is from the
start of the process to the first poll at which the window showed what it shows once
settled (its picture 1 s after nothing changed any more): mapped and painted. The
first program is compared with each of the others: medians and the paired differences.
"""
import ctypes
import ctypes.util
import zlib
import os
import signal
import statistics
import subprocess
import sys
import time

POLL = 0.010
DUMPED = set()
RUN_START = [0.0]
SETTLE = 1.0
TIMEOUT = 30.0

x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
Window = ctypes.c_ulong
Atom = ctypes.c_ulong


class XWindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
                ("visual", ctypes.c_void_p), ("root", Window), ("class_", ctypes.c_int),
                ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
                ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
                ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = Window
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XQueryTree.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window), ctypes.POINTER(Window),
                           ctypes.POINTER(ctypes.POINTER(Window)), ctypes.POINTER(ctypes.c_uint)]
x11.XGetWindowAttributes.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(XWindowAttributes)]
x11.XGetImage.restype = ctypes.POINTER(XImage)
x11.XGetImage.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                          ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
x11.XInternAtom.restype = Atom
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XGetWindowProperty.argtypes = [ctypes.c_void_p, Window, Atom, ctypes.c_long, ctypes.c_long,
                                   ctypes.c_int, Atom, ctypes.POINTER(Atom),
                                   ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
                                   ctypes.POINTER(ctypes.c_ulong),
                                   ctypes.POINTER(ctypes.c_void_p)]
x11.XFree.argtypes = [ctypes.c_void_p]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
ignore_errors = ERROR_HANDLER(lambda display, event: 0)  # a window gone between two calls
x11.XSetErrorHandler(ignore_errors)

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("startup.py: no X display")
root = x11.XDefaultRootWindow(display)
NET_WM_PID = x11.XInternAtom(display, b"_NET_WM_PID", False)
IS_VIEWABLE = 2
ZPIXMAP = 2


def children(window):
    root_ret, parent, kids, count = Window(), Window(), ctypes.POINTER(Window)(), ctypes.c_uint()
    if not x11.XQueryTree(display, window, ctypes.byref(root_ret), ctypes.byref(parent),
                          ctypes.byref(kids), ctypes.byref(count)):
        return []
    result = [kids[i] for i in range(count.value)]
    if kids:
        x11.XFree(kids)
    return result


def pid_of(window):
    kind, fmt, n, after = Atom(), ctypes.c_int(), ctypes.c_ulong(), ctypes.c_ulong()
    data = ctypes.c_void_p()
    if x11.XGetWindowProperty(display, window, NET_WM_PID, 0, 1, False, 6, ctypes.byref(kind),
                              ctypes.byref(fmt), ctypes.byref(n), ctypes.byref(after),
                              ctypes.byref(data)) != 0 or not data.value:
        return None
    pid = ctypes.cast(data, ctypes.POINTER(ctypes.c_ulong))[0] if n.value else None
    x11.XFree(data)
    return pid


def mapped_window_of(pid):
    """The largest viewable top-level window of the process, with its attributes."""
    best = None
    for w in children(root):
        attrs = XWindowAttributes()
        if not x11.XGetWindowAttributes(display, w, ctypes.byref(attrs)):
            continue
        if attrs.map_state != IS_VIEWABLE or attrs.width < 50 or pid_of(w) != pid:
            continue
        if best is None or attrs.width * attrs.height > best[1].width * best[1].height:
            best = (w, attrs)
    return best


def picture(window, attrs):
    image = x11.XGetImage(display, window, 0, 0, attrs.width, attrs.height, 0xFFFFFFFF, ZPIXMAP)
    if not image:
        return None
    img = image.contents
    raw = ctypes.string_at(img.data, img.bytes_per_line * img.height)
    digest = zlib.crc32(raw)
    dump = os.environ.get("STARTUP_DUMP")
    if dump and digest not in DUMPED:
        DUMPED.add(digest)
        rgb = bytearray()
        for y in range(img.height):
            row = raw[y * img.bytes_per_line:y * img.bytes_per_line + img.width * 4]
            for x in range(0, len(row), 4):
                rgb += bytes((row[x + 2], row[x + 1], row[x]))
        name = f"{dump}/{time.perf_counter() - RUN_START[0]:07.3f}.ppm"
        with open(name, "wb") as f:
            f.write(b"P6 %d %d 255\n" % (img.width, img.height) + bytes(rgb))
    x11.XFree(img.data)
    x11.XFree(image)
    return (attrs.width, attrs.height, digest)


def cpu_ms(pid):
    """Processor time the process has used (user and system), in milliseconds."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) * 1000 / os.sysconf("SC_CLK_TCK")
    except (OSError, IndexError, ValueError):
        return None


def one_run(wine_run, exe):
    frames = []  # (seconds since start, picture or None when not mapped yet)
    start = time.perf_counter()
    RUN_START[0] = start
    proc = subprocess.Popen([wine_run, exe], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            cwd=os.path.dirname(exe) or ".")
    last_change = None
    try:
        while time.perf_counter() - start < TIMEOUT:
            now = time.perf_counter() - start
            found = mapped_window_of(proc.pid)
            shot = picture(*found) if found else None
            if frames and shot != frames[-1][1]:
                last_change = now
            frames.append((now, shot))
            if shot and last_change is not None and now - last_change > SETTLE:
                break
            if shot and last_change is None:
                last_change = now
            time.sleep(max(0.0, POLL - (time.perf_counter() - start - now)))
    finally:
        cpu = cpu_ms(proc.pid)
        proc.send_signal(signal.SIGKILL)
        proc.wait()
    final = frames[-1][1] if frames else None
    if os.environ.get("STARTUP_VERBOSE"):
        changes = [f"{t * 1000:.0f}" for i, (t, shot) in enumerate(frames)
                   if shot is not None and (i == 0 or frames[i - 1][1] != shot)]
        print(f"  {os.path.basename(exe)}: pictures changed at {' '.join(changes)} ms", file=sys.stderr)
    if final is None:
        return None, None, None
    mapped = next(t for t, shot in frames if shot is not None)
    painted = next(t for t, shot in frames if shot == final)
    return mapped * 1000, painted * 1000, cpu


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    wine_run, runs = sys.argv[1], int(sys.argv[2])
    programs = [arg.split("=", 1) for arg in sys.argv[3:]]
    for _, exe in programs:
        one_run(wine_run, exe)  # warm-up: loader, disk cache, font cache
        time.sleep(0.5)
    results = {name: [] for name, _ in programs}
    for _ in range(runs):
        for name, exe in programs:
            results[name].append(one_run(wine_run, exe))
            time.sleep(0.5)  # the killed process's windows are gone before the next one
    first = programs[0][0]
    for name, _ in programs:
        mapped = [r[0] for r in results[name] if r[0] is not None]
        painted = [r[1] for r in results[name] if r[1] is not None]
        cpu = [r[2] for r in results[name] if r[2] is not None]
        print(f"{name}: mapped {statistics.median(mapped):.0f} ms, mapped and painted "
              f"{statistics.median(painted):.0f} ms (median of {len(painted)}; "
              f"painted {min(painted):.0f} to {max(painted):.0f} ms); processor time of the "
              f"process {statistics.median(cpu):.0f} ms")
    for name, _ in programs[1:]:
        pairs = [a[1] - b[1] for a, b in zip(results[first], results[name])
                 if a[1] is not None and b[1] is not None]
        cpu = [a[2] - b[2] for a, b in zip(results[first], results[name])
               if a[2] is not None and b[2] is not None]
        print(f"{first} - {name}: median of paired differences {statistics.median(pairs):.0f} ms "
              f"({min(pairs):.0f} to {max(pairs):.0f}); processor time "
              f"{statistics.median(cpu):+.0f} ms")


if __name__ == "__main__":
    main()
