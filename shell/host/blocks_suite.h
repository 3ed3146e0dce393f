/* Named memory blocks that the host allocates for a plug-in. */
#ifndef FLARIMOND_BLOCKS_SUITE_H
#define FLARIMOND_BLOCKS_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kBlocksSuiteName "SP Blocks Suite"
#define kBlocksSuiteVersion 2

typedef struct BlocksSuite {
  /* Allocates size bytes, zero-filled, into *block; the caller owns the block until freeBlock.
   * debugName labels it in the host's accounting. Fails: kHostBadParameterErr for a null block or
   * a negative size, kHostOutOfMemoryErr. [any time] */
  HostErr (*allocateBlock)(int32_t size, const char *debugName, void **block);
  /* Frees a block from allocateBlock. Fails: kHostBadHandleErr for anything else (null, a block
   * already freed). [any time] */
  HostErr (*freeBlock)(void *block);
} BlocksSuite;

#ifdef __cplusplus
}
#endif

#endif
