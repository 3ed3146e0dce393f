// The memory the host lends a plug-in: plain blocks, relocatable handles, and the filter's stored
// parameter record, which is one of those handles that the host keeps between runs.
//
// Every block and handle is owned here until the plug-in frees it or the host goes away; anything
// else passed back is refused with kHostBadHandleErr, never followed.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "host_types.h"

namespace flhost {

class HostMemory {
 public:
  HostMemory() = default;
  HostMemory(const HostMemory&) = delete;
  HostMemory& operator=(const HostMemory&) = delete;

  // Blocks: size bytes, zero-filled, until freeBlock.
  HostErr allocateBlock(int32_t size, void** block);
  HostErr freeBlock(void* block);
  // Handles: a pointer to a block of size bytes, zero-filled, until disposeHandle.
  HostErr newHandle(int32_t size, HostMemHandle* handle);
  HostErr disposeHandle(HostMemHandle handle);
  HostErr handleSize(HostMemHandle handle, int32_t* size) const;

  // The filter's stored parameter record (null when there is none).
  HostMemHandle parametersHandle() const { return parameters_; }
  bool hasParameters() const { return parameters_ != nullptr; }
  std::vector<uint8_t> parameters() const;
  void setParameters(const std::vector<uint8_t>& bytes);  // makes the handle when there is none
  void clearParameters();
  // After a filter message: the host keeps whatever handle of its own the plug-in left in the
  // record's place; anything else leaves the stored record as it was.
  void keepParameters(HostMemHandle handle);

 private:
  struct MemHandle {
    void* block = nullptr;  // what the handle points at: its first member
    std::vector<uint8_t> bytes;
  };
  HostMemHandle adopt(std::vector<uint8_t> bytes);

  std::map<void*, std::unique_ptr<uint8_t[]>> blocks_;
  std::map<HostMemHandle, std::unique_ptr<MemHandle>> handles_;
  HostMemHandle parameters_ = nullptr;
};

}  // namespace flhost
