#!/usr/bin/env python3
"""Benchmark: compression ratio and speed of every veltrane level against
gzip -9, bzip2 -9 and xz -9; expansion speed of the stub's own decoder
against gzip -d, bzip2 -d and xz -d; the stub's size; and how packing and
testing scale with the payload.

Every codec runs as a process that reads a file and writes a file, so each
figure includes the same start-up and file costs; times are medians.

    python3 bench/run.py [--bin build/bin] [--corpus DIR] [--runs N] [--quick]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def run_timed(argv, stdin=None, stdout=None):
    """Runs argv once; returns (seconds, max RSS in KiB)."""
    start = time.perf_counter()
    proc = subprocess.Popen(argv, stdin=stdin, stdout=stdout, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.perf_counter() - start
    err = proc.stderr.read().decode(errors="replace")
    proc.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"bench: {' '.join(argv)} failed: {err.strip()}")
    return elapsed, usage.ru_maxrss


def run_sampled(argv):
    """Runs argv once, sampling its anonymous memory (heap and stack, not the
    pages of files it maps, which the kernel can drop at any time); returns
    (seconds, peak RSS in KiB, peak anonymous RSS in KiB)."""
    start = time.perf_counter()
    proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    peak_anon = 0
    while True:
        pid, status, usage = os.wait4(proc.pid, os.WNOHANG)
        if pid != 0:
            break
        try:
            with open(f"/proc/{proc.pid}/status") as f:
                for line in f:
                    if line.startswith("RssAnon:"):
                        peak_anon = max(peak_anon, int(line.split()[1]))
        except OSError:
            pass
        time.sleep(0.002)
    elapsed = time.perf_counter() - start
    err = proc.stderr.read().decode(errors="replace")
    proc.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"bench: {' '.join(argv)} failed: {err.strip()}")
    return elapsed, usage.ru_maxrss, peak_anon


def median_time(argv, runs, stdin_path=None, stdout_path=None):
    times = []
    for _ in range(runs):
        with open(stdin_path or os.devnull, "rb") as fin, open(stdout_path or os.devnull, "wb") as fout:
            t, _ = run_timed(argv, stdin=fin, stdout=fout)
        times.append(t)
    return statistics.median(times)


def mbps(size, seconds):
    return size / seconds / 1e6 if seconds > 0 else float("inf")


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--bin", default=os.path.join(ROOT, "build", "bin"))
    ap.add_argument("--corpus", default=None, help="corpus folder (made when missing)")
    ap.add_argument("--runs", type=int, default=5, help="runs per timing (median)")
    ap.add_argument("--quick", action="store_true", help="levels 1, default and 9 only; scaling up to 10 MB")
    args = ap.parse_args()

    codec = os.path.join(args.bin, "bench_codec")
    veltrane = os.path.join(args.bin, "veltrane")
    stub = os.path.join(args.bin, "veltrane-stub.exe")
    for path in (codec, veltrane, stub):
        if not os.path.exists(path):
            sys.exit(f"bench: {path} is missing: build first (cmake --preset host && cmake --build --preset host)")

    work = tempfile.mkdtemp(prefix="veltrane-bench-")
    try:
        corpus = args.corpus or os.path.join(work, "corpus")
        if not os.path.isdir(corpus) or not os.listdir(corpus):
            saver = os.path.join(args.bin, "veltrane-sample.scr")
            subprocess.run(["bash", os.path.join(ROOT, "bench", "make_corpus.sh"), corpus]
                           + ([saver] if os.path.exists(saver) else []), check=True)
        report(args, codec, veltrane, stub, corpus, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def corpus_files(corpus):
    sources = {}
    table = os.path.join(corpus, "SOURCES")
    if os.path.exists(table):
        for line in open(table):
            name, _, origin = line.rstrip("\n").partition("\t")
            sources[name] = origin
    names = sorted(n for n in os.listdir(corpus) if n != "SOURCES")
    return [(n, os.path.join(corpus, n), sources.get(n, "")) for n in names]


def report(args, codec, veltrane, stub, corpus, work):
    levels = [1, int(subprocess.check_output([codec, "default-level"]).decode())] if args.quick else list(range(1, 10))
    if args.quick:
        levels = sorted(set(levels + [9]))
    files = corpus_files(corpus)

    print(f"machine: {os.uname().machine}, {os.cpu_count()} cores, {os.uname().sysname} {os.uname().release}")
    print(f"stub: {os.path.getsize(stub)} bytes ({stub})\n")
    print("corpus:")
    for name, path, origin in files:
        print(f"  {name:26} {os.path.getsize(path):>10}  {origin}")

    externals = [("gzip -9", ["gzip", "-9", "-c"], ["gzip", "-d", "-c"]),
                 ("bzip2 -9", ["bzip2", "-9", "-c"], ["bzip2", "-d", "-c"]),
                 ("xz -9", ["xz", "-9", "-c"], ["xz", "-d", "-c"])]
    columns = [f"L{l}" for l in levels] + [e[0] for e in externals]
    sizes = {c: {} for c in columns}
    ctime = {c: {} for c in columns}
    dtime = {c: {} for c in columns}

    for name, path, _ in files:
        size = os.path.getsize(path)
        for level in levels:
            col = f"L{level}"
            out = os.path.join(work, f"{name}.{col}")
            ctime[col][name] = median_time([codec, "compress", str(level), path, out], args.runs)
            sizes[col][name] = os.path.getsize(out)
            dtime[col][name] = median_time([codec, "expand", out, os.devnull, str(size)], args.runs)
        for col, comp, decomp in externals:
            out = os.path.join(work, f"{name}.{col.split()[0]}")
            ctime[col][name] = median_time(comp, args.runs, stdin_path=path, stdout_path=out)
            sizes[col][name] = os.path.getsize(out)
            dtime[col][name] = median_time(decomp, args.runs, stdin_path=out)
        print(f"  measured {name}", file=sys.stderr)

    total_in = sum(os.path.getsize(p) for _, p, _ in files)
    print("\ncompressed size in bytes (ratio = compressed / original):")
    print(f"  {'file':26}" + "".join(f"{c:>11}" for c in columns))
    for name, path, _ in files:
        print(f"  {name:26}" + "".join(f"{sizes[c][name]:>11}" for c in columns))
    print(f"  {'total':26}" + "".join(f"{sum(sizes[c].values()):>11}" for c in columns))
    print(f"  {'ratio':26}" + "".join(f"{sum(sizes[c].values()) / total_in:>11.3f}" for c in columns))

    print("\ncompression speed, MB/s of input:")
    print(f"  {'file':26}" + "".join(f"{c:>11}" for c in columns))
    for name, path, _ in files:
        size = os.path.getsize(path)
        print(f"  {name:26}" + "".join(f"{mbps(size, ctime[c][name]):>11.1f}" for c in columns))
    print(f"  {'total':26}" + "".join(f"{mbps(total_in, sum(ctime[c].values())):>11.1f}" for c in columns))

    print("\nexpansion speed, MB/s of output (veltrane: the stub's decoder):")
    print(f"  {'file':26}" + "".join(f"{c:>11}" for c in columns))
    for name, path, _ in files:
        size = os.path.getsize(path)
        print(f"  {name:26}" + "".join(f"{mbps(size, dtime[c][name]):>11.1f}" for c in columns))
    print(f"  {'total':26}" + "".join(f"{mbps(total_in, sum(dtime[c].values())):>11.1f}" for c in columns))

    best = f"L{levels[-1]}"
    non_audio = [n for n, _, _ in files if not n.endswith(".wav")]
    greedy = sum(sizes["L1"][n] for n in non_audio)
    smallest = sum(sizes[best][n] for n in non_audio)
    worse = [n for n, _, _ in files if sizes[best][n] > sizes["L1"][n]]
    print(f"\n{best} against L1 (greedy) over the files other than audio: {100 * (1 - smallest / greedy):.2f}% smaller;"
          f" files where {best} is larger: {', '.join(worse) or 'none'}")
    gz = sum(dtime["gzip -9"].values())
    for col in [f"L{l}" for l in levels]:
        ours = sum(dtime[col].values())
        slower = [n for n, _, _ in files if dtime[col][n] > dtime["bzip2 -9"][n]]
        print(f"{col} expansion: {gz / ours:.2f} x the speed of gzip -d over the corpus;"
              f" slower than bzip2 -d on: {', '.join(slower) or 'none'}")

    scaling(args, veltrane, stub, work)


def scaling(args, veltrane, stub, work):
    print("\npacking and testing a payload of N MB (time; peak RSS, of it mapped file pages"
          " excluded: peak anonymous memory):")
    sizes = [1, 10] if args.quick else [1, 10, 100]
    import random
    r = random.Random(7)
    block = bytes(r.getrandbits(8) for _ in range(1 << 16))
    text = (b"Ein Bildschirmschoner zeigt Bilder, solange niemand arbeitet. " * 1100)[: 1 << 16]
    for mb in sizes:
        saver = os.path.join(work, f"scale-{mb}.scr")
        with open(saver, "wb") as f:
            for i in range(mb * 16):  # 64 KiB pieces, half random, half text
                f.write(block if i % 2 else text)
        out = os.path.join(work, f"scale-{mb}.exe")
        t_pack, rss_pack, anon_pack = run_sampled([veltrane, "pack", "-q", "--stub", stub, "--name",
                                                   "Skalierung", "-o", out, saver])
        t_test, rss_test, anon_test = run_sampled([veltrane, "test", "-q", out])
        print(f"  {mb:>4} MB   pack {t_pack:7.2f} s {rss_pack / 1024:7.1f} MiB {anon_pack / 1024:7.1f} MiB   "
              f"test {t_test:7.2f} s {rss_test / 1024:7.1f} MiB {anon_test / 1024:7.1f} MiB")
        os.remove(out)
        os.remove(saver)


if __name__ == "__main__":
    main()
