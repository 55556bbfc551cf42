"""The network rows of the benchmark report: `orv-camera serve`, a peer (GStreamer's RTSP server
over v4l2src, rtsp_peer.py) and ffmpeg pushing to receiving clients, each on the same simulated
1080p30 camera that stamps every frame with its capture time (stamped_1080p30.json), at 1, 4 and
16 clients. bench_rtsp_latency is every client; it reports capture-to-receipt latency. CPU is
the serving process's (user + system) over the measured seconds, per captured frame; the
simulated camera encodes inside that process, so every row carries the same encoder cost, which
the row "capture alone" (serve with no client) shows by itself. Loopback only.
"""
import json
import os
import shutil
import signal
import subprocess
import time

HERE = os.path.dirname(os.path.abspath(__file__))
CONFIG = os.path.join(HERE, "stamped_1080p30.json")
NODE = "/dev/video0"
FPS = 30
SERVE = "orv-camera serve"
PEER = "GStreamer RTSP server, v4l2src (peer)"
PUSH = "ffmpeg push to receivers (peer)"
ALONE = "capture alone (serve, no client)"
ROWS = [SERVE, PEER, PUSH]
PORT = 18554
# The peer runs on Debian's own Python, the one its GStreamer bindings are for.
PEER_PYTHON = "/usr/bin/python3"


def cpu_seconds(pid):
    """User + system CPU seconds of a process and its waited-for children."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return sum(int(x) for x in fields[11:15]) / os.sysconf("SC_CLK_TCK")


class Network:
    def __init__(self, bench, quick):
        self.b = bench
        self.clients = [1, 4] if quick else [1, 4, 16]
        self.skip, self.seconds = (1.0, 1.5) if quick else (2.0, 5.0)
        self.orv = os.path.join(bench.build, "tools", "orv_camera", "orv-camera")
        self.client = os.path.join(bench.build, "bench", "bench_rtsp_latency")
        self.samples = {}  # (row, clients, metric) -> [values]
        self.failures = []

    def available(self):
        """The rows this machine can run, and a note for each it cannot."""
        rows, notes = [], []
        if not os.path.exists(self.client):
            return [], ["network rows left out: bench_rtsp_latency not built (libavformat)"]
        if subprocess.run([self.orv, "serve", "--help"], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0:
            rows.append(SERVE)
        else:
            notes.append("%s: not in this build, left out" % SERVE)
        probe = subprocess.run([PEER_PYTHON, "-c", "import gi; gi.require_version("
                                "'GstRtspServer', '1.0'); from gi.repository import GstRtspServer"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if probe.returncode == 0:
            rows.append(PEER)
        else:
            notes.append("%s: python3-gst-1.0 or gir1.2-gst-rtsp-server-1.0 missing, left out"
                         % PEER)
        if shutil.which("ffmpeg"):
            rows.append(PUSH)
        else:
            notes.append("%s: ffmpeg missing, left out" % PUSH)
        return rows, notes

    def env(self):
        e = dict(os.environ)
        e["SIMCAM_CONFIG"] = CONFIG
        e["LD_PRELOAD"] = self.b.simcam
        return e

    def server_command(self, row):
        if row in (SERVE, ALONE):
            return [self.orv, "serve", "-d", NODE, "--port", str(PORT), "--size", "1920x1080",
                    "--fps", str(FPS), "--bitrate", "4000000", "--iframe-period", "1"]
        return [PEER_PYTHON, os.path.join(HERE, "rtsp_peer.py"), NODE, str(PORT), "/cam"]

    def push_command(self, urls):
        cmd = ["ffmpeg", "-nostdin", "-v", "error", "-f", "v4l2", "-input_format", "h264",
               "-video_size", "1920x1080", "-framerate", str(FPS), "-i", NODE]
        for url in urls:
            cmd += ["-map", "0:v", "-c", "copy", "-f", "rtsp", "-rtsp_transport", "tcp", url]
        return cmd

    def start_server(self, row):
        p = subprocess.Popen(self.server_command(row), env=self.env(), stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, cwd=self.b.scratch)
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            line = p.stdout.readline().decode(errors="replace")
            if line.startswith("serving "):
                return p
            if not line and p.poll() is not None:
                break
        self.stop(p)
        raise RuntimeError("%s did not start serving" % row)

    @staticmethod
    def stop(p):
        if p.poll() is None:
            p.send_signal(signal.SIGINT)
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()

    def measure(self, row, n):
        """One server (or pusher) and n clients; CPU over the measured seconds."""
        url = "rtsp://127.0.0.1:%d/cam" % PORT
        timing = ["--skip", str(self.skip), "--seconds", str(self.seconds)]
        if row == PUSH:
            urls = ["rtsp://127.0.0.1:%d/live" % (PORT + i) for i in range(n)]
            client = subprocess.Popen([self.client, "--listen"] + timing + urls,
                                      stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            time.sleep(0.5)  # the receivers listen before the pusher connects
            server = subprocess.Popen(self.push_command(urls), env=self.env(),
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                      cwd=self.b.scratch)
        else:
            server = self.start_server(row)
            client = None
            if n > 0:
                client = subprocess.Popen([self.client, "--clients", str(n)] + timing + [url],
                                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            time.sleep(self.skip)
            c0 = cpu_seconds(server.pid)
            time.sleep(self.seconds)
            c1 = cpu_seconds(server.pid)
            out = client.communicate(timeout=60)[0].decode() if client else ""
        finally:
            self.stop(server)
            if client and client.poll() is None:
                client.kill()
                client.wait()
        self.add(row, n, "cpu_us", (c1 - c0) * 1e6 / (self.seconds * FPS))
        if client:
            result = json.loads(out.strip().splitlines()[-1]) if out.strip() else {}
            if result.get("stamped", 0) > 0 and result.get("opened") == n:
                self.add(row, n, "p50_ms", result["p50_ms"])
                self.add(row, n, "p99_ms", result["p99_ms"])
                self.add(row, n, "fps_per_client",
                         result["frames"] / n / self.seconds)
            else:
                self.failures.append("%s, %d clients: %s" % (row, n, out.strip() or "no answer"))

    def add(self, row, n, metric, value):
        self.samples.setdefault((row, n, metric), []).append(value)

    def get(self, row, n, metric):
        return self.samples.get((row, n, metric), [])

    def run_round(self, rows):
        if SERVE in rows:
            self.measure(ALONE, 0)
        for row in rows:
            for n in self.clients:
                self.measure(row, n)

    def commands(self):
        url = "rtsp://127.0.0.1:%d/cam" % PORT
        return {
            SERVE: " ".join(self.server_command(SERVE)),
            PEER: " ".join(self.server_command(PEER)),
            PUSH: " ".join(self.push_command(["rtsp://127.0.0.1:%d/live" % PORT, "..."])),
            "clients": "bench_rtsp_latency --clients N --skip %g --seconds %g %s (the push: "
                       "--listen with one URL per receiver)" % (self.skip, self.seconds, url),
        }


# ---------------------------------------------------------------------- report and plots
def _med(v):
    v = sorted(v)
    if not v:
        return float("nan")
    mid = len(v) // 2
    return v[mid] if len(v) % 2 else (v[mid - 1] + v[mid]) / 2


def section(L, net, rows, fmt, cell):
    """The report's section on the network rows."""
    if not net.samples:
        return
    interval = 1000.0 / FPS
    L("## Network: the camera served to clients")
    L("")
    L("On `%s` (1920x1080 H.264 at %d fps, 4 Mbit/s, an IDR frame a second, real-time clock, "
      "each frame stamped with its capture time), every client over RTSP/TCP on loopback. "
      "Latency is capture to receipt by the client (before decoding), over %g s after a "
      "%g s start, all clients' frames together; CPU is the serving process's per captured "
      "frame, the simulated camera's encoding included (the row \"%s\" is that cost alone). "
      "The machine is shared with other work (load above), which shows most in the p99 "
      "figures." % (os.path.relpath(CONFIG, os.path.dirname(os.path.dirname(HERE))), FPS,
                    net.seconds, net.skip, ALONE))
    L("")
    L("![network latency](network_latency.png) ![network CPU](network_cpu.png)")
    L("")
    L("| row | clients | p50 ms | p99 ms | frames/s per client | CPU µs/frame |")
    L("| --- | --- | --- | --- | --- | --- |")
    alone = net.get(ALONE, 0, "cpu_us")
    if alone:
        L("| %s | 0 | | | | %s |" % (ALONE, cell(alone, 0)))
    for row in rows:
        for n in net.clients:
            L("| %s | %d | %s | %s | %s | %s |" % (
                row, n, cell(net.get(row, n, "p50_ms"), 1), cell(net.get(row, n, "p99_ms"), 1),
                cell(net.get(row, n, "fps_per_client"), 1), cell(net.get(row, n, "cpu_us"), 0)))
    L("")
    L("A frame interval is %.1f ms." % interval)
    for f in net.failures:
        L("- not measured: %s" % f)
    L("")


def aims(aim, net, fmt):
    """The network aims, through the report's aim(text, measured, met)."""
    interval = 1000.0 / FPS
    p50 = _med(net.get(SERVE, 1, "p50_ms"))
    p99 = _med(net.get(SERVE, 1, "p99_ms"))
    if p50 == p50:
        aim("`serve`: p50 latency within one frame interval + 5 ms (%.1f ms), 1 client"
            % (interval + 5), "%s ms" % fmt(p50, 1), p50 <= interval + 5)
        aim("`serve`: p99 latency under two frame intervals (%.1f ms), 1 client" % (2 * interval),
            "%s ms" % fmt(p99, 1), p99 < 2 * interval)
    most = net.clients[-1]
    alone = _med(net.get(ALONE, 0, "cpu_us"))
    one, many = _med(net.get(SERVE, 1, "cpu_us")), _med(net.get(SERVE, most, "cpu_us"))
    fps = _med(net.get(SERVE, most, "fps_per_client"))
    if alone == alone and many == many:
        per = (many - one) / (most - 1)
        aim("`serve`: %d clients of 1080p%d, each at full rate, CPU per added client at most "
            "1/10 of the capture's own" % (most, FPS),
            "%s fps per client; %s µs per frame per added client against %s µs for the capture "
            "alone (%s)" % (fmt(fps, 1), fmt(per, 1), fmt(alone, 0), fmt(per / alone, 3)),
            per <= alone / 10 and fps >= 0.95 * FPS)


def plot_script(net, rows, data, out):
    """gnuplot commands for the two network plots ("" when nothing was measured)."""
    if not net.samples:
        return ""
    with open(os.path.join(data, "network.dat"), "w") as f:
        for row in rows:
            f.write('"%s"\n' % row)
            for n in net.clients:
                p50, p99 = net.get(row, n, "p50_ms"), net.get(row, n, "p99_ms")
                cpu = net.get(row, n, "cpu_us")
                f.write("%d %g %g %g\n" % (n, _med(p50) if p50 else float("nan"),
                                           _med(p99) if p99 else float("nan"),
                                           _med(cpu) if cpu else float("nan")))
            f.write("\n\n")
    common = """
set terminal pngcairo noenhanced size 900,480 font "sans,9"
set autoscale
unset logscale
set style fill empty
set xtics norotate
set bmargin 4
set logscale x 2
set xrange [0.8:%d]
set xlabel "clients"
set key top left
""" % (net.clients[-1] * 1.25)
    n = len(rows) - 1
    dat = os.path.join(data, "network.dat")
    return common + """
set output "{lat}"
set title "Capture-to-receipt latency (medians of the rounds): p50 solid, p99 dashed"
set ylabel "ms"
set logscale y
plot for [i=0:{n}] "{dat}" index i using 1:2 with linespoints lc i+1 title columnheader(1), \\
     for [i=0:{n}] "{dat}" index i using 1:3 with linespoints dt 2 lc i+1 notitle, \\
     {aim} with lines dt 3 lc rgb "red" title "aim: p50 <= 1 frame + 5 ms"
unset logscale y
set output "{cpu}"
set title "CPU per captured frame of the serving process (encoder included)"
set ylabel "µs per frame"
set yrange [0:*]
plot for [i=0:{n}] "{dat}" index i using 1:4 with linespoints lc i+1 title columnheader(1)
set autoscale y
""".format(lat=os.path.join(out, "network_latency.png"), cpu=os.path.join(out, "network_cpu.png"),
           n=n, dat=dat, aim=1000.0 / FPS + 5)


# ---------------------------------------------------------------------- soak
SOAK_CLIENTS = 8
SOAK_SESSION = 20.0  # seconds each client session lasts; then all reconnect
SOAK_SAMPLE = 10.0  # seconds between samples


def rss_and_fds(pid):
    with open("/proc/%d/status" % pid) as f:
        rss = next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))
    return rss, len(os.listdir("/proc/%d/fd" % pid))


def soak(net, minutes):
    """`serve` for `minutes` with SOAK_CLIENTS clients that reconnect every SOAK_SESSION
    seconds; [(seconds, RSS kB, open descriptors)] sampled mid-session."""
    server = net.start_server(SERVE)
    url = "rtsp://127.0.0.1:%d/cam" % PORT
    samples = []
    start = time.monotonic()
    try:
        while time.monotonic() - start < minutes * 60:
            client = subprocess.Popen([net.client, "--clients", str(SOAK_CLIENTS), "--skip", "0",
                                       "--seconds", str(SOAK_SESSION), url],
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            session_end = time.monotonic() + SOAK_SESSION
            while time.monotonic() + SOAK_SAMPLE / 2 < session_end:
                time.sleep(SOAK_SAMPLE / 2)
                rss, fds = rss_and_fds(server.pid)
                samples.append((time.monotonic() - start, rss, fds))
                time.sleep(SOAK_SAMPLE / 2)
            client.wait(timeout=SOAK_SESSION + 60)
    finally:
        net.stop(server)
    return samples


def soak_section(L, samples, minutes, fmt):
    if not samples:
        return
    settled = [s for s in samples if s[0] >= 60] or samples
    first, last = settled[0], settled[-1]
    L("## Soak: `serve` for %g minutes" % minutes)
    L("")
    L("%d clients over RTSP/TCP that all reconnect every %g s (a new session and pipeline "
      "each time), on the same camera configuration; the serving process's resident memory "
      "and open descriptors sampled mid-session every %g s. From the first minute on:"
      % (SOAK_CLIENTS, SOAK_SESSION, SOAK_SAMPLE))
    L("")
    L("| | at %.0f s | at %.0f s | max |" % (first[0], last[0]))
    L("| --- | --- | --- | --- |")
    L("| RSS MiB | %s | %s | %s |" % (fmt(first[1] / 1024.0, 1), fmt(last[1] / 1024.0, 1),
                                      fmt(max(s[1] for s in settled) / 1024.0, 1)))
    L("| descriptors | %d | %d | %d |" % (first[2], last[2], max(s[2] for s in settled)))
    L("")


def soak_aim(aim, samples, fmt):
    if not samples:
        return
    settled = [s for s in samples if s[0] >= 60] or samples
    first, last = settled[0], settled[-1]
    aim("`serve` soak: memory and descriptors flat (RSS within 10 %% after the first minute, "
        "descriptors the same)", "RSS %s → %s MiB, descriptors %d → %d" % (
            fmt(first[1] / 1024.0, 1), fmt(last[1] / 1024.0, 1), first[2], last[2]),
        last[1] <= first[1] * 1.10 and last[2] <= first[2])
