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
  /* Reads a decimal number from a length-prefixed string. Fails: kHostBadParameterErr for a null
   * argument or a string that holds no number. [any time] */
  HostErr (*textToReal)(const unsigned char *text, HostReal *value);
  /* Writes value rounded to precision decimals as a length-prefixed string into text (256 bytes).
   * Fails: kHostBadParameterErr for a null text, a precision outside 0..20 or a result longer
   * than 255 characters. [any time] */
  HostErr (*realToText)(HostReal value, int16_t precision, unsigned char *text);
} UserSuite;

#ifdef __cplusplus
}
#endif

#endif
