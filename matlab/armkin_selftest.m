function ok = armkin_selftest(pose, velmap)
%ARMKIN_SELFTEST  Check that ARMPOSE and ARMVELMAP work in this installation.
%   OK = ARMKIN_SELFTEST runs a set of checks on ARMPOSE and ARMVELMAP,
%   prints one line per check and a count, and returns true when every
%   check passes. Run it once after installing, in MATLAB or in GNU
%   Octave; it needs nothing but the two functions.
%
%   OK = ARMKIN_SELFTEST(POSE, VELMAP) checks the function handles POSE
%   and VELMAP in their place.
%
%   Checks
%     - armpose(zeros(6,1)) and armvelmap(zeros(6,1)), bit for bit: with
%       every angle zero each entry is fixed on every platform.
%     - For a set of angles: the fixed entries (T(4,:) is [0 0 0 1], six
%       entries of J are zero and J(6,1) is 1); the entries the two
%       results share, bit for bit (J(2,1) is T(1,4), J(4:6,6) is
%       T(1:3,3), J(1,1) is -T(2,4), J(4:5,3) is -J(4:5,2)); q6 not
%       changing J; an orthonormal rotation with determinant 1.
%     - Agreement with the arm's Denavit-Hartenberg chain (see README.md),
%       to 1e-12, and of J with central differences of the pose, to 1e-7.
%     - The refusals: no input gives the error "ArgumentList index out of
%       range." and a single input "Can't convert the Array to this
%       TypedArray", both with an empty identifier.
%   Angles other than zero are compared to a tolerance only: the last bit
%   of a sine or cosine may differ between platforms.
%
%   Example
%      armkin_selftest
%
%   See also ARMPOSE, ARMVELMAP.

if nargin < 1
    pose = @armpose;
end
if nargin < 2
    velmap = @armvelmap;
end

T0 = [1 -0 0 0.057; 0 1 -0 -0.009999999999999998; 0 0 1 1.0032999999999999; 0 0 0 1];
J0 = [0.009999999999999998 -0.76 0.48 0 0 0; 0.057 -0 0 0.057 -0.235 0;
      0 0.057 -0.057 -0 0 0; 0 0 -0 -0 1 0; 0 -1 1 -0 0 -0; 1 0 0 1 0 1];

% Angles of every kind: a sample pose, q2 = q3, the wrist singularity
% (q5 = 0), and scattered angles over several turns.
angles = [0.1 -0.4 0.3 0.2 0.5 -0.6; 0.7 0.25 0.25 -1.1 0.9 2.2; 0.3 -0.2 0.6 1.3 0 -0.8];
for k = 1:9
    angles(end + 1, :) = 4 * sin(1.37 * k * (1:6) + k); %#ok<AGROW>
end
huge = [1e6 -1e6 3e5 1e6 -2e6 1e6];

fprintf('armkin self-test\n');
results = false(1, 0);
results(end + 1) = check('armpose(zeros(6,1)) bit for bit', @() sameBits(pose(zeros(6, 1)), T0));
results(end + 1) = check('armvelmap(zeros(6,1)) bit for bit', @() sameBits(velmap(zeros(6, 1)), J0));
results(end + 1) = check('fixed entries of T and J', @() forAll([angles; huge; NaN 0 Inf 0 -Inf 0], @fixedEntries, pose, velmap));
results(end + 1) = check('entries T and J share, bit for bit', @() forAll([angles; huge], @sharedEntries, pose, velmap));
results(end + 1) = check('q6 does not change J', @() forAll([angles; huge], @q6Unseen, pose, velmap));
results(end + 1) = check('rotation orthonormal, determinant 1', @() forAll(angles, @orthonormal, pose, velmap));
results(end + 1) = check('T and J agree with the Denavit-Hartenberg chain', @() forAll(angles, @dhChain, pose, velmap));
results(end + 1) = check('J agrees with central differences of T', @() forAll(angles, @centralDifferences, pose, velmap));
results(end + 1) = check('armpose() refused', @() refuses(pose, {}, 'ArgumentList index out of range.'));
results(end + 1) = check('armvelmap() refused', @() refuses(velmap, {}, 'ArgumentList index out of range.'));
results(end + 1) = check('armpose(single(...)) refused', ...
    @() refuses(pose, {single(zeros(6, 1))}, 'Can''t convert the Array to this TypedArray'));
results(end + 1) = check('armvelmap(single(...)) refused', ...
    @() refuses(velmap, {single(zeros(6, 1))}, 'Can''t convert the Array to this TypedArray'));

fprintf('%d of %d checks passed\n', sum(results), numel(results));
ok = all(results);
end

function passed = check(name, test)
% Runs one check; an error inside it is a failure, with its message shown.
why = '';
try
    passed = test();
catch err
    passed = false;
    why = ['  (' err.message ')'];
end
if passed
    fprintf('  ok    %s\n', name);
else
    fprintf('  FAIL  %s%s\n', name, why);
end
end

function same = sameBits(a, b)
same = isequal(size(a), size(b)) && isa(a, 'double') && ...
    isequal(typecast(a(:), 'uint64'), typecast(b(:), 'uint64'));
end

function passed = forAll(angles, property, pose, velmap)
passed = true;
for k = 1:size(angles, 1)
    q = angles(k, :)';
    passed = passed && property(q, pose(q), velmap(q), pose, velmap);
end
end

function passed = fixedEntries(q, T, J, pose, velmap) %#ok<INUSL,INUSD>
passed = isequal(size(T), [4 4]) && isequal(size(J), [6 6]) && ...
    sameBits(T(4, :), [0 0 0 1]) && ...
    sameBits([J(1:3, 6); J(3:5, 1); J(6, 2:3)'], zeros(8, 1)) && sameBits(J(6, 1), 1);
end

function passed = sharedEntries(q, T, J, pose, velmap) %#ok<INUSL,INUSD>
passed = sameBits(J(2, 1), T(1, 4)) && sameBits(J(4:6, 6), T(1:3, 3)) && ...
    J(1, 1) == -T(2, 4) && sameBits(J(4:5, 3), -J(4:5, 2));
end

function passed = q6Unseen(q, T, J, pose, velmap) %#ok<INUSL>
passed = true;
for q6 = [q(6) + 2.5, NaN, Inf]
    moved = q;
    moved(6) = q6;
    passed = passed && sameBits(velmap(moved), J);
end
end

function passed = orthonormal(q, T, J, pose, velmap) %#ok<INUSL,INUSD>
R = T(1:3, 1:3);
passed = max(max(abs(R' * R - eye(3)))) < 1e-13 && abs(det(R) - 1) < 1e-13;
end

function passed = dhChain(q, T, J, pose, velmap) %#ok<INUSD>
% Link k: Rot_z(theta_k) Trans_z(d_k) Trans_x(a_k) Rot_x(alpha_k).
dh = [q(1) 0.2433 0 pi/2; q(2)+pi/2 0.03 0.28 pi; q(3)+pi/2 0.02 0 pi/2;
      q(4)+pi/2 0.245 0 pi/2; q(5) 0.057 0 -pi/2; q(6)-pi/2 0.235 0 0];
F = eye(4);
zAxes = zeros(3, 6);
origins = zeros(3, 6);
for k = 1:6
    zAxes(:, k) = F(1:3, 3);
    origins(:, k) = F(1:3, 4);
    t = dh(k, 1); d = dh(k, 2); a = dh(k, 3); al = dh(k, 4);
    F = F * [cos(t) -sin(t)*cos(al)  sin(t)*sin(al) a*cos(t);
             sin(t)  cos(t)*cos(al) -cos(t)*sin(al) a*sin(t);
             0       sin(al)         cos(al)        d;
             0       0               0              1];
end
D = zeros(6, 6);
for k = 1:6
    D(:, k) = [cross(zAxes(:, k), F(1:3, 4) - origins(:, k)); zAxes(:, k)];
end
passed = max(abs(T(:) - F(:))) < 1e-12 && max(abs(J(:) - D(:))) < 1e-12;
end

function passed = centralDifferences(q, T, J, pose, velmap) %#ok<INUSD>
h = 1e-6;
passed = true;
for k = 1:6
    step = zeros(6, 1);
    step(k) = h;
    dT = (pose(q + step) - pose(q - step)) / (2 * h);
    % Linear velocity: the derivative of the position; angular velocity:
    % the skew-symmetric dR*R' holds it.
    S = dT(1:3, 1:3) * T(1:3, 1:3)';
    column = [dT(1:3, 4); S(3, 2); S(1, 3); S(2, 1)];
    passed = passed && max(abs(J(:, k) - column)) < 1e-7;
end
end

function passed = refuses(f, arguments, message)
% The call must fail with MESSAGE (a host may put "name: " before it)
% and an empty identifier.
passed = false;
try
    f(arguments{:});
catch err
    text = err.message;
    tail = [': ' message];
    passed = isempty(err.identifier) && (strcmp(text, message) || ...
        (numel(text) > numel(tail) && strcmp(text(end - numel(tail) + 1:end), tail)));
end
end
