/* Relocatable memory handles, such as a filter's parameter block. */
#ifndef FLARIMOND_MEMORY_SUITE_H
#define FLARIMOND_MEMORY_SUITE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kMemorySuiteName "AI MdMemory Suite"
#define kMemorySuiteVersion 1

typedef struct MemorySuite {
  /* Makes a handle to size zero-filled bytes; the block is reached as *handle. The caller owns
   * the handle unless it hands it to the host (as a filter's parameters). Fails:
   * kHostBadParameterErr for a null handle or a negative size, kHostOutOfMemoryErr. [any time] */
  HostErr (*newHandle)(int32_t size, HostMemHandle *handle);
  /* Frees a handle from newHandle. Fails: kHostBadHandleErr for anything else (null, a handle
   * already disposed). [any time] */
  HostErr (*disposeHandle)(HostMemHandle handle);
  /* The size of the handle's block in bytes. Fails: kHostBadHandleErr for a handle not from
   * newHandle, kHostBadParameterErr for a null size. [any time] */
  HostErr (*getHandleSize)(HostMemHandle handle, int32_t *size);
} MemorySuite;

#ifdef __cplusplus
}
#endif

#endif
