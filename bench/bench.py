# SPDX-License-Identifier: MIT
"""Side-by-side playback benchmark: MeroSonx against mpv (and VLC, ffplay).

Runs inside an X session (bench/run provides one). For every media file each
player plays the whole file, in turns, for several rounds, and we record:

- CPU: user + system seconds of the whole process (GNU time),
- peak RSS of the process (GNU time, MiB),
- start to first frame: from the exec to the moment the video's magenta band
  is seen in the screen's pixels (X GetImage of sparse rows),
- for MeroSonx in one extra run per file, the UI thread's longest event-loop
  stall while playing (MERO_STALL_PROBE=1 makes it print that at exit).

Every figure is the median over the rounds, and is also shown as a ratio to
mpv's. The players' video outputs have one size (--size, default 640x360):
mpv --geometry, VLC --zoom, ffplay -x/-y, and for MeroSonx a
Settei.dat beside a copy of the binary whose window leaves a video surface of
that size (calibrated once on screen before the rounds).
"""

import argparse
import os
import pwd
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

from Xlib import X, display

MAGENTA_BAND = "drawbox=x=0:y=ih*2/5:w=iw:h=ih/5:color=0xFF00FF:t=fill"
DURATION = 20.0  # seconds of every media file

# name, description, ffmpeg arguments, has video, extension, picture width
MEDIA = [
    ("v1080", "1920×1080 H.264 + AAC",
     ["-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=30," + MAGENTA_BAND,
      "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000",
      "-c:v", "libx264", "-preset", "veryfast", "-crf", "23", "-pix_fmt", "yuv420p",
      "-c:a", "aac", "-b:a", "128k", "-ac", "2"], True, "mp4", 1920),
    ("v360", "640×360 H.264",
     ["-f", "lavfi", "-i", "testsrc2=size=640x360:rate=30," + MAGENTA_BAND,
      "-c:v", "libx264", "-preset", "veryfast", "-crf", "23", "-pix_fmt", "yuv420p"],
     True, "mp4", 640),
    ("mp3", "MP3 (192 kb/s stereo)",
     ["-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100",
      "-c:a", "libmp3lame", "-b:a", "192k", "-ac", "2"], False, "mp3", 0),
    ("wav", "WAV (44.1 kHz 16-bit stereo)",
     ["-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100",
      "-c:a", "pcm_s16le", "-ac", "2"], False, "wav", 0),
]

# The player's fixed heights below its video surface, in pixels: information
# panel + status bar, and the control bar. Anything else is measured.
PANELS_BELOW = 97 + 46


def log(*args):
    print(*args, file=sys.stderr, flush=True)


def load_average():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


# --- media ----------------------------------------------------------------------

def make_media(directory):
    os.makedirs(directory, exist_ok=True)
    os.chmod(directory, 0o755)
    paths = {}
    for name, _, args, _, ext, _ in MEDIA:
        path = os.path.join(directory, f"{name}.{ext}")
        if not os.path.exists(path):
            log(f"bench: generating {path}")
            subprocess.run(["ffmpeg", "-v", "error", "-y", *args, "-t", str(DURATION),
                            path + ".part." + ext], check=True)
            os.replace(path + ".part." + ext, path)
        paths[name] = path
    return paths


# --- the screen -----------------------------------------------------------------

class Screen:
    """Finds the magenta band of the test videos in the screen's pixels."""

    ROW_STEP = 24  # the band is a fifth of the picture: >= 72 px at 360 high

    def __init__(self):
        self.display = display.Display()
        self.root = self.display.screen().root
        geometry = self.root.get_geometry()
        self.width, self.height = geometry.width, geometry.height

    @staticmethod
    def is_magenta(data, offset):
        # ZPixmap, 32 bits per pixel, BGRX
        b, g, r = data[offset], data[offset + 1], data[offset + 2]
        return r > 200 and b > 200 and g < 90

    def band_run(self, y):
        """The longest horizontal magenta run on row y: (start, length)."""
        data = self.root.get_image(0, y, self.width, 1, X.ZPixmap, 0xFFFFFFFF).data
        best = (0, 0)
        start = None
        for x in range(0, self.width + 1):
            inside = x < self.width and self.is_magenta(data, 4 * x)
            if inside and start is None:
                start = x
            elif not inside and start is not None:
                if x - start > best[1]:
                    best = (start, x - start)
                start = None
        return best

    def find_band(self, minimum):
        """(x, y, width) of a magenta run of at least `minimum` pixels, or None.
        testsrc2 has a magenta column of a sixth of the picture's width: the
        band is told from it by its length."""
        for y in range(self.ROW_STEP // 2, self.height, self.ROW_STEP):
            data = self.root.get_image(0, y, self.width, 1, X.ZPixmap, 0xFFFFFFFF).data
            # quick test every 16th pixel before the exact run
            for x in range(0, self.width, 16):
                if self.is_magenta(data, 4 * x):
                    start, length = self.band_run(y)
                    if length >= minimum:
                        return start, y, length
                    break
        return None

    def band_box(self, hint):
        """The band's bounding box (x, y, w, h) around a row found by find_band."""
        x, y, width = hint
        top = y
        while top > 0 and self.band_run(top - 1)[1] >= width - 2:
            top -= 1
        bottom = y
        while bottom + 1 < self.height and self.band_run(bottom + 1)[1] >= width - 2:
            bottom += 1
        return x, top, width, bottom - top + 1


# --- players --------------------------------------------------------------------

def quit_merosonx(proc, timeout=10.0):
    """Ctrl+Q to the main window (its normal quit); SIGTERM if that fails."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Mero Sonx"],
                           capture_output=True, text=True)
    windows = found.stdout.split()
    if windows:
        subprocess.run(["xdotool", "windowactivate", "--sync", windows[0], "key",
                        "--clearmodifiers", "ctrl+q"], capture_output=True, timeout=10)
    try:
        proc.wait(timeout)
        return "ctrl+q" if windows else "?"
    except subprocess.TimeoutExpired:
        os.kill(proc.pid, signal.SIGTERM)
        proc.wait(10)
        return "sigterm"


class Player:
    name = ""
    exits_by_itself = True

    def available(self):
        return True

    def command(self, media, has_video, size, workdir, source_width=0):
        raise NotImplementedError

    def environment(self, workdir):
        env = dict(os.environ)
        runtime = os.path.join(workdir, "xdg")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env["XDG_RUNTIME_DIR"] = runtime
        return env


class MeroSonx(Player):
    name = "MeroSonx"
    exits_by_itself = False

    def __init__(self, binary):
        self.binary = binary
        self.extra = 0  # pixels of height besides the surface and panels; calibrated

    def settings(self, size):
        width, height = size
        client_w = width
        client_h = self.extra + height + PANELS_BELOW
        outer_h = client_h * 15 + 700
        outer_w = client_w * 15 + 100
        # height,width,state,top,left,information
        return f"{outer_h},{outer_w},0,0,0,-1\r\n"

    def command(self, media, has_video, size, workdir, source_width=0):
        binary = os.path.join(workdir, "MeroSonx")
        if not os.path.exists(binary):
            shutil.copy2(self.binary, binary)
        with open(os.path.join(workdir, "Settei.dat"), "w", newline="") as f:
            f.write(self.settings(size))
        return [binary, media]


class Mpv(Player):
    name = "mpv"

    def available(self):
        return shutil.which("mpv") is not None

    def command(self, media, has_video, size, workdir, source_width=0):
        # The same audio outputs MeroSonx tries; --gpu-sw lets it use llvmpipe.
        return ["mpv", "--no-config", "--really-quiet", "--vo=gpu", "--gpu-sw",
                "--ao=pipewire,pulse,alsa,null", "--geometry=%dx%d+0+0" % size, media]


class Vlc(Player):
    name = "VLC"

    def available(self):
        return shutil.which("vlc") is not None

    def command(self, media, has_video, size, workdir, source_width=0):
        # VLC refuses to run as root: it runs as nobody with a home of its own
        # and a readable copy of the X cookie.
        home = os.path.join(workdir, "home")
        os.makedirs(home, exist_ok=True)
        xauth = os.path.join(workdir, "xauthority")
        if os.environ.get("XAUTHORITY") and not os.path.exists(xauth):
            shutil.copy(os.environ["XAUTHORITY"], xauth)
        nobody = pwd.getpwnam("nobody")
        for path in (workdir, home, xauth):
            if os.path.exists(path):
                os.chown(path, nobody.pw_uid, nobody.pw_gid)
        runtime = os.path.join(workdir, "xdg")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        os.chown(runtime, nobody.pw_uid, nobody.pw_gid)
        args = ["runuser", "-u", "nobody", "--", "env", f"HOME={home}",
                f"XAUTHORITY={xauth}", f"XDG_RUNTIME_DIR={runtime}",
                "vlc", "-I", "dummy", "--quiet", "--no-video-title-show", "--play-and-exit",
                "--vout=gl", "--video-x=0", "--video-y=0"]
        if source_width:
            # its window is the picture's size times the zoom (--width is not kept)
            args += ["--no-autoscale", "--zoom=%.6f" % (size[0] / source_width)]
        return args + [media]

    def environment(self, workdir):
        return dict(os.environ)


class Ffplay(Player):
    name = "ffplay"

    def available(self):
        return shutil.which("ffplay") is not None

    def command(self, media, has_video, size, workdir, source_width=0):
        args = ["ffplay", "-autoexit", "-loglevel", "quiet", "-nostats"]
        if has_video:
            args += ["-x", str(size[0]), "-y", str(size[1]), "-left", "0", "-top", "0"]
        else:
            args += ["-nodisp"]  # no wave display: like mpv and VLC, no window for audio
        return args + [media]

    def environment(self, workdir):
        env = super().environment(workdir)
        env["SDL_AUDIODRIVER"] = "dummy"
        return env


# --- one run --------------------------------------------------------------------

class Result:
    def __init__(self):
        self.cpu = None       # s
        self.rss = None       # MiB
        self.first = None     # s
        self.band_width = None
        self.wall = None
        self.stall = None     # ms
        self.quit = ""


def run_once(player, media, has_video, size, screen, source_width=0, stall_probe=False):
    workdir = tempfile.mkdtemp(prefix="merosonx-bench-")
    os.chmod(workdir, 0o755)
    try:
        timefile = os.path.join(workdir, "time.txt")
        stderr_path = os.path.join(workdir, "stderr.txt")
        env = player.environment(workdir)
        if stall_probe:
            env["MERO_STALL_PROBE"] = "1"
        argv = ["/usr/bin/time", "-f", "%U %S %M %e", "-o", timefile] + \
            player.command(media, has_video, size, workdir, source_width)
        result = Result()
        with open(stderr_path, "w") as err:
            start = time.monotonic()
            proc = subprocess.Popen(argv, cwd=workdir, env=env, stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL, stderr=err)
            if has_video and screen:
                deadline = start + 15
                while time.monotonic() < deadline and proc.poll() is None:
                    hit = screen.find_band(size[0] // 2)
                    if hit:
                        result.first = time.monotonic() - start
                        break
                    time.sleep(0.003)
                # the picture's width once the window has settled
                time.sleep(max(0.0, start + 3.0 - time.monotonic()))
                hit = screen.find_band(size[0] // 2)
                result.band_width = hit[2] if hit else None
            if player.exits_by_itself:
                try:
                    proc.wait(DURATION + 30)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
                    result.quit = "killed"
            else:
                # keep-open player: quit once the media's length has passed
                remaining = start + DURATION + 1.0 - time.monotonic()
                if remaining > 0:
                    time.sleep(remaining)
                result.quit = quit_merosonx(proc)
        with open(timefile) as f:
            fields = f.read().split()[-4:]
        user, system, rss_kib, wall = (float(v) for v in fields)
        result.cpu = user + system
        result.rss = rss_kib / 1024
        result.wall = wall
        with open(stderr_path, errors="replace") as f:
            text = f.read()
        match = re.search(r"stall probe: max ([0-9.]+) ms", text)
        if match:
            result.stall = float(match.group(1))
        return result
    finally:
        shutil.rmtree(workdir, ignore_errors=True)


def calibrate(merosonx, media, size, screen):
    """Fits MeroSonx's window so that its video surface is `size`, from the
    picture it shows: the window is sized from the panels' known heights, and
    if the picture comes out pillarboxed (the surface shorter than meant) the
    height is corrected by what is missing."""
    width, height = size
    for attempt in range(3):
        workdir = tempfile.mkdtemp(prefix="merosonx-calibrate-")
        try:
            env = merosonx.environment(workdir)
            proc = subprocess.Popen(merosonx.command(media, True, size, workdir), cwd=workdir,
                                    env=env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
            box = None
            deadline = time.monotonic() + 15
            while time.monotonic() < deadline and box is None:
                hit = screen.find_band(size[0] // 2)
                if hit:
                    time.sleep(0.5)  # the window settles
                    hit = screen.find_band(size[0] // 2)
                    box = screen.band_box(hit) if hit else None
                time.sleep(0.05)
            quit_merosonx(proc)
        finally:
            shutil.rmtree(workdir, ignore_errors=True)
        if box is None:
            raise SystemExit("bench: MeroSonx showed no picture during calibration")
        picture_w = box[2]
        picture_h = box[3] * 5  # the band is a fifth of the picture's height
        log(f"bench: calibration {attempt}: extra height {merosonx.extra} px -> "
            f"picture {picture_w}x{picture_h}")
        # the band's edges blend into the picture: its height is known to a few pixels
        if abs(picture_w - width) <= 2 and abs(picture_h - height) <= 12:
            return
        if picture_w < width - 2:
            # pillarboxed: the surface is as high as the picture
            merosonx.extra += height - round(picture_w * height / width)
        else:
            raise SystemExit("bench: cannot fit MeroSonx's video surface to "
                             f"{width}x{height} (picture {picture_w}x{picture_h})")
    raise SystemExit("bench: calibration did not converge")


# --- the table ------------------------------------------------------------------

def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def fmt(value, unit_format):
    return "—" if value is None else unit_format.format(value)


def ratio(value, reference):
    if value is None or reference in (None, 0):
        return ""
    return f" ({value / reference:.2f}×)"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--binary", required=True, help="MeroSonx executable")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--size", default="640x360", help="video output WxH of every player")
    parser.add_argument("--media", default=",".join(m[0] for m in MEDIA),
                        help="comma-separated subset of: " + ", ".join(m[0] for m in MEDIA))
    parser.add_argument("--players", default="MeroSonx,mpv,VLC,ffplay")
    # readable by every user: VLC runs as nobody
    parser.add_argument("--cache", default=os.path.join(tempfile.gettempdir(), "merosonx-bench"),
                        help="where the generated media are kept between runs")
    parser.add_argument("--no-stall-probe", action="store_true")
    args = parser.parse_args()

    size = tuple(int(v) for v in args.size.lower().split("x"))
    paths = make_media(args.cache)
    screen = Screen()
    merosonx = MeroSonx(os.path.abspath(args.binary))
    everyone = [merosonx, Mpv(), Vlc(), Ffplay()]
    wanted = [p.lower() for p in args.players.split(",")]
    players = [p for p in everyone if p.name.lower() in wanted and p.available()]
    if not any(isinstance(p, Mpv) for p in players):
        raise SystemExit("bench: mpv is needed as the reference (apt-get install mpv)")
    media = [m for m in MEDIA if m[0] in args.media.split(",")]

    load_before = load_average()
    log(f"bench: load average {load_before}; players: {', '.join(p.name for p in players)}")
    if merosonx in players and any(m[3] for m in media):  # video among the media
        calibrate(merosonx, paths["v360"] if "v360" in paths else paths["v1080"], size, screen)

    results = {}  # (media, player) -> [Result]
    stalls = {}
    for name, _, _, has_video, _, source_width in media:
        for round_index in range(args.rounds):
            # a different player starts each round
            shift = round_index % len(players)
            for player in players[shift:] + players[:shift]:
                r = run_once(player, paths[name], has_video, size, screen, source_width)
                results.setdefault((name, player.name), []).append(r)
                log(f"bench: {name} round {round_index + 1} {player.name}: cpu {r.cpu:.2f} s, "
                    f"rss {r.rss:.0f} MiB, first {fmt(r.first, '{:.3f}')} s, "
                    f"picture width {r.band_width}, wall {r.wall:.1f} s {r.quit}")
        if merosonx in players and not args.no_stall_probe:
            r = run_once(merosonx, paths[name], has_video, size, screen, source_width,
                         stall_probe=True)
            stalls[name] = r.stall
            log(f"bench: {name} MeroSonx stall probe: {fmt(r.stall, '{:.1f}')} ms")

    load_after = load_average()
    print()
    print(f"Video output {size[0]}x{size[1]} for every player; {args.rounds} rounds; medians; "
          f"CPU = user + system s of the whole process for {DURATION:.0f} s of media; "
          f"load average before {load_before}, after {load_after}.")
    print()
    header = ["media", "figure"] + [p.name for p in players]
    rows = []
    for name, description, _, has_video, _, _ in media:
        figures = [("CPU s", lambda r: r.cpu, "{:.2f}"), ("peak RSS MiB", lambda r: r.rss, "{:.0f}")]
        if has_video:
            figures.append(("first frame s", lambda r: r.first, "{:.3f}"))
        reference = {label: median(get(r) for r in results[(name, "mpv")])
                     for label, get, _ in figures}
        for label, get, form in figures:
            row = [description, label]
            for player in players:
                value = median(get(r) for r in results[(name, player.name)])
                row.append(fmt(value, form) + ("" if player.name == "mpv"
                                               else ratio(value, reference[label])))
            rows.append(row)
        if name in stalls:
            rows.append([description, "UI stall max ms"] +
                        [fmt(stalls[name], "{:.0f}") if p is merosonx else "" for p in players])
    widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(len(header))]
    print("| " + " | ".join(h.ljust(w) for h, w in zip(header, widths)) + " |")
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for row in rows:
        print("| " + " | ".join(str(c).ljust(w) for c, w in zip(row, widths)) + " |")
    print()
    print("(×) = ratio to mpv's median. MeroSonx quits through Ctrl+Q after the media's length; "
          "the others exit at its end.")


if __name__ == "__main__":
    main()
