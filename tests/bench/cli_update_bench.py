#!/usr/bin/env python3
"""A timed run, not a test: veltrane-cli updates and verifies a 64-page image
on the simulator with the real pauses. Reports the run's wall time over the
27,833 ms of pauses the sequence mandates (the run as the program times it,
and the whole process from start to exit), and the CPU time the process used.

    cli_update_bench.py <distribution folder> [--wine] [--runs N]

The distribution folder holds veltrane-cli (or veltrane-cli.exe with --wine)
and the simulator library hostapi_vmi.dll.
"""

import argparse
import json
import os
import random
import resource
import shutil
import subprocess
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run")
MANDATED_MS = 100 + 100 + 1 + 64 * 172 + 64 * 166 + 6000
FILE = "RX93_Headset_v1_2_ef.txt"


def prepare(folder, dist, program):
    os.makedirs(os.path.join(folder, "files"))
    for name in (program, "hostapi_vmi.dll"):
        shutil.copy(os.path.join(dist, name), folder)
    with open(os.path.join(folder, "sim_devices.txt"), "w") as out:
        out.write("device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93\n")
    rng = random.Random(1)
    with open(os.path.join(folder, "files", FILE), "w") as out:
        out.write("%02X Headset_v1_2\n" % rng.randrange(256))
        for _ in range(64 * 1024 - 1):
            out.write("%02X\n" % rng.randrange(256))


def one_run(folder, command):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    # The native program keeps its run log and history in the bench's folder.
    env = dict(os.environ, XDG_STATE_HOME=folder)
    done = subprocess.run(command, cwd=folder, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, text=True)
    wall_ms = (time.monotonic() - start) * 1000
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu_ms = ((after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)) * 1000
    result = json.loads(done.stdout.splitlines()[-1])["result"]
    return done.returncode, result, wall_ms, cpu_ms


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("dist")
    parser.add_argument("--wine", action="store_true")
    parser.add_argument("--runs", type=int, default=1)
    args = parser.parse_args()
    program = "veltrane-cli.exe" if args.wine else "veltrane-cli"
    with tempfile.TemporaryDirectory(prefix="veltrane-cli-bench-") as folder:
        prepare(folder, os.path.abspath(args.dist), program)
        command = ([WINE_RUN] if args.wine else []) + [os.path.join(folder, program), "--json", "update", "--yes", FILE]
        if args.wine:
            subprocess.run([WINE_RUN, "cmd", "/c", "exit"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)  # Wine's first start is not the program's
        for _ in range(args.runs):
            code, result, wall_ms, cpu_ms = one_run(folder, command)
            run_ms = result.get("duration_ms", 0)
            print("%s 64-page update and verify: %s (exit %d); run %.0f ms, ratio %.4f; process %.0f ms, ratio %.4f;"
                  " CPU %.0f ms (%.2f %% of the process wall time)"
                  % ("Wine" if args.wine else "Linux", result["outcome"], code, run_ms, run_ms / MANDATED_MS, wall_ms,
                     wall_ms / MANDATED_MS, cpu_ms, 100 * cpu_ms / wall_ms))


if __name__ == "__main__":
    main()
