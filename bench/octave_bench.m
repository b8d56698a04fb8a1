function ok = octave_bench(mex_dir)
% OK = OCTAVE_BENCH(MEX_DIR): in one Octave session, the time of one call of
% armpose (the MEX file in MEX_DIR) against the same formulas written in
% M-code and against eye(4), a built-in call that returns a 4-by-4 (the
% interpreter's own floor). Each figure is the least time per call over
% interleaved repetitions. Prints the ratios; OK is true when armpose is at
% least 20 times faster than the M-code and within 1.5 times eye(4).
%
%   octave-cli --eval "addpath('bench'); exit(~octave_bench('build/linux/octave/mex'))"
addpath(mex_dir);
q = [0.1; -0.4; 0.3; 0.2; 0.5; -0.6];
mcode = pose_in_mcode(q);
T = armpose(q);
if max(abs(T(:) - mcode(:))) > 1e-15
  error('octave_bench: the M-code pose differs from armpose');
end

names = {'armpose (MEX)', 'the same formulas in M-code', 'eye(4)'};
counts = [20000, 1000, 20000];
best = inf(1, 3);
for repetition = 1:9
  for k = randperm(3)
    best(k) = min(best(k), time_per_call(k, counts(k), q));
  end
end

printf('Octave %s, one call, least of 9 interleaved repetitions\n', version());
for k = 1:3
  printf('  %-30s %8.3f us\n', names{k}, best(k) * 1e6);
end
speedup = best(2) / best(1);
floor_ratio = best(1) / best(3);
printf('  M-code / armpose   %8.3f  (target >= 20)   %s\n', speedup, verdict(speedup >= 20));
printf('  armpose / eye(4)   %8.3f  (target <= 1.5)  %s\n', floor_ratio, verdict(floor_ratio <= 1.5));
ok = speedup >= 20 && floor_ratio <= 1.5;
end

function t = time_per_call(which, n, q)
% Each loop body is the call itself, written out: no function handle call
% is timed with it.
switch which
  case 1
    tic; for i = 1:n, T = armpose(q); end; t = toc / n;
  case 2
    tic; for i = 1:n, T = pose_in_mcode(q); end; t = toc / n;
  otherwise
    tic; for i = 1:n, T = eye(4); end; t = toc / n;
end
end

function s = verdict(met)
if met
  s = 'met';
else
  s = 'MISSED';
end
end

function T = pose_in_mcode(q)
% The pose formulas of the kinematics library, term for term.
c1 = cos(q(1)); s1 = sin(q(1)); c2 = cos(q(2)); s2 = sin(q(2));
c4 = cos(q(4)); s4 = sin(q(4)); c5 = cos(q(5)); s5 = sin(q(5));
c6 = cos(q(6)); s6 = sin(q(6));
c23 = cos(q(2) - q(3)); s23 = sin(q(2) - q(3));
c23c1 = c23 * c1; c1s23 = c1 * s23; c5s23 = c5 * s23; s1c5s23 = s1 * c5s23;
c4s23 = c4 * s23; s23x245 = 0.245 * s23;
x1 = c4 * s1 + s4 * c23c1;
x2 = s4 * s1 - c23c1 * c4;
x3 = c5 * x1 + c1s23 * s5;
y1 = c4 * c1 - c23 * s1 * s4;
y2 = c4 * c23 * s1 + s4 * c1;
y3 = c5 * y1 - s1 * s23 * s5;
z1 = c23 * s5 - c5s23 * s4;
T = zeros(4);
T(1, 1) = -s6 * x3 - c6 * x2;
T(1, 2) = s6 * x2 - c6 * x3;
T(1, 3) = x1 * s5 - c1s23 * c5;
T(1, 4) = T(1, 3) * 0.235 - x2 * 0.057 + 0.03 * s1 - 0.02 * s1 - 0.28 * c1 * s2 - s23x245 * c1;
T(2, 1) = s6 * y3 + c6 * y2;
T(2, 2) = y3 * c6 - s6 * y2;
T(2, 3) = -s5 * y1 - s1c5s23;
T(2, 4) = c1 * 0.02 + (y2 * 0.057 - (s1c5s23 + y1 * s5) * 0.235 - 0.03 * c1) - 0.28 * s1 * s2 - s1 * s23x245;
T(3, 1) = s6 * z1 + c6 * c4s23;
T(3, 2) = z1 * c6 - s6 * c4s23;
T(3, 3) = s4 * s23 * s5 + c5 * c23;
T(3, 4) = T(3, 3) * 0.235 + (0.28 * c2 + 0.2433) + 0.245 * c23 + s23 * 0.057 * c4;
T(4, 4) = 1;
end
