#!/usr/bin/env python3
"""Runs the benchmark binary and prints the ratios it is judged by.

    python3 bench/report.py build/linux/bench/armkin_bench [benchmark flags...]

Every benchmark runs in one process, repeated with random interleaving so that
a busy machine slows all of them alike; each figure is the median CPU time of
the repetitions, and each target is a ratio of two figures from that one run.
Exits with 1 when a measured ratio misses its target.
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

STANDARD_FIELDS = {
    "name", "family_index", "per_family_instance_index", "run_name", "run_type", "repetitions",
    "repetition_index", "threads", "iterations", "real_time", "cpu_time", "time_unit", "aggregate_name",
    "aggregate_unit", "error_occurred", "error_message", "label",
}

TO_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def run(binary, extra):
    command = [binary, "--benchmark_format=json", "--benchmark_repetitions=5",
               "--benchmark_enable_random_interleaving=true", "--benchmark_report_aggregates_only=true"] + extra
    done = subprocess.run(command, stdout=subprocess.PIPE, check=False)
    if done.returncode != 0:
        sys.exit("report.py: %s exited with %d" % (" ".join(command), done.returncode))
    return json.loads(done.stdout)


def medians(report):
    """run_name -> (median CPU time in ns, user counters)."""
    result = {}
    for b in report["benchmarks"]:
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        if b.get("error_occurred"):
            print("%s: error: %s" % (b["run_name"], b.get("error_message", "")))
            continue
        counters = {k: v for k, v in b.items() if k not in STANDARD_FIELDS}
        result[b["run_name"]] = (b["cpu_time"] * TO_NS[b["time_unit"]], counters)
    return result


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    report = run(sys.argv[1], sys.argv[2:])
    figures = medians(report)
    context = report.get("context", {})
    print("%s, %s CPUs at %s MHz, load %s" % (context.get("host_name", "?"), context.get("num_cpus", "?"),
                                             context.get("mhz_per_cpu", "?"), context.get("load_avg", "?")))
    print()
    print("%-24s %12s" % ("benchmark (median CPU)", "time"))
    for name, (ns, counters) in figures.items():
        extra = "  " + ", ".join("%s=%.6g" % kv for kv in sorted(counters.items())) if counters else ""
        print("%-24s %9.1f ns%s" % (name, ns, extra))

    print()
    missed = 0
    print("%-36s %8s %10s  %s" % ("target", "measured", "bound", "result"))
    for num, den, op, bound in TARGETS:
        label = "%s / %s" % (num, den)
        if num not in figures or den not in figures:
            print("%-36s %8s %3s %6.2f  not measured" % (label, "-", op, bound))
            continue
        ratio = figures[num][0] / figures[den][0]
        ok = ratio <= bound if op == "<=" else ratio >= bound
        missed += not ok
        print("%-36s %8.2f %3s %6.2f  %s" % (label, ratio, op, bound, "pass" if ok else "FAIL"))
    for num, den in INFORMATION:
        if num in figures and den in figures:
            print("%-36s %8.2f %10s  (information)" % ("%s / %s" % (num, den), figures[num][0] / figures[den][0], ""))
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
