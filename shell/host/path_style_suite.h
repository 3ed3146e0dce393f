/* The paint of path art. */
#ifndef FLARIMOND_PATH_STYLE_SUITE_H
#define FLARIMOND_PATH_STYLE_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kPathStyleSuiteName "AI Path Style Suite"
#define kPathStyleSuiteVersion 5

typedef struct PathStyleSuite {
  /* Copies the art's path style into *style. Fails: kHostBadParameterErr for a null style,
   * kHostBadHandleErr for a stale art. [any time] */
  HostErr (*getPathStyle)(HostArt art, HostPathStyle *style);
  /* Replaces the art's path style. Fails: kHostBadParameterErr for a null style or one with a
   * width, colour component, miter limit or dash in use that is not finite, kHostBadHandleErr for
   * a stale art, kHostNotInCallErr. [in call] */
  HostErr (*setPathStyle)(HostArt art, const HostPathStyle *style);
  /* Blends two styles into *result: fraction is the share of the first, so 0 gives the second
   * unchanged and 1 the first. result may be either operand. Fails: kHostBadParameterErr for a
   * null operand or result, or a blend that is not finite (a NaN fraction, say); *result is then
   * left as it was. [any time] */
  HostErr (*interpolatePathStyle)(const HostPathStyle *first, const HostPathStyle *second, HostPathStyle *result,
                                  HostReal fraction);
} PathStyleSuite;

#ifdef __cplusplus
}
#endif

#endif
