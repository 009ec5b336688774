"""The Python module against the command line on one raw network: time and peak memory.

    PYTHONPATH=build-python/python /usr/bin/python3 bench/python_order.py NET.raw CLI [ROUNDS]

NET.raw with its descriptor NET.txt (gennet writes both), CLI the branchranker-cli of the same
build. Each round runs, each in a process of its own, taking turns:
  cli     branchranker-cli order NET.raw --output DIR/ --quiet (read, order, write a raw result)
  cli+csv the same with --segments DIR/segments.csv (every segment's pixels kept and written)
  order   order(array, value=V) on the array read with numpy.fromfile, lines kept (the default)
  bare    the same with lines=False (no pixels of the segments kept: the command line's run)
  save    bare, then save(DIR/net, format="raw"): the command line's work, from memory
and prints the best wall time of each and its peak memory: for the command line its peak
resident size, for the module the rise of the peak over the resident size with the array loaded,
in bytes a pixel.
"""
import json
import os
import subprocess
import sys
import tempfile
import time

CHILD = r"""
import json, sys, time
import numpy as np
import branchranker
path, lines, columns, value, mode, out = sys.argv[1:7]
lines, columns, value = int(lines), int(columns), int(value)
cells = np.fromfile(path, dtype=np.uint8, count=lines * columns).reshape(lines, columns)
def status(key):
    with open("/proc/self/status") as f:
        return int(next(l for l in f if l.startswith(key)).split()[1]) * 1024
# The peak from here on is the run's: reset it to the resident size of the loaded array.
with open("/proc/self/clear_refs", "w") as f:
    f.write("5")
loaded = status("VmRSS:")
start = time.perf_counter()
result = branchranker.order(cells, value=value, lines=(mode == "order"), name=path)
if mode == "save":
    result.save(out + "/net", format="raw")
seconds = time.perf_counter() - start
print(json.dumps({"seconds": seconds, "peak": status("VmHWM:") - loaded,
                  "segments": result.summary["segments"]}))
"""


def run_cli(cli, net, out, *more):
    start = time.perf_counter()
    proc = subprocess.Popen([cli, "order", net, "--output", out + "/", "--quiet", *more],
                            start_new_session=True)
    _, status, usage = os.wait4(proc.pid, 0)
    seconds = time.perf_counter() - start
    if status != 0:
        sys.exit(f"{cli} failed ({status})")
    return {"seconds": seconds, "peak": usage.ru_maxrss * 1024}


def run_module(net, lines, columns, value, mode, out):
    done = subprocess.run([sys.executable, "-c", CHILD, net, str(lines), str(columns), str(value),
                           mode, out], capture_output=True, text=True, start_new_session=True)
    if done.returncode != 0:
        sys.exit(done.stderr)
    return json.loads(done.stdout)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    net, cli = sys.argv[1], sys.argv[2]
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    with open(os.path.splitext(net)[0] + ".txt") as f:
        numbers = f.read().split()
    lines, columns = int(numbers[0]), int(numbers[1])
    value = 0  # gennet's network value
    pixels = lines * columns
    best = {}
    with tempfile.TemporaryDirectory() as out:
        for _ in range(rounds):
            figures = {"cli": run_cli(cli, net, out),
                       "cli+csv": run_cli(cli, net, out, "--segments", out + "/segments.csv")}
            for mode in ("order", "bare", "save"):
                figures[mode] = run_module(net, lines, columns, value, mode, out)
            for name, f in figures.items():
                kept = best.setdefault(name, f)
                kept["seconds"] = min(kept["seconds"], f["seconds"])
                kept["peak"] = max(kept["peak"], f["peak"])
    cli_seconds = best["cli"]["seconds"]
    print(f"{lines} x {columns}, best of {rounds}")
    for name, f in best.items():
        what = "peak RSS" if name.startswith("cli") else "peak rise"
        print(f"{name:7s} {f['seconds']:8.2f} s  {f['seconds'] / cli_seconds:5.2f}x cli   "
              f"{what} {f['peak'] / pixels:5.2f} bytes a pixel")


if __name__ == "__main__":
    main()
