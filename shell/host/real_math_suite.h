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
  /* a / b; 0 when b is 0. */
  HostReal (*divide)(HostReal a, HostReal b);
  /* Degrees to radians. */
  HostReal (*degreeToRadian)(HostReal degrees);
  /* Radians to degrees. */
  HostReal (*radianToDegree)(HostReal radians);
  /* Direction of point a seen from point b, atan2(a.v - b.v, a.h - b.h), in radians. */
  HostReal (*pointAngle)(const HostRealPoint *a, const HostRealPoint *b);
  /* Sets m to the identity. */
  void (*matrixSetIdentity)(HostMatrix *m);
  /* Sets m to the translation by (tx, ty). */
  void (*matrixSetTranslate)(HostMatrix *m, HostReal tx, HostReal ty);
  /* Appends the translation by (tx, ty): it acts after what m did before. */
  void (*matrixConcatTranslate)(HostMatrix *m, HostReal tx, HostReal ty);
  /* Appends a scale about the origin by sx horizontally and sy vertically. */
  void (*matrixConcatScale)(HostMatrix *m, HostReal sx, HostReal sy);
  /* Appends a rotation about the origin by angle radians, anticlockwise (y up). */
  void (*matrixConcatRotate)(HostMatrix *m, HostReal angle);
  /* Moves point p by m into *out. */
  void (*matrixTransformPoint)(const HostMatrix *m, const HostRealPoint *p, HostRealPoint *out);
} RealMathSuite;

#ifdef __cplusplus
}
#endif

#endif
