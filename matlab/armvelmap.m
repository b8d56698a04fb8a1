%ARMVELMAP  Geometric Jacobian of the six-axis arm.
%   J = ARMVELMAP(Q) returns the 6-by-6 geometric Jacobian J of the arm's
%   end effector for the joint angles Q: J*dQ = [v; w], where dQ holds
%   the six joint rates in radians per unit time.
%
%   Row order: LINEAR FIRST, then angular.
%     J(1:3,:)  map the joint rates to v, the linear velocity of the
%               end-effector origin, in the base frame.
%     J(4:6,:)  map the joint rates to w, the angular velocity of the end
%               effector, in the base frame.
%   Tools that put the angular velocity first need [J(4:6,:); J(1:3,:)].
%   Column k belongs to joint k.
%
%   Input
%     Q   real double matrix whose first column holds, in rows 1 to 6,
%         the joint angles q1 ... q6 in radians, joint 1 nearest the
%         base. A 6-by-1 column is the usual form. Further rows and
%         columns are not read, nor are arguments after the first. Every
%         value is accepted: there is no range check and no wrapping into
%         one turn; NaN or Inf angles give NaN entries and no error.
%         q6 does not change J.
%
%   Output
%     J   6-by-6 double:
%           J(1:3,k)  velocity of the end-effector origin per unit rate
%                     of joint k, in the length unit of the arm's
%                     constants per radian (see README.md).
%           J(4:6,k)  unit vector along the axis of joint k, in base
%                     coordinates.
%         J(1:3,6) is zero: the end-effector origin lies on the axis of
%         joint 6. A singular pose is not detected: J is returned as
%         computed.
%
%   Errors
%   A failed call assigns no output and raises an error with an empty
%   identifier and one of these messages:
%     ArgumentList index out of range.
%         ARMVELMAP was called with no input argument, or the host gave
%         it no output to fill.
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
%         The host's data library lacks an operation ARMVELMAP needs.
%   Any other failure reported by the host's data library arrives with
%   that library's own message, for example "System Error.".
%
%   Example
%      J = armvelmap(zeros(6,1))
%
%      J =
%
%          0.0100   -0.7600    0.4800         0         0         0
%          0.0570         0         0    0.0570   -0.2350         0
%               0    0.0570   -0.0570         0         0         0
%               0         0         0         0    1.0000         0
%               0   -1.0000    1.0000         0         0         0
%          1.0000         0         0    1.0000         0    1.0000
%
%   With every angle zero the arm stands upright. Rows 4 to 6 show the
%   joint axes: joints 1, 4 and 6 turn about the base z axis, joints 2
%   and 3 about the base y axis in opposite directions (-y and +y), and
%   joint 5 about the base x axis. J(1,1) is the double nearest
%   0.009999999999999998, not 0.01: two offsets of the arm, added one at
%   a time in double precision.
%
%   See also ARMPOSE.
