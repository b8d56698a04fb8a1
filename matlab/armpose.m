%ARMPOSE  End-effector pose of the six-axis arm.
%   T = ARMPOSE(Q) returns the 4-by-4 homogeneous transform T of the
%   arm's end-effector frame in its base frame, for the joint angles Q.
%   T maps a point given in end-effector coordinates, [x; y; z; 1], to
%   the same point in base coordinates.
%
%   Input
%     Q   real double matrix whose first column holds, in rows 1 to 6,
%         the joint angles q1 ... q6 in radians, joint 1 nearest the
%         base. A 6-by-1 column is the usual form. Further rows and
%         columns are not read, nor are arguments after the first. Every
%         value is accepted: there is no range check and no wrapping into
%         one turn; NaN or Inf angles give NaN entries and no error.
%
%   Output
%     T   4-by-4 double:
%           T(1:3,1:3)  rotation; its columns are the x, y and z axes of
%                       the end-effector frame as unit vectors in base
%                       coordinates. T(1:3,3) is the axis of joint 6
%                       (the approach direction).
%           T(1:3,4)    position of the end-effector origin in base
%                       coordinates, in the length unit of the arm's
%                       constants (see README.md).
%           T(4,:)      always [0 0 0 1].
%
%   Errors
%   A failed call assigns no output and raises an error with an empty
%   identifier and one of these messages:
%     ArgumentList index out of range.
%         ARMPOSE was called with no input argument, or the host gave it
%         no output to fill.
%     Can't convert the Array to this TypedArray
%         Q is not a real, full double array: single, integer, logical,
%         char, string, cell, struct, complex or sparse.
%     Array index is invalid.
%     Can't index into an empty array.
%     Not enough indices provided.
%         Q has no sixth row in its first column (a 1-by-6 row vector, a
%         scalar, a shorter column), is empty, or has more than two
%         dimensions. Which text a case gives is up to MATLAB's data
%         library.
%     Not enough memory available to support the request.
%     std::bad_alloc
%         Memory ran out.
%     This feature requires R2018a
%         The host's data library lacks an operation ARMPOSE needs.
%   Any other failure reported by the host's data library arrives with
%   that library's own message, for example "System Error.".
%
%   Example
%      T = armpose(zeros(6,1))
%
%      T =
%
%          1.0000         0         0    0.0570
%               0    1.0000         0   -0.0100
%               0         0    1.0000    1.0033
%               0         0         0    1.0000
%
%   With every angle zero the arm stands upright: the end-effector frame
%   is parallel to the base frame and its origin lies at x = 0.057,
%   y = 0.02 - 0.03, z = 0.2433 + 0.28 + 0.245 + 0.235. The lengths are
%   added one at a time in double precision, so T(2,4) is the double
%   nearest -0.009999999999999998 and T(3,4) the one nearest
%   1.0032999999999999: T(2,4) == -0.01 and T(3,4) == 1.0033 are false.
%
%   See also ARMVELMAP.
