#!/usr/bin/env python3
"""Draws the arm at the zero pose and at one sample pose into a PNG.

The end-effector frame and the joint axes come from the built MEX files,
called through mexrun: armpose gives the end-effector frame, armvelmap the
joint axes (rows 4-6) and the moment of each axis about the end-effector
origin (rows 1-3). The MEX functions return no intermediate frames, so the
links are placed with the arm's Denavit-Hartenberg table; the script stops
with an error unless that chain agrees with both MEX results.

    draw_arm.py --mexrun PATH --armpose PATH --armvelmap PATH --out arm.png

Plotting is gnuplot's (pngcairo terminal); the script writes the gnuplot
program and its data blocks and pipes them in. --gnuplot-script FILE keeps
a copy of that program.
"""

import argparse
import math
import struct
import subprocess
import sys

# Link k: Rot_z(theta_k) Trans_z(d_k) Trans_x(a_k) Rot_x(alpha_k), with
# theta_k = q_k + offset_k. Rows: (theta offset, d, a, alpha).
DH = [
    (0.0, 0.2433, 0.0, math.pi / 2),
    (math.pi / 2, 0.03, 0.28, math.pi),
    (math.pi / 2, 0.02, 0.0, math.pi / 2),
    (math.pi / 2, 0.245, 0.0, math.pi / 2),
    (0.0, 0.057, 0.0, -math.pi / 2),
    (-math.pi / 2, 0.235, 0.0, 0.0),
]

POSES = [
    ("zero pose, q = 0", [0.0] * 6),
    ("sample pose, q = [0.6 -0.5 0.7 0.8 -1.0 0.5] rad",
     [0.6, -0.5, 0.7, 0.8, -1.0, 0.5]),
]

TOLERANCE = 1e-12


def matmul(a, b):
    return [[sum(a[r][i] * b[i][c] for i in range(4)) for c in range(4)]
            for r in range(4)]


def link(theta, d, a, alpha):
    ct, st, ca, sa = math.cos(theta), math.sin(theta), math.cos(alpha), math.sin(alpha)
    return [[ct, -st * ca, st * sa, a * ct],
            [st, ct * ca, -ct * sa, a * st],
            [0.0, sa, ca, d],
            [0.0, 0.0, 0.0, 1.0]]


def frames(q):
    """Base frame, then the frame after each link: 7 matrices."""
    out = [[[float(r == c) for c in range(4)] for r in range(4)]]
    for qk, (offset, d, a, alpha) in zip(q, DH):
        out.append(matmul(out[-1], link(qk + offset, d, a, alpha)))
    return out


def column(m, c):
    return [m[0][c], m[1][c], m[2][c]]


def add(u, v, s=1.0):
    return [u[i] + s * v[i] for i in range(3)]


def cross(u, v):
    return [u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
            u[0] * v[1] - u[1] * v[0]]


def mexrun(args, mexfile, call):
    """One call through mexrun; returns the first output as a list of rows,
    read from the bits that --hex prints rather than the decimal display."""
    run = subprocess.run([args.mexrun, "--hex", mexfile, call], capture_output=True,
                         text=True, check=False)
    if run.returncode != 0:
        sys.exit(f"draw_arm: mexrun {call} failed ({run.returncode}): "
                 f"{run.stderr.strip()}")
    lines = run.stdout.replace("\r", "").strip().splitlines()
    if not lines or not lines[0].startswith("out1 = "):
        sys.exit(f"draw_arm: unexpected mexrun output for {call}: {run.stdout!r}")
    return [[struct.unpack(">d", bytes.fromhex(x))[0] for x in line.split()]
            for line in lines[1:]]


def check(name, got, want):
    err = max(abs(g - w) for g, w in zip(got, want))
    if not err <= TOLERANCE:
        sys.exit(f"draw_arm: {name}: the DH chain and the MEX result differ by {err:g}")


def pose_geometry(args, q):
    """Frames from the DH table, checked against armpose and armvelmap."""
    f = frames(q)
    call = "([" + "; ".join(repr(x) for x in q) + "])"
    t = mexrun(args, args.armpose, "armpose" + call)
    j = mexrun(args, args.armvelmap, "armvelmap" + call)
    check("end-effector frame", [x for row in f[6] for x in row],
          [x for row in t for x in row])
    p = column(f[6], 3)
    for k in range(6):
        axis, origin = column(f[k], 2), column(f[k], 3)
        check(f"axis of joint {k + 1}", axis, [j[3][k], j[4][k], j[5][k]])
        check(f"linear column {k + 1}", cross(axis, add(p, origin, -1.0)),
              [j[0][k], j[1][k], j[2][k]])
    return f, t


def blocks(index, f, t):
    """gnuplot data blocks of one pose: links, joints, axes, frames."""
    links, joints, axes, labels = [], [], [], []
    for k in range(6):
        origin, z = column(f[k], 3), column(f[k], 2)
        # Link k runs d_k along the axis of joint k, then a_k along x_k;
        # the joint is drawn halfway along the first stretch.
        bend = add(origin, z, DH[k][1])
        joint = add(origin, z, DH[k][1] / 2)
        links += [origin, bend]
        joints.append(joint)
        axes.append(add(joint, z, -0.06) + [0.14 * c for c in z])
        labels.append(joint + [f"J{k + 1}"])
    links.append(column(f[6], 3))

    def frame(origin, rot, length):
        return [[origin + [length * rot[r][c] for r in range(3)]] for c in range(3)]

    def rows(points):
        return "\n".join(" ".join(v if isinstance(v, str) else f"{v:.9g}" for v in p)
                         for p in points)

    ident = [[float(r == c) for c in range(3)] for r in range(3)]
    p = [t[0][3], t[1][3], t[2][3]]
    text = [f"$links{index} << EOD\n{rows(links)}\nEOD",
            f"$joints{index} << EOD\n{rows(joints)}\nEOD",
            f"$axes{index} << EOD\n{rows(axes)}\nEOD",
            f"$axislabels{index} << EOD\n{rows(labels)}\nEOD"]
    for name, origin, rot in (("ee", p, t), ("base", [0.0, 0.0, 0.0], ident)):
        for c, vec in zip("xyz", frame(origin, rot, 0.1)):
            text.append(f"${name}{c}{index} << EOD\n{rows(vec)}\nEOD")
    text.append(f"$eelabel{index} << EOD\n{rows([p])}\nEOD")
    return "\n".join(text)


def panel(index, title):
    return f"""
set title "{title}"
splot $links{index} using 1:2:3 with lines lw 5 lc rgb "#606060" title "links", \\
      $joints{index} using 1:2:3 with points pt 7 ps 1.3 lc rgb "#303030" notitle, \\
      $axes{index} using 1:2:3:4:5:6 with vectors head filled lw 3 lc rgb "#e08000" title "joint axes", \\
      $axislabels{index} using 1:2:3:4 with labels boxed right offset -1.2,0.5 font ",13" tc rgb "#b06000" notitle, \\
      $basex{index} using 1:2:3:4:5:6 with vectors head filled lw 3 lc rgb "#d00000" title "x", \\
      $basey{index} using 1:2:3:4:5:6 with vectors head filled lw 3 lc rgb "#00a000" title "y", \\
      $basez{index} using 1:2:3:4:5:6 with vectors head filled lw 3 lc rgb "#0040ff" title "z", \\
      $eex{index} using 1:2:3:4:5:6 with vectors head filled lw 3 lc rgb "#d00000" notitle, \\
      $eey{index} using 1:2:3:4:5:6 with vectors head filled lw 3 lc rgb "#00a000" notitle, \\
      $eez{index} using 1:2:3:4:5:6 with vectors head filled lw 3 lc rgb "#0040ff" notitle, \\
      $eelabel{index} using 1:2:3:("end effector") with labels left offset 2,1.5 font ",13" notitle, \\
      $eelabel{index} using (0):(0):(0):("base") with labels left offset 2,-1 font ",13" notitle
"""


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--mexrun", required=True)
    parser.add_argument("--armpose", required=True)
    parser.add_argument("--armvelmap", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--gnuplot", default="gnuplot")
    parser.add_argument("--gnuplot-script")
    args = parser.parse_args()

    data, panels = [], []
    for index, (title, q) in enumerate(POSES):
        f, t = pose_geometry(args, q)
        data.append(blocks(index, f, t))
        panels.append(panel(index, title))

    program = f"""{chr(10).join(data)}
set terminal pngcairo size 1600,900 font "DejaVu Sans,13" enhanced
set output "{args.out}"
set multiplot layout 1,2 title "Six-axis arm: links, joint axes, base and end-effector frames (x red, y green, z blue)" font ",15"
set view equal xyz
set view 66, 30, 1.1
set xrange [-0.45:0.45]
set yrange [-0.45:0.45]
set zrange [0:1.1]
set xyplane at 0
set xtics 0.2 offset 0,-0.3
set ytics 0.2
set ztics 0.2
set xlabel "x" offset 0,-1
set ylabel "y"
set zlabel "z" rotate parallel
set grid
set style textbox opaque noborder margins 0.5,0.5
set key at screen 0.5, 0.9 center horizontal box opaque samplen 3 spacing 1.2 width 1
{"".join(panels)}
unset multiplot
"""
    if args.gnuplot_script:
        with open(args.gnuplot_script, "w", encoding="utf-8") as out:
            out.write(program)
    run = subprocess.run([args.gnuplot], input=program, text=True,
                         capture_output=True, check=False)
    if run.returncode != 0 or run.stderr.strip():
        sys.exit(f"draw_arm: gnuplot failed: {run.stderr.strip()}")


if __name__ == "__main__":
    main()
