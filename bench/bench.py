# SPDX-License-Identifier: MIT
"""Side-by-side playback benchmark: MeroSonx against mpv, VLC and ffplay.

Runs inside an X session (bench/run provides one). A PulseAudio server on a
null sink runs for the whole benchmark and every player plays into it, as on a
desktop (checked in each run: the player's stream must show among the
server's sink inputs). For every media file each player plays the whole file,
in turns, for several rounds, and we record:

- CPU: user + system seconds of the whole process (GNU time),
- peak RSS of the process (GNU time, MiB),
- start to first frame: from the exec to the moment the video's magenta band
  is seen in the screen's pixels (X GetImage of two pixel columns),
- frames shown: every test video carries its frame number as a bar code, two
  copies side by side in one strip near its top; the strip's middle row is
  read off the screen some 200 times a second, a number counts only when both
  copies agree, and a player's count is the number of distinct numbers seen,
- for MeroSonx in one extra run per file, the UI thread's longest event-loop
  stall while playing (MERO_STALL_PROBE=1 makes it print that at exit); for a
  video in one more, which a click on the picture and F put in full screen
  early on, as a user would.

Every figure is the median over the rounds, shown with its ratio to the
cheapest peer of its row (the lowest median among the other players that
showed at least 99 % of the frames in every round). The players' video outputs
have one size (--size, default 640x360): mpv --geometry, VLC --zoom, ffplay
-x/-y, and for MeroSonx a Settei.dat beside a copy of the binary whose window
leaves a video surface of that size (calibrated once on screen before the
rounds).
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

DURATION = 20.0  # seconds of every media file
FPS = 30
FRAMES = int(DURATION * FPS)
SHOWN_ENOUGH = 0.99  # a run that showed fewer frames is marked

# --- the test picture -------------------------------------------------------------
# testsrc2 with a magenta band across the middle fifth (first frame, and where
# the picture is) and, in a strip from 1/24 to 1/8 of the height, the frame
# number as a bar code: two copies side by side, each a white guard block, the
# number's bits (most significant first, white = 1) and a black guard block.

CODE_BITS = 10  # frame numbers up to 1023
CODE_BLOCKS = 2 * (CODE_BITS + 2)


def picture_filter():
    band = "drawbox=x=0:y=ih*2/5:w=iw:h=ih/5:color=0xFF00FF:t=fill"
    strip = "y=ih/24:h=ih/12:t=fill"
    parts = [band, f"drawbox=x=0:w=iw:{strip}:color=black"]
    for copy in range(2):
        first = copy * (CODE_BITS + 2)
        parts.append(f"drawbox=x=iw*{first}/{CODE_BLOCKS}:w=iw/{CODE_BLOCKS}:{strip}:color=white")
        for i in range(CODE_BITS):
            bit = CODE_BITS - 1 - i
            parts.append(f"drawbox=x=iw*{first + 1 + i}/{CODE_BLOCKS}:w=iw/{CODE_BLOCKS}:{strip}:"
                         f"color=white:enable='mod(floor(n/{1 << bit})\\,2)'")
    return ",".join(parts)


# name, description, ffmpeg arguments, has video, extension, picture size.
# "-bar" in the cached names marks media that carry the bar code.
MEDIA = [
    ("v1080", "1920×1080 H.264 + AAC → 640×360",
     ["-f", "lavfi", "-i", f"testsrc2=size=1920x1080:rate={FPS}," + picture_filter(),
      "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000",
      "-c:v", "libx264", "-preset", "veryfast", "-crf", "23", "-pix_fmt", "yuv420p",
      "-c:a", "aac", "-b:a", "128k", "-ac", "2"], True, "mp4", (1920, 1080)),
    ("v360", "640×360 H.264 + AAC",
     ["-f", "lavfi", "-i", f"testsrc2=size=640x360:rate={FPS}," + picture_filter(),
      "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000",
      "-c:v", "libx264", "-preset", "veryfast", "-crf", "23", "-pix_fmt", "yuv420p",
      "-c:a", "aac", "-b:a", "128k", "-ac", "2"], True, "mp4", (640, 360)),
    ("mp3", "MP3 (192 kb/s stereo)",
     ["-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100",
      "-c:a", "libmp3lame", "-b:a", "192k", "-ac", "2"], False, "mp3", None),
    ("wav", "WAV (44.1 kHz 16-bit stereo)",
     ["-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100",
      "-c:a", "pcm_s16le", "-ac", "2"], False, "wav", None),
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
    for name, _, args, has_video, ext, _ in MEDIA:
        path = os.path.join(directory, f"{name}{'-bar' if has_video else ''}.{ext}")
        if not os.path.exists(path):
            log(f"bench: generating {path}")
            subprocess.run(["ffmpeg", "-v", "error", "-y", *args, "-t", str(DURATION),
                            path + ".part." + ext], check=True)
            os.replace(path + ".part." + ext, path)
        paths[name] = path
    return paths


# --- the sound server -----------------------------------------------------------

class SoundServer:
    """PulseAudio on a null sink, in a runtime directory of its own. Its socket
    takes anonymous clients: VLC runs as another user."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="merosonx-pulse-")
        os.chmod(self.dir, 0o755)
        self.socket = os.path.join(self.dir, "native")
        self.server = "unix:" + self.socket
        env = dict(os.environ, HOME=self.dir, XDG_RUNTIME_DIR=self.dir,
                   PULSE_RUNTIME_PATH=os.path.join(self.dir, "pulse"))
        self.log = open(os.path.join(self.dir, "log"), "w")
        self.proc = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--system=no",
             "-L", "module-null-sink",
             "-L", f"module-native-protocol-unix auth-anonymous=1 socket={self.socket}"],
            env=env, stdin=subprocess.DEVNULL, stdout=self.log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if self.proc.poll() is not None:
                raise SystemExit("bench: pulseaudio ended at once (see " + self.log.name + ")")
            if subprocess.run(["pactl", "--server", self.server, "info"],
                              capture_output=True).returncode == 0:
                return
            time.sleep(0.1)
        raise SystemExit("bench: pulseaudio does not answer")

    def sink_inputs(self):
        """Starts `pactl list sink-inputs`; streams() reads its answer."""
        return subprocess.Popen(["pactl", "--server", self.server, "list", "sink-inputs"],
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)

    def playing(self, application):
        """False once the stream of `application` is corked or gone, True
        while it plays, None if the server does not answer."""
        done = subprocess.run(["pactl", "--server", self.server, "list", "sink-inputs"],
                              capture_output=True, text=True)
        if done.returncode != 0:
            return None
        for block in done.stdout.split("Sink Input #")[1:]:
            if f'application.name = "{application}"' in block:
                return "Corked: no" in block
        return False

    @staticmethod
    def streams(query):
        out, _ = query.communicate(timeout=10)
        return re.findall(r'application\.name = "([^"]*)"', out)

    def stop(self):
        self.proc.terminate()
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        self.log.close()
        shutil.rmtree(self.dir, ignore_errors=True)


# --- the screen -----------------------------------------------------------------

class Screen:
    """The frame reader (framereader.c, built by bench/run): finds the test
    picture on screen and reads its frame numbers."""

    def __init__(self, reader):
        self.reader = reader

    def arguments(self, size, source):
        return [self.reader, "--size", "%dx%d" % size, "--aspect", repr(source[0] / source[1]),
                "--frames", str(FRAMES), "--bits", str(CODE_BITS)]

    def locate(self, size, source):
        """(x, y, w, h) of the picture once it has shown and settled, or None."""
        out = subprocess.run(self.arguments(size, source) + ["--locate", "1"],
                             capture_output=True, text=True, timeout=30).stdout.split()
        return tuple(int(v) for v in out[1:5]) if out[1:2] != ["none"] else None

    def start_reading(self, size, source, start):
        """Reads frames from now until finish_reading(); `start` is the
        player's start on time.monotonic()'s clock."""
        # Above the players' priority, so that it keeps its pace on a busy
        # machine; it needs a few microseconds per reading.
        return subprocess.Popen(["nice", "-n", "-10"] + self.arguments(size, source) +
                                ["--start", repr(start)],
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    @staticmethod
    def finish_reading(reader):
        """{first, frames, reads, gap, cpu, finds, missing} of a reading."""
        out, _ = reader.communicate(input="", timeout=30)
        words = out.split()
        values = dict(zip(words[0::2], words[1::2]))
        return values


# --- players --------------------------------------------------------------------

def merosonx_windows():
    """MeroSonx's visible windows (its full-screen window has the main window's title)."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Mero Sonx"],
                           capture_output=True, text=True)
    return found.stdout.split()


def window_size(window):
    shape = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                           capture_output=True, text=True).stdout
    geometry = dict(line.split("=", 1) for line in shape.split() if "=" in line)
    return {key: int(geometry.get(key, 0)) for key in ("X", "Y", "WIDTH", "HEIGHT")}


def quit_merosonx(proc, timeout=10.0):
    """Ctrl+Q to the main window (its normal quit); SIGTERM if that fails."""
    windows = merosonx_windows()
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
    binary = ""

    def __init__(self, sound):
        self.sound = sound

    def available(self):
        return shutil.which(self.binary) is not None

    def command(self, media, has_video, size, workdir, source_width=0):
        raise NotImplementedError

    def environment(self, workdir):
        env = dict(os.environ)
        runtime = os.path.join(workdir, "xdg")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env["XDG_RUNTIME_DIR"] = runtime
        env["PULSE_SERVER"] = self.sound.server
        return env


class BuiltHere(Player):
    """A player the bench builds: found by its path, not on PATH."""

    def __init__(self, sound, binary):
        super().__init__(sound)
        self.binary = binary

    def available(self):
        return os.access(self.binary, os.X_OK)


class MeroSonx(BuiltHere):
    name = "MeroSonx"
    exits_by_itself = False
    stream = "Mero Sonx"  # its application name on the sound server

    def __init__(self, sound, binary):
        super().__init__(sound, binary)
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
        # Its own order of audio outputs finds the server.
        return [binary, media]


class Mpv(Player):
    binary = "mpv"

    def __init__(self, sound, vo=None):
        super().__init__(sound)
        self.vo = vo
        self.name = "mpv" if vo is None else "mpv " + " ".join(vo)

    def command(self, media, has_video, size, workdir, source_width=0):
        # Its own audio output order; PULSE_SERVER names the server.
        return ["mpv", "--no-config", "--really-quiet", *(self.vo or []),
                "--geometry=%dx%d+0+0" % size, media]


class Vlc(Player):
    binary = "vlc"

    def __init__(self, sound, vout=None, interface="dummy"):
        super().__init__(sound)
        self.vout = vout
        self.interface = interface
        self.name = "VLC" if vout is None else "VLC " + vout
        if interface != "dummy":
            self.name += " -I " + interface

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
                f"PULSE_SERVER={self.sound.server}",
                "vlc", "-I", self.interface, "--quiet", "--no-video-title-show",
                "--play-and-exit", "--video-x=0", "--video-y=0"]
        if self.interface == "qt":
            args.append("--no-qt-privacy-ask")  # no first-start dialog
        if self.vout:
            args.append(self.vout)
        if source_width:
            # its window is the picture's size times the zoom (--width is not kept)
            args += ["--no-autoscale", "--zoom=%.6f" % (size[0] / source_width)]
        return args + [media]

    def environment(self, workdir):
        return dict(os.environ)


class LibmpvAlone(BuiltHere):
    """bench/libmpvplay.c: Debian's libmpv with nothing around it, the least
    any player built on it costs. A floor to read the others against, never
    a peer in the ratios."""
    name = "libmpv"

    def command(self, media, has_video, size, workdir, source_width=0):
        return [self.binary, media] + (["%dx%d" % size] if has_video else [])


class Ffplay(Player):
    name = "ffplay"
    binary = "ffplay"

    def command(self, media, has_video, size, workdir, source_width=0):
        args = ["ffplay", "-autoexit", "-loglevel", "quiet", "-nostats"]
        if has_video:
            args += ["-x", str(size[0]), "-y", str(size[1]), "-left", "0", "-top", "0"]
        else:
            args += ["-nodisp"]  # no wave display: like mpv and VLC, no window for audio
        return args + [media]


# --- one run --------------------------------------------------------------------

class Result:
    def __init__(self):
        self.cpu = None       # s
        self.rss = None       # MiB
        self.first = None     # s
        self.frames = None    # distinct frame numbers seen
        self.wall = None
        self.stall = None     # ms
        self.full_screen = None  # a full-screen run: whether full screen was seen
        self.streams = []     # the sound server's streams while it played
        self.reads = 0        # screen reads while the picture was known
        self.read_gap = 0.0   # longest time between two reads, s
        self.reader_cpu = 0.0  # the frame reader's processor time, s
        self.missing = ""     # frame numbers never seen, as ranges
        self.last = ""        # the highest frame number seen, and when
        self.threads = {}     # thread name -> CPU s, the last reading before the end
        self.quit = ""
        self.end = None       # s from the start to the end of its stream (MeroSonx)


def process_of(time_pid):
    """The player's pid under GNU time (VLC: under runuser and env too)."""
    pid = time_pid
    for _ in range(4):
        try:
            with open(f"/proc/{pid}/task/{pid}/children") as f:
                children = f.read().split()
        except OSError:
            return None
        if not children:
            return pid if pid != time_pid else None
        pid = int(children[0])
    return pid


def thread_times(pid):
    """{thread name: user + system s} of a running process."""
    tick = os.sysconf("SC_CLK_TCK")
    times = {}
    try:
        tasks = os.listdir(f"/proc/{pid}/task")
    except OSError:
        return times
    for task in tasks:
        try:
            with open(f"/proc/{pid}/task/{task}/stat") as f:
                stat = f.read()
        except OSError:
            continue
        name = stat[stat.index("(") + 1:stat.rindex(")")]
        fields = stat[stat.rindex(")") + 2:].split()
        seconds = (int(fields[11]) + int(fields[12])) / tick
        times[name] = times.get(name, 0.0) + seconds
    return times


def enter_full_screen():
    """Clicks MeroSonx's picture (near the top of its window) and presses F.
    None while it has no window yet; then whether a window of the screen's
    size was seen within 3 s."""
    windows = merosonx_windows()
    if not windows:
        return None
    main = window_size(windows[0])
    x = main["X"] + main["WIDTH"] // 2
    y = main["Y"] + 80
    subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1", "key", "f"],
                   capture_output=True, timeout=10)
    screen = subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True,
                            text=True).stdout.split()
    deadline = time.monotonic() + 3.0
    while time.monotonic() < deadline:
        if any([str(w["WIDTH"]), str(w["HEIGHT"])] == screen
               for w in map(window_size, merosonx_windows())):
            return True
        time.sleep(0.1)
    return False


def run_once(player, media, has_video, size, screen, sound, source=None, stall_probe=False,
             threads=False, full_screen=False):
    workdir = tempfile.mkdtemp(prefix="merosonx-bench-")
    os.chmod(workdir, 0o755)
    try:
        timefile = os.path.join(workdir, "time.txt")
        stderr_path = os.path.join(workdir, "stderr.txt")
        env = player.environment(workdir)
        if stall_probe:
            env["MERO_STALL_PROBE"] = "1"
        source_width = source[0] if source else 0
        argv = ["/usr/bin/time", "-f", "%U %S %M %e", "-o", timefile] + \
            player.command(media, has_video, size, workdir, source_width)
        result = Result()
        with open(stderr_path, "w") as err:
            start = time.monotonic()
            proc = subprocess.Popen(argv, cwd=workdir, env=env, stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL, stderr=err)
            # At the latest some time past the media's length. MeroSonx keeps
            # the file open at its end: it is quit once its stream on the
            # sound server is corked (paused at the end) or gone. With a sound
            # server the end comes later than the length: the stream starts
            # and drains with the server's latency.
            end = start + DURATION + 30
            reader = (screen.start_reading(size, source, start)
                      if has_video and not full_screen else None)
            query = None
            next_thread_look = start + 1.0
            next_end_look = start + DURATION - 0.5
            pid = None
            entered = None if full_screen else True
            while proc.poll() is None and time.monotonic() < end:
                now = time.monotonic()
                if entered is None and now > start + 1.5:
                    entered = enter_full_screen()
                    result.full_screen = entered
                if query is None and now > start + 4.0:
                    query = sound.sink_inputs()
                if threads and now >= next_thread_look:
                    pid = pid or process_of(proc.pid)
                    if pid:
                        result.threads = thread_times(pid) or result.threads
                    next_thread_look = now + 1.0
                if not player.exits_by_itself and now >= next_end_look:
                    if sound.playing(player.stream) is False:
                        result.end = time.monotonic() - start
                        time.sleep(0.2)  # the last frame's paint
                        break
                    next_end_look = now + 0.25
                time.sleep(0.05)
            if proc.poll() is None:
                if player.exits_by_itself:
                    proc.kill()
                    proc.wait()
                    result.quit = "killed"
                else:
                    result.quit = quit_merosonx(proc)
            if query is not None:
                result.streams = sound.streams(query)
            if reader:
                read = screen.finish_reading(reader)
                first = float(read.get("first", -1))
                result.first = first if first >= 0 else None
                result.frames = int(read.get("frames", 0))
                result.reads = int(read.get("reads", 0))
                result.read_gap = float(read.get("gap", 0)) / 1000
                result.reader_cpu = float(read.get("cpu", 0))
                result.missing = read.get("missing", "")
                result.last = f'{read.get("last", "?")} at {read.get("at", "?")} s'
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


def calibrate(merosonx, media, source, size, screen):
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
            box = screen.locate(size, source)
            quit_merosonx(proc)
        finally:
            shutil.rmtree(workdir, ignore_errors=True)
        if box is None:
            raise SystemExit("bench: MeroSonx showed no picture during calibration")
        picture_w = box[2]
        log(f"bench: calibration {attempt}: extra height {merosonx.extra} px -> "
            f"picture {picture_w}x{box[3]} at {box[0]},{box[1]}")
        if abs(picture_w - width) <= 2:
            return
        if picture_w < width - 2:
            # pillarboxed: the surface is as high as the picture
            merosonx.extra += height - round(picture_w * height / width)
        else:
            raise SystemExit("bench: cannot fit MeroSonx's video surface to "
                             f"{width}x{height} (picture {picture_w}x{box[3]})")
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


def short_of_frames(runs_):
    return any(r.frames is not None and r.frames < SHOWN_ENOUGH * FRAMES for r in runs_)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--binary", required=True, help="MeroSonx executable")
    parser.add_argument("--reader", required=True, help="the frame reader (framereader.c)")
    parser.add_argument("--libmpv-client", default="",
                        help="bench/libmpvplay.c built: the player named libmpv")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--size", default="640x360", help="video output WxH of every player")
    parser.add_argument("--media", default=",".join(m[0] for m in MEDIA),
                        help="comma-separated subset of: " + ", ".join(m[0] for m in MEDIA))
    parser.add_argument("--players", default="all",
                        help="comma-separated names as in the table's header, or all")
    # readable by every user: VLC runs as nobody
    parser.add_argument("--cache", default=os.path.join(tempfile.gettempdir(), "merosonx-bench"),
                        help="where the generated media are kept between runs")
    parser.add_argument("--no-stall-probe", action="store_true")
    parser.add_argument("--threads", action="store_true",
                        help="log each player's CPU per thread (/proc) at the end of a run")
    args = parser.parse_args()

    size = tuple(int(v) for v in args.size.lower().split("x"))
    paths = make_media(args.cache)
    screen = Screen(os.path.abspath(args.reader))
    sound = SoundServer()
    try:
        run(args, size, paths, screen, sound)
    finally:
        sound.stop()


def run(args, size, paths, screen, sound):
    merosonx = MeroSonx(sound, os.path.abspath(args.binary))
    everyone = [merosonx, Mpv(sound), Mpv(sound, ["--vo=x11"]),
                Mpv(sound, ["--vo=gpu", "--gpu-sw"]), Vlc(sound), Vlc(sound, "--vout=xcb_x11"),
                Ffplay(sound)]
    # VLC with its own window, for the audio files, and libmpv with nothing
    # around it: asked for by name only.
    floor = LibmpvAlone(sound, args.libmpv_client and os.path.abspath(args.libmpv_client))
    on_request = [Vlc(sound, interface="qt"), floor]
    wanted = [p.strip().lower() for p in args.players.split(",")]
    if wanted == ["all"]:
        players = [p for p in everyone if p.available()]
    else:
        players = [p for p in everyone + on_request
                   if p.name.lower() in wanted and p.available()]
    media = [m for m in MEDIA if m[0] in args.media.split(",")]
    if not players or not media:
        raise SystemExit("bench: nothing to measure")

    load_before = load_average()
    log(f"bench: load average {load_before}; players: {', '.join(p.name for p in players)}")
    if merosonx in players and any(m[3] for m in media):  # video among the media
        source = "v360" if any(m[0] == "v360" for m in media) else "v1080"
        calibrate(merosonx, paths[source], dict((m[0], m[5]) for m in MEDIA)[source], size,
                  screen)

    results = {}  # (media, player) -> [Result]
    stalls = {}
    full_screen_stalls = {}
    for name, _, _, has_video, _, source in media:
        for round_index in range(args.rounds):
            # a different player starts each round
            shift = round_index % len(players)
            for player in players[shift:] + players[:shift]:
                r = run_once(player, paths[name], has_video, size, screen, sound, source,
                             threads=args.threads)
                results.setdefault((name, player.name), []).append(r)
                reads = ""
                if has_video:
                    reads = (f", frames {r.frames}/{FRAMES}, first {fmt(r.first, '{:.3f}')} s, "
                             f"{r.reads} reads, longest gap {r.read_gap * 1000:.0f} ms, reader "
                             f"cpu {r.reader_cpu:.2f} s, last {r.last}, missing {r.missing}")
                log(f"bench: {name} round {round_index + 1} {player.name}: cpu {r.cpu:.2f} s, "
                    f"rss {r.rss:.0f} MiB{reads}, wall {r.wall:.1f} s {r.quit} "
                    f"(end {fmt(r.end, '{:.1f}')} s), "
                    f"streams {r.streams or 'NONE'}")
                if r.threads:
                    top = sorted(r.threads.items(), key=lambda kv: -kv[1])[:8]
                    log("bench:   threads " + ", ".join(f"{k} {v:.2f}" for k, v in top))
        if merosonx in players and not args.no_stall_probe:
            r = run_once(merosonx, paths[name], has_video, size, screen, sound, source,
                         stall_probe=True)
            stalls[name] = r.stall
            log(f"bench: {name} MeroSonx stall probe: {fmt(r.stall, '{:.1f}')} ms")
            if has_video:
                r = run_once(merosonx, paths[name], has_video, size, screen, sound, source,
                             stall_probe=True, full_screen=True)
                if not r.full_screen:
                    log(f"bench: {name} MeroSonx did not go full screen; no figure")
                full_screen_stalls[name] = r.stall if r.full_screen else None
                log(f"bench: {name} MeroSonx stall probe in full screen: "
                    f"{fmt(full_screen_stalls[name], '{:.1f}')} ms")

    load_after = load_average()
    print()
    print(f"Video output {size[0]}x{size[1]} for every player; audio to PulseAudio (null sink); "
          f"{args.rounds} rounds; medians; CPU = user + system s of the whole process for "
          f"{DURATION:.0f} s of media; load average before {load_before}, after {load_after}.")
    print()
    header = ["media", "figure"] + [p.name for p in players]
    rows = []
    for name, description, _, has_video, _, _ in media:
        figures = [("CPU s", lambda r: r.cpu, "{:.2f}"), ("peak RSS MiB", lambda r: r.rss, "{:.0f}")]
        if has_video:
            figures.append(("first frame s", lambda r: r.first, "{:.3f}"))
        # peers that showed (nearly) every frame in every round
        peers = [p for p in players if p not in (merosonx, floor) and
                 not short_of_frames(results[(name, p.name)])]
        for label, get, form in figures:
            row = [description, label]
            medians = {p.name: median(get(r) for r in results[(name, p.name)]) for p in players}
            peer_values = [medians[p.name] for p in peers if medians[p.name] is not None]
            cheapest = min(peer_values) if peer_values else None
            for player in players:
                runs_ = results[(name, player.name)]
                mark = " ¹" if short_of_frames(runs_) else ""
                row.append(fmt(medians[player.name], form) + ratio(medians[player.name], cheapest)
                           + mark)
            rows.append(row)
        if has_video:
            row = [description, f"frames shown of {FRAMES}"]
            for player in players:
                counts = [r.frames for r in results[(name, player.name)]]
                low = min(counts)
                text = fmt(median(counts), "{:.0f}")
                row.append(text + (f" (min {low})" if low != median(counts) else "") +
                           (" ¹" if low < SHOWN_ENOUGH * FRAMES else ""))
            rows.append(row)
        if name in stalls:
            rows.append([description, "UI stall max ms"] +
                        [fmt(stalls[name], "{:.0f}") if p is merosonx else "" for p in players])
        if name in full_screen_stalls:
            rows.append([description, "UI stall max ms, full screen"] +
                        [fmt(full_screen_stalls[name], "{:.0f}") if p is merosonx else ""
                         for p in players])
        silent = [p.name for p in players
                  if any(not r.streams for r in results[(name, p.name)])]
        if silent:
            log(f"bench: {name}: no stream on the sound server in some run of: "
                + ", ".join(silent))
    widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(len(header))]
    print("| " + " | ".join(h.ljust(w) for h, w in zip(header, widths)) + " |")
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for row in rows:
        print("| " + " | ".join(str(c).ljust(w) for c, w in zip(row, widths)) + " |")
    print()
    print("(×) = ratio to the cheapest peer of the row: the lowest median among the other "
          f"players that showed at least {SHOWN_ENOUGH:.0%} of the frames in every round "
          "(libmpv, the library alone, is not a peer). "
          f"¹ = some round showed fewer than {SHOWN_ENOUGH:.0%} of the frames. MeroSonx quits "
          "through Ctrl+Q once its stream on the sound server is paused at the end; the others "
          "exit at the end by themselves.")


if __name__ == "__main__":
    main()
