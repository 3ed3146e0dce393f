/* Conversions between numbers and length-prefixed text. */
#ifndef FLARIMOND_USER_SUITE_H
#define FLARIMOND_USER_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kUserSuiteName "AI User Suite"
#define kUserSuiteVersion 5

typedef struct UserSuite {
  /* Reads a decimal number from a length-prefixed string; kHostBadParameterErr when it holds none. */
  HostErr (*textToReal)(const unsigned char *text, HostReal *value);
  /* Writes value rounded to precision decimals as a length-prefixed string into text (256 bytes). */
  HostErr (*realToText)(HostReal value, int16_t precision, unsigned char *text);
} UserSuite;

#ifdef __cplusplus
}
#endif

#endif
