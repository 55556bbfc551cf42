#!/usr/bin/env python3
"""Runs every benchmark and the peers on the same simulated camera node, interleaved and
repeated, and writes report.md with PNG plots (gnuplot) into an output folder.

Called by scripts/bench-report, which builds what this needs first; see bench/README.md.
"""
import argparse
import datetime
import json
import os
import platform
import resource
import shutil
import statistics
import subprocess
import sys
import time

import network_bench

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
NODE = "/dev/video0"
CAMERA_CONFIG = os.path.join(ROOT, "bench", "camera_jni", "fast_1080p.json")
# The encoder settings of that configuration, given to orv-camera so it asks for the same stream.
CAPTURE_SETTINGS = ["--size", "1920x1080", "--profile", "high", "--bitrate", "8000000",
                    "--iframe-period", "1"]
PEERS = ["v4l2-ctl --stream-mmap", "ffmpeg -c copy, null muxer", "ffmpeg -c copy, file",
         "GStreamer v4l2src ! fakesink"]
AUDIO_WRITES = ["BM_MallocMemcpy3840", "BM_RecordMallocMemcpy3840", "BM_WriteLocks",
                "BM_HostEnqueue3840", "BM_TrackWrite3840"]
AUDIO_LATENCIES = ["BM_BareHandOff", "BM_HostCompletionToCallback",
                   "BM_CompletionToBlockedWriter", "BM_CompletionToBlockedReader"]
PERCENTILES = [5, 10, 25, 50, 75, 90, 95, 99]
WRITE_ALONE = "write without Enqueue"  # BM_TrackWrite3840 less BM_HostEnqueue3840, per round


class Bench:
    def __init__(self, args):
        self.a = args
        self.build = os.path.abspath(args.build_dir)
        self.out = os.path.abspath(args.out)
        self.simcam = os.path.join(self.build, "simcam", "libsimcam.so")
        self.scratch = args.scratch
        self.samples = {}  # (group, name, metric) -> [values]
        self.commands = {}  # runner -> command line shown in the report
        self.notes = []
        self.loads = []
        self.dropped = {}  # reader -> pairs of runs whose difference was not positive
        self.network = network_bench.Network(self, args.quick)
        self.network_rows = []

    # ------------------------------------------------------------------ running things
    def env(self, preload):
        e = dict(os.environ)
        e["SIMCAM_CONFIG"] = CAMERA_CONFIG
        e.pop("LD_PRELOAD", None)
        if preload:
            e["LD_PRELOAD"] = self.simcam
        return e

    def run(self, cmd, preload, timeout=300):
        """Runs cmd; (wall seconds, CPU seconds of it and its children, stdout)."""
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        t0 = time.monotonic()
        p = subprocess.run(cmd, env=self.env(preload), stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, timeout=timeout, cwd=self.scratch)
        wall = time.monotonic() - t0
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        if p.returncode != 0:
            raise RuntimeError("%s exited with %d: %s" % (cmd[0], p.returncode,
                                                          p.stderr.decode(errors="replace")[-400:]))
        cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
        return wall, cpu, p.stdout.decode(errors="replace")

    def add(self, group, name, metric, value):
        self.samples.setdefault((group, name, metric), []).append(value)

    # ------------------------------------------------------------------ the camera readers
    def peer_commands(self, n, out_file):
        orv = os.path.join(self.build, "tools", "orv_camera", "orv-camera")
        ffmpeg_in = ["ffmpeg", "-nostdin", "-v", "quiet", "-use_wallclock_as_timestamps", "1",
                     "-f", "v4l2", "-input_format", "h264", "-i", NODE, "-c", "copy",
                     "-frames:v", str(n)]
        return {
            "v4l2-ctl --stream-mmap": ["v4l2-ctl", "-d", NODE, "--stream-mmap",
                                       "--stream-count=%d" % n],
            "ffmpeg -c copy, null muxer": ffmpeg_in + ["-f", "null", "-"],
            "ffmpeg -c copy, file": ffmpeg_in + ["-y", "-f", "h264", out_file],
            "GStreamer v4l2src ! fakesink": ["gst-launch-1.0", "-q", "v4l2src", "device=" + NODE,
                                             "num-buffers=%d" % n, "!", "fakesink"],
            "orv-camera capture, file": [orv, "capture", "-d", NODE, "-o", out_file,
                                         "--frames", str(n), "--no-progress"] + CAPTURE_SETTINGS,
        }

    def spawned_reader(self, name):
        """Two runs of different lengths: their difference leaves out start-up and the encoding
        the simulated camera does at stream-on."""
        out_file = os.path.join(self.scratch, "frames.h264")
        short, long_ = self.a.short_frames, self.a.long_frames
        w1, c1, _ = self.run(self.peer_commands(short, out_file)[name], True)
        size1 = os.path.getsize(out_file) if os.path.exists(out_file) else 0
        w2, c2, _ = self.run(self.peer_commands(long_, out_file)[name], True)
        size2 = os.path.getsize(out_file) if os.path.exists(out_file) else 0
        if os.path.exists(out_file):
            os.unlink(out_file)
        frames = long_ - short
        self.commands[name] = " ".join(self.peer_commands(long_, "OUT.h264")[name])
        if w2 <= w1 or c2 <= c1:  # the start-up swung by more than the extra frames cost
            self.dropped[name] = self.dropped.get(name, 0) + 1
            return
        self.add("reader", name, "fps", frames / (w2 - w1))
        self.add("reader", name, "cpu_us", (c2 - c1) * 1e6 / frames)
        if size2:
            self.add("reader", name, "bytes_per_frame", (size2 - size1) / frames)

    def c_loop(self):
        exe = os.path.join(self.build, "bench", "bench_read_h264")
        cmd = [exe, "--benchmark_filter=^BM_(ReadH264Data|BareIoctlLoop)(/|$)",
               "--benchmark_min_time=%g" % self.a.min_time]
        self.commands["bench_read_h264"] = " ".join(cmd[1:])
        data = self.run_benchmark(cmd)
        self.check_build_type(data)
        names = {"BM_ReadH264Data": "read_h264_data loop (C)",
                 "BM_BareIoctlLoop": "bare poll/DQBUF/QBUF loop (the camera alone)"}
        for b in data["benchmarks"]:
            if b["name"].split("/")[0] in names:
                self.add("reader", names[b["name"].split("/")[0]], "fps", b["fps"])
                self.add("reader", names[b["name"].split("/")[0]], "cpu_us", b["cpu_us_per_frame"])

    def java(self):
        b = self.build
        jar = os.path.join(b, "bench", "camera_jni", "orv-bench-read-byte-data.jar")
        cmd = ["java", "-Djava.library.path=%s:%s" % (os.path.join(b, "bench", "camera_jni"),
                                                      os.path.join(b, "camera_device")),
               "-cp", "%s:%s" % (jar, os.path.join(b, "java", "orv.jar")),
               "com.orv.camera.ReadByteDataBench", NODE, str(self.a.java_frames), "1"]
        self.commands["java"] = " ".join(cmd)
        _, _, out = self.run(cmd, True)
        for line in out.splitlines():
            f = line.split()
            if len(f) == 6 and f[0] == "RESULT":
                self.add("java", f[2], "fps", float(f[3]))
                self.add("java", f[2], "cpu_us", float(f[4]))

    # ------------------------------------------------------------------ audio
    def audio(self):
        exe = os.path.join(self.build, "bench", "bench_audio")
        cmd = [exe, "--benchmark_filter=^(%s)(/|$)" % "|".join(AUDIO_WRITES + AUDIO_LATENCIES),
               "--benchmark_min_time=%g" % self.a.min_time]
        self.commands["bench_audio"] = " ".join(cmd[1:])
        data = self.run_benchmark(cmd)
        self.check_build_type(data)
        scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
        per_write = {}
        for b in data["benchmarks"]:
            name = b["name"].split("/")[0]
            if name in AUDIO_WRITES:  # 4 writes per iteration
                ns = b["cpu_time"] * scale[b["time_unit"]] / 4
                self.add("write", name, "ns", ns)
                per_write[name] = ns
            elif name in AUDIO_LATENCIES:
                for p in PERCENTILES:
                    key = "median_us" if p == 50 else "p%d_us" % p
                    if key in b:
                        self.add("latency", name, "p%d" % p, b[key])
        if "BM_TrackWrite3840" in per_write and "BM_HostEnqueue3840" in per_write:
            self.add("write", WRITE_ALONE, "ns",
                     per_write["BM_TrackWrite3840"] - per_write["BM_HostEnqueue3840"])

    def run_benchmark(self, cmd):
        """A Google Benchmark program's results (its JSON file; stdout may carry log lines)."""
        path = os.path.join(self.scratch, "benchmark.json")
        self.run(cmd + ["--benchmark_out=" + path, "--benchmark_out_format=json"], False)
        with open(path) as f:
            return json.load(f)

    def check_build_type(self, data):
        if data.get("context", {}).get("library_build_type") == "debug":
            note = ("Google Benchmark warns that its library was built as DEBUG (Debian's "
                    "package); our code is RelWithDebInfo, and the library's own share of a "
                    "timed loop is its loop counter only.")
            if note not in self.notes:
                self.notes.append(note)

    # ------------------------------------------------------------------ the whole run
    def go(self):
        runners = [("C frame loop", self.c_loop)]
        for name in PEERS + ["orv-camera capture, file"]:
            if name == "orv-camera capture, file" or shutil.which(self.peer_commands(1, "x")[name][0]):
                runners.append((name, lambda n=name: self.spawned_reader(n)))
            else:
                self.notes.append("%s: not installed, left out" % name)
        if self.have_java():
            runners.append(("Java loops", self.java))
        else:
            self.notes.append("Java loops left out: the bench jar or java is missing")
        runners.append(("audio", self.audio))
        self.network_rows, notes = self.network.available()
        self.notes += notes
        # The network rows take about 10 s per measure: three rounds at most.
        network_rounds = min(self.a.rounds, 3)
        if self.network_rows:
            runners.append(("network", lambda: self.network.run_round(self.network_rows)
                            if self.loads and len(self.loads) <= network_rounds else None))
        started = time.monotonic()
        for r in range(self.a.rounds):
            self.loads.append(os.getloadavg()[0])
            order = runners[r % len(runners):] + runners[:r % len(runners)]
            for name, fn in order:
                fn()
            print("bench-report: round %d of %d done (%.0f s)" % (r + 1, self.a.rounds,
                                                                 time.monotonic() - started),
                  file=sys.stderr)
        self.loads.append(os.getloadavg()[0])
        self.soak = []
        if self.a.soak > 0 and network_bench.SERVE in self.network_rows:
            self.soak = network_bench.soak(self.network, self.a.soak)
        self.elapsed = time.monotonic() - started

    def have_java(self):
        jar = os.path.join(self.build, "bench", "camera_jni", "orv-bench-read-byte-data.jar")
        return shutil.which("java") and os.path.exists(jar)


# ---------------------------------------------------------------------- statistics and report
def med(v):
    return statistics.median(v) if v else float("nan")


def fmt(v, digits=2):
    if v != v:
        return "n/a"
    if abs(v) >= 1000:
        return "{:,.0f}".format(v).replace(",", " ")
    return ("{:.%df}" % digits).format(v)


def cell(v, digits=2):
    return "%s (%s–%s)" % (fmt(med(v), digits), fmt(min(v), digits), fmt(max(v), digits)) if v \
        else "n/a"


class Report:
    def __init__(self, bench):
        self.b = bench
        self.s = bench.samples
        self.aims = []

    def get(self, group, name, metric):
        return self.s.get((group, name, metric), [])

    def aim(self, text, measured, met):
        self.aims.append((text, measured, "met" if met else "**missed**"))

    def readers(self):
        names = [k[1] for k in self.s if k[0] == "reader" and k[2] == "fps"]
        return sorted(set(names), key=lambda n: -med(self.get("reader", n, "fps")))

    def best_peer(self, metric, pick):
        vals = [(med(self.get("reader", p, metric)), p) for p in PEERS
                if self.get("reader", p, metric)]
        return pick(vals) if vals else (float("nan"), "none")

    def write(self):
        b = self.b
        lines = []
        L = lines.append
        best_fps, best_fps_peer = self.best_peer("fps", max)
        best_cpu, best_cpu_peer = self.best_peer("cpu_us", min)
        self.collect_aims(best_fps, best_fps_peer, best_cpu, best_cpu_peer)

        L("# Benchmark report")
        L("")
        L("Written by `%s` on %s UTC in %.0f s." % (b.a.command, b.a.started, b.elapsed))
        L("")
        L("- Machine: %s, %d CPUs (`nproc`), %s, Linux %s, %s." % (
            cpu_model(), os.cpu_count(), platform.platform(terse=True), platform.release(),
            tool_version(["gcc", "--version"])))
        L("- Load average (1 min) at the start of each round and at the end: %s. The machine is "
          "shared, so wall-clock rates swing; CPU time per frame or per call is the steadier "
          "figure." % ", ".join("%.2f" % x for x in b.loads))
        L("- %d round(s); in each, every reader and benchmark below ran once, in an order rotated "
          "from round to round. Figures are medians of the rounds, (min–max) beside them."
          % b.a.rounds)
        L("- Camera: the simulated camera's fast clock, `%s` (1920x1080 H.264, pre-encoded "
          "frames handed out as fast as buffers come back), the same node for every reader."
          % os.path.relpath(CAMERA_CONFIG, ROOT))
        for n, count in b.dropped.items():
            b.notes.append("%s: %d of %d pairs of runs left out, the longer run not longer "
                           "(start-up swung by more than the extra frames cost)"
                           % (n, count, b.a.rounds))
        for n in b.notes:
            L("- %s" % n)
        L("")
        L("## Aims")
        L("")
        L("| aim | measured | |")
        L("| --- | --- | --- |")
        for text, measured, met in self.aims:
            L("| %s | %s | %s |" % (text, measured, met))
        L("")
        L("## Frames: every reader on the same node")
        L("")
        L("Separate processes (peers, `orv-camera`) ran twice, for %d and %d frames; the figures "
          "are of the difference, which leaves out start-up and the encoding at stream-on. "
          "CPU is user + system time of the process. The C loops run inside Google Benchmark "
          "(`bench_read_h264`)." % (b.a.short_frames, b.a.long_frames))
        L("")
        L("![frames per second](readers_fps.png) ![CPU per frame](readers_cpu.png)")
        L("")
        L("| reader | frames/s | CPU µs/frame | fps / best peer | CPU / best peer | bytes/frame |")
        L("| --- | --- | --- | --- | --- | --- |")
        for n in self.readers():
            fps, cpu = self.get("reader", n, "fps"), self.get("reader", n, "cpu_us")
            L("| %s%s | %s | %s | %s | %s | %s |" % (
                n, " (peer)" if n in PEERS else "", cell(fps, 0), cell(cpu),
                fmt(med(fps) / best_fps), fmt(med(cpu) / best_cpu),
                fmt(med(self.get("reader", n, "bytes_per_frame")), 0)))
        L("")
        L("Best peer: %s by frames/s, %s by CPU per frame." % (best_fps_peer, best_cpu_peer))
        L("")
        self.java_section(L)
        self.audio_section(L)
        network_bench.section(L, b.network, b.network_rows, fmt, cell)
        network_bench.soak_section(L, b.soak, b.a.soak, fmt)
        L("## Commands")
        L("")
        L("Peers and `orv-camera` ran with `LD_PRELOAD=%s SIMCAM_CONFIG=%s` (N frames shown as "
          "the long run):" % (os.path.relpath(b.simcam, ROOT), os.path.relpath(CAMERA_CONFIG, ROOT)))
        L("")
        for k, v in b.commands.items():
            L("- %s: `%s`" % (k, v.replace(ROOT + "/", "")))
        if b.network.samples:
            for k, v in b.network.commands().items():
                L("- network, %s: `%s`" % (k, v.replace(ROOT + "/", "")))
        L("")
        with open(os.path.join(b.out, "report.md"), "w") as f:
            f.write("\n".join(lines))

    def java_section(self, L):
        if not any(k[0] == "java" for k in self.s):
            return
        L("## Frames into Java")
        L("")
        L("One JVM per round (`ReadByteDataBench`, %d frames per loop after three warm-up "
          "passes); CPU is the reading thread's. The C loop is `read_h264_data` called from one "
          "JNI call; `native_readByteData` adds the JNI transition, the binding's lookup of "
          "`mDeviceId` (made afresh on every call), one new array and one copy; `readFrame` is "
          "the public method around it. These two run in alternating blocks of 500 frames "
          "within one loop, so both meet the same load. The lookup alone is timed in the same "
          "JVM." % self.b.a.java_frames)
        L("")
        L("![Java frames](java_cpu.png)")
        L("")
        L("| loop | frames/s | CPU µs/frame | fps / C loop |")
        L("| --- | --- | --- | --- |")
        c = med(self.get("java", "c_loop", "fps"))
        for n in ["c_loop", "native_readByteData", "readFrame"]:
            fps, cpu = self.get("java", n, "fps"), self.get("java", n, "cpu_us")
            L("| %s | %s | %s | %s |" % (n, cell(fps, 0), cell(cpu), fmt(med(fps) / c)))
        look = self.get("java", "lookup", "cpu_us")
        gap = med(self.get("java", "native_readByteData", "cpu_us")) - \
            med(self.get("java", "c_loop", "cpu_us"))
        L("")
        L("The lookup of `mDeviceId` alone: %s ns per call, %s %% of the %s µs per frame that "
          "`native_readByteData` adds to the C loop." % (cell([x * 1e3 for x in look], 0),
                                                        fmt(med(look) / gap * 100, 0), fmt(gap)))
        L("")

    def audio_section(self, L):
        if not any(k[0] == "write" for k in self.s):
            return
        L("## Audio")
        L("")
        L("`bench_audio` on the host OpenSL ES layer's manual back end; CPU ns per 3840-byte "
          "write (batches of 4 writes then a flush).")
        L("")
        L("![audio write](audio_write.png) ![wake-up latency](audio_latency.png)")
        L("")
        L("| benchmark | CPU ns per write |")
        L("| --- | --- |")
        for n in AUDIO_WRITES:
            L("| `%s` | %s |" % (n, cell(self.get("write", n, "ns"), 0)))
        L("| `write` without the host layer's Enqueue (the two above, less, round by round) "
          "| %s |" % cell(self.get("write", WRITE_ALONE, "ns"), 0))
        L("")
        base = med(self.get("write", "BM_RecordMallocMemcpy3840", "ns"))
        locks = med(self.get("write", "BM_WriteLocks", "ns"))
        L("A write must take its two locks in order (the write lock, then the stream's "
          "recursive lock) and make its record, allocation and copy: those alone come to "
          "%s + %s = %s ns, %s × the record baseline, before the queue bookkeeping and the "
          "flush's share (one lock, one clear and one cancel per 4 writes)."
          % (fmt(base, 0), fmt(locks, 0), fmt(base + locks, 0), fmt((base + locks) / base)))
        L("")
        L("Wake-up latency, completion to the caller returning (µs, percentiles of 5000 "
          "hand-offs, medians of the rounds):")
        L("")
        L("| benchmark | " + " | ".join("p%d" % p for p in PERCENTILES) + " |")
        L("| --- |" + " --- |" * len(PERCENTILES))
        for n in AUDIO_LATENCIES:
            L("| `%s` | " % n + " | ".join(
                fmt(med(self.get("latency", n, "p%d" % p))) for p in PERCENTILES) + " |")
        L("")
        bare = lambda p: med(self.get("latency", "BM_BareHandOff", "p%d" % p))
        if bare(75) > 4 * bare(10):
            L("The bare hand-off has two modes here: a waiter still on its CPU wakes in %s µs "
              "(p10), one the scheduler put to sleep in %s µs (p75); its median falls between "
              "them, so a ratio to that median swings from run to run." % (fmt(bare(10)),
                                                                            fmt(bare(75))))
        L("The stream paths include the host layer's own hop to its callback thread "
          "(`BM_HostCompletionToCallback`) before their hand-off.")
        L("")

    def write_alone(self):
        return med(self.get("write", WRITE_ALONE, "ns"))

    def collect_aims(self, best_fps, best_fps_peer, best_cpu, best_cpu_peer):
        g = lambda grp, n, m: med(self.get(grp, n, m))
        network_bench.aims(self.aim, self.b.network, fmt)
        network_bench.soak_aim(self.aim, self.b.soak, fmt)
        c_fps = g("reader", "read_h264_data loop (C)", "fps")
        c_cpu = g("reader", "read_h264_data loop (C)", "cpu_us")
        if c_fps == c_fps:
            self.aim("`read_h264_data` ahead of every peer (frames/s and CPU per frame)",
                     "%s × the best peer's frames/s (%s), %s × its CPU per frame (%s)" % (
                         fmt(c_fps / best_fps), best_fps_peer, fmt(c_cpu / best_cpu),
                         best_cpu_peer),
                     c_fps > best_fps and c_cpu < best_cpu)
        cap = g("reader", "orv-camera capture, file", "cpu_us")
        ff = g("reader", "ffmpeg -c copy, file", "cpu_us")
        if cap == cap and ff == ff:
            self.aim("`orv-camera capture` at most the CPU per frame of `ffmpeg -c copy` writing "
                     "the same file", "%s µs against %s µs (%s ×)" % (fmt(cap), fmt(ff),
                                                                        fmt(cap / ff)),
                     cap <= ff)
        nat, pub = g("java", "native_readByteData", "cpu_us"), g("java", "readFrame", "cpu_us")
        if nat == nat:
            # Each round's two figures were taken side by side: the median of their ratios.
            extra = med([p / n - 1 for p, n in zip(self.get("java", "readFrame", "cpu_us"),
                                                    self.get("java", "native_readByteData",
                                                             "cpu_us"))])
            self.aim("`readFrame` at most 10 % more CPU per frame than `native_readByteData`",
                     "%s µs against %s µs (%+.1f %%, median of the rounds' ratios)"
                     % (fmt(pub), fmt(nat), extra * 100), extra <= 0.10)
        base = g("write", "BM_RecordMallocMemcpy3840", "ns")
        if base == base:
            alone = self.write_alone()
            self.aim("audio `write` without Enqueue at most 1.25 × make_shared record + malloc "
                     "+ memcpy", "%s ns against %s ns (%s ×)" % (fmt(alone, 0), fmt(base, 0),
                                                                   fmt(alone / base)),
                     alone <= 1.25 * base)
            bare = g("latency", "BM_BareHandOff", "p50")
            hop = g("latency", "BM_HostCompletionToCallback", "p50")
            for n, what in [("BM_CompletionToBlockedWriter", "writer"),
                            ("BM_CompletionToBlockedReader", "reader")]:
                v = g("latency", n, "p50")
                self.aim("completion to a blocked %s returning at most 3 × a bare hand-off "
                         "(median)" % what, "%s µs against %s µs (%s ×; less the host layer's "
                         "own hop to its callback thread, %s ×)" % (
                             fmt(v), fmt(bare), fmt(v / bare), fmt((v - hop) / bare)),
                         v <= 3 * bare)


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.machine()


def tool_version(cmd):
    try:
        return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=10).stdout.decode().splitlines()[0]
    except (OSError, IndexError, subprocess.SubprocessError):
        return cmd[0] + " (unknown version)"


# ---------------------------------------------------------------------- plots
def plots(bench, report):
    out = bench.out
    data = os.path.join(bench.scratch, "plot")
    os.makedirs(data, exist_ok=True)

    def bars(file, rows):
        with open(os.path.join(data, file), "w") as f:
            for label, v in rows:
                if v:
                    f.write('"%s" %g %g %g\n' % (label, med(v), min(v), max(v)))

    readers = report.readers()
    bars("fps.dat", [(n, [x / 1e3 for x in report.get("reader", n, "fps")]) for n in readers])
    bars("cpu.dat", [(n, report.get("reader", n, "cpu_us")) for n in readers])
    bars("java.dat", [(n, report.get("java", n, "cpu_us"))
                      for n in ["c_loop", "native_readByteData", "readFrame"]])
    bars("write.dat", [(n[3:], report.get("write", n, "ns")) for n in AUDIO_WRITES] +
         [(WRITE_ALONE, report.get("write", WRITE_ALONE, "ns"))])
    aim_line = 1.25 * med(report.get("write", "BM_RecordMallocMemcpy3840", "ns"))
    with open(os.path.join(data, "latency.dat"), "w") as f:
        for n in AUDIO_LATENCIES:
            f.write('"%s"\n' % n[3:])
            for p in PERCENTILES:
                v = report.get("latency", n, "p%d" % p)
                if v:
                    f.write("%d %g\n" % (p, med(v)))
            f.write("\n\n")
    bar = """
set terminal pngcairo noenhanced size 900,{h} font "sans,9"
set output "{png}"
set title "{title}"
set style fill solid 0.6 border -1
set boxwidth 0.6
set xrange [-0.6:*]
set offsets 0, 0.6, 0, 0
set yrange [0:*]
set ytics nomirror
set grid ytics
set key top left
set xtics rotate by -25 left
set ylabel "{ylabel}"
set bmargin 9
plot "{dat}" using 0:2:xtic(1) with boxes lc rgb "#4682b4" notitle, \\
     "" using 0:2:3:4 with yerrorbars lc rgb "black" pt 0 notitle{extra}
"""
    script = ""
    for png, dat, title, ylabel in [
            ("readers_fps.png", "fps.dat", "Frames per second (median, min-max)", "thousand frames/s"),
            ("readers_cpu.png", "cpu.dat", "CPU per frame (median, min-max)", "µs per frame"),
            ("java_cpu.png", "java.dat", "Frames into Java: CPU per frame", "µs per frame"),
            ("audio_write.png", "write.dat", "Audio: CPU per 3840-byte write", "ns per write")]:
        if os.path.getsize(os.path.join(data, dat)) > 0:
            extra = ""
            if dat == "write.dat" and aim_line == aim_line:
                extra = ', %g with lines dt 2 lc rgb "red" title "aim: 1.25 x the record ' \
                        'baseline"' % aim_line
            script += bar.format(h=480, png=os.path.join(out, png), title=title, ylabel=ylabel,
                                 dat=os.path.join(data, dat), extra=extra)
    if os.path.getsize(os.path.join(data, "latency.dat")) > 2 * len(AUDIO_LATENCIES):
        script += """
set terminal pngcairo noenhanced size 900,480 font "sans,9"
set output "{png}"
set title "Audio: completion to wake-up, percentiles (medians of the rounds)"
set style fill empty
set autoscale
set logscale y
set xtics norotate
set bmargin 4
set xlabel "percentile"
set ylabel "µs"
set key top left
plot for [i=0:{n}] "{dat}" index i using 1:2 with linespoints title columnheader(1)
""".format(png=os.path.join(out, "audio_latency.png"), n=len(AUDIO_LATENCIES) - 1,
           dat=os.path.join(data, "latency.dat"))
    script += network_bench.plot_script(bench.network, bench.network_rows, data, out)
    path = os.path.join(data, "plots.gp")
    with open(path, "w") as f:
        f.write(script)
    subprocess.run(["gnuplot", path], check=True)


def main():
    p = argparse.ArgumentParser(description=__doc__)
    p.add_argument("--build-dir", required=True)
    p.add_argument("--out", required=True)
    p.add_argument("--quick", action="store_true", help="tiny counts: checks the report is made")
    p.add_argument("--rounds", type=int)
    p.add_argument("--soak", type=float, default=0,
                   help="minutes of serve with 8 reconnecting clients, memory and descriptors")
    p.add_argument("--command", default="scripts/bench-report")
    a = p.parse_args()
    if a.quick:
        a.rounds, a.short_frames, a.long_frames = a.rounds or 1, 10, 110
        a.java_frames, a.min_time = 200, 0.01
    else:
        a.rounds, a.short_frames, a.long_frames = a.rounds or 7, 100, 30100
        a.java_frames, a.min_time = 20000, 0.5
    a.started = datetime.datetime.utcnow().strftime("%Y-%m-%d %H:%M")
    os.makedirs(a.out, exist_ok=True)
    scratch_root = "/dev/shm" if os.access("/dev/shm", os.W_OK) else None
    import tempfile
    with tempfile.TemporaryDirectory(prefix="bench-report-", dir=scratch_root) as scratch:
        a.scratch = scratch
        bench = Bench(a)
        bench.go()
        report = Report(bench)
        report.write()
        plots(bench, report)
    print("bench-report: wrote %s" % os.path.join(a.out, "report.md"), file=sys.stderr)


if __name__ == "__main__":
    main()
