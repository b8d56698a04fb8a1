#!/usr/bin/env python3
"""Runs the benchmark binary and prints the ratios it is judged by.

    python3 bench/report.py build/linux/bench/armkin_bench [benchmark flags...]

Every benchmark runs in one process, repeated with random interleaving, and
each target is a ratio of two figures from that one run. The figure of a
benchmark is the least CPU time per iteration over its repetitions: on a shared
machine other work only ever adds time, so the least is the most repeatable
(the median is printed beside it). Exits with 1 when a ratio misses its target.
"""
import json
import subprocess
import sys

# (numerator, denominator, comparison, bound): the targets.
TARGETS = [
    ("BM_Pose", "BM_JointTermsOnly", "<=", 1.10),
    ("BM_Jacobian", "BM_JointTermsOnly", "<=", 1.25),
    ("BM_KdlPose", "BM_Pose", ">=", 3.5),
    ("BM_KdlJacobian", "BM_Jacobian", ">=", 8.0),
]

# Ratios printed for information, when both benchmarks exist.
INFORMATION = [
    ("BM_DhChainPose", "BM_Pose"),
    ("BM_PoseFromTerms", "BM_JointTermsOnly"),
    ("BM_JacobianFromTerms", "BM_JointTermsOnly"),
    ("BM_MexCallPose", "BM_Pose"),
    ("BM_MexCallJacobian", "BM_Jacobian"),
]

# The order of the table; benchmarks not named here follow.
ORDER = ["BM_JointTermsOnly", "BM_PoseFromTerms", "BM_JacobianFromTerms", "BM_Pose", "BM_Jacobian",
         "BM_DhChainPose", "BM_KdlPose", "BM_KdlJacobian", "BM_MexCallPose", "BM_MexCallJacobian"]

STANDARD_FIELDS = {
    "name", "family_index", "per_family_instance_index", "run_name", "run_type", "repetitions",
    "repetition_index", "threads", "iterations", "real_time", "cpu_time", "time_unit", "aggregate_name",
    "aggregate_unit", "error_occurred", "error_message", "label",
}

TO_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def run(binary, extra):
    command = [binary, "--benchmark_format=json", "--benchmark_repetitions=15", "--benchmark_min_time=0.1",
               "--benchmark_enable_random_interleaving=true"] + extra
    done = subprocess.run(command, stdout=subprocess.PIPE, check=False)
    if done.returncode != 0:
        sys.exit("report.py: %s exited with %d" % (" ".join(command), done.returncode))
    return json.loads(done.stdout)


def figures_of(report):
    """run_name -> (least CPU time in ns, median CPU time in ns, user counters)."""
    runs = {}
    for b in report["benchmarks"]:
        if b.get("run_type") == "aggregate":
            continue
        if b.get("error_occurred"):
            print("%s: error: %s" % (b["run_name"], b.get("error_message", "")))
            continue
        counters = {k: v for k, v in b.items() if k not in STANDARD_FIELDS}
        runs.setdefault(b["run_name"], []).append((b["cpu_time"] * TO_NS[b["time_unit"]], counters))
    result = {}
    for name, reps in runs.items():
        times = sorted(t for t, _ in reps)
        result[name] = (times[0], times[len(times) // 2], reps[0][1])
    return result


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    report = run(sys.argv[1], sys.argv[2:])
    figures = figures_of(report)
    context = report.get("context", {})
    print("%s, %s CPUs at %s MHz, load %s" % (context.get("host_name", "?"), context.get("num_cpus", "?"),
                                             context.get("mhz_per_cpu", "?"), context.get("load_avg", "?")))
    print()
    print("%-24s %12s %12s" % ("CPU time per call", "least", "median"))
    rank = {name: i for i, name in enumerate(ORDER)}
    for name, (least, median, counters) in sorted(figures.items(),
                                                  key=lambda kv: (rank.get(kv[0], len(ORDER)), kv[0])):
        extra = "  " + ", ".join("%s=%.6g" % kv for kv in sorted(counters.items())) if counters else ""
        print("%-24s %9.1f ns %9.1f ns%s" % (name, least, median, extra))

    print()
    missed = 0
    print("%-42s %8s %10s  %s" % ("target", "measured", "bound", "result"))
    for num, den, op, bound in TARGETS:
        label = "%s / %s" % (num, den)
        if num not in figures or den not in figures:
            print("%-42s %8s %3s %6.2f  not measured" % (label, "-", op, bound))
            continue
        ratio = figures[num][0] / figures[den][0]
        ok = ratio <= bound if op == "<=" else ratio >= bound
        missed += not ok
        print("%-42s %8.3f %3s %6.2f  %s" % (label, ratio, op, bound, "pass" if ok else "FAIL"))
    for num, den in INFORMATION:
        if num in figures and den in figures:
            print("%-42s %8.3f %10s  (information)" % ("%s / %s" % (num, den), figures[num][0] / figures[den][0], ""))
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
