/* Single-precision maths and matrices. Every matrix operation appends to what the matrix
 * already does, so a point is moved by the earliest operation first.
 *
 * The matrix operations return nothing, so they cannot report a failure: one that fails writes
 * nothing, and the caller should start every matrix as the identity. A number that is not
 * finite, or a result past the largest float, leaves the matrix not finite, and every operation
 * that takes a matrix or coordinates refuses it with kHostBadParameterErr. */
#ifndef FLARIMOND_REAL_MATH_SUITE_H
#define FLARIMOND_REAL_MATH_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kRealMathSuiteName "AI Real Math Suite"
#define kRealMathSuiteVersion 1

typedef struct RealMathSuite {
  /* a / b; 0 when b is 0, and 0 on failure. [any time] */
  HostReal (*divide)(HostReal a, HostReal b);
  /* Degrees to radians; 0 on failure. [any time] */
  HostReal (*degreeToRadian)(HostReal degrees);
  /* Radians to degrees; 0 on failure. [any time] */
  HostReal (*radianToDegree)(HostReal radians);
  /* Direction of point a seen from point b, atan2(a.v - b.v, a.h - b.h), in radians; 0 when a or
   * b is null, and 0 on failure. [any time] */
  HostReal (*pointAngle)(const HostRealPoint *a, const HostRealPoint *b);
  /* Sets m to the identity. On failure, or for a null m, m is left as it was. [any time] */
  void (*matrixSetIdentity)(HostMatrix *m);
  /* Sets m to the translation by (tx, ty). On failure, or for a null m, m is left as it was.
   * [any time] */
  void (*matrixSetTranslate)(HostMatrix *m, HostReal tx, HostReal ty);
  /* Appends the translation by (tx, ty): it acts after what m did before. On failure, or for a
   * null m, m is left as it was. [any time] */
  void (*matrixConcatTranslate)(HostMatrix *m, HostReal tx, HostReal ty);
  /* Appends a scale about the origin by sx horizontally and sy vertically. On failure, or for a
   * null m, m is left as it was. [any time] */
  void (*matrixConcatScale)(HostMatrix *m, HostReal sx, HostReal sy);
  /* Appends a rotation about the origin by angle radians, anticlockwise (y up). On failure, or
   * for a null m, m is left as it was. [any time] */
  void (*matrixConcatRotate)(HostMatrix *m, HostReal angle);
  /* Moves point p by m into *out. On failure, or when an argument is null, *out is left as it
   * was. [any time] */
  void (*matrixTransformPoint)(const HostMatrix *m, const HostRealPoint *p, HostRealPoint *out);
} RealMathSuite;

#ifdef __cplusplus
}
#endif

#endif
