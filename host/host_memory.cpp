#include "host_memory.h"

#include <utility>

namespace flhost {

HostErr HostMemory::allocateBlock(int32_t size, void** block) {
  if (!block || size < 0) return kHostBadParameterErr;
  auto bytes = std::make_unique<uint8_t[]>(static_cast<size_t>(size) + 1);  // zero-filled
  *block = bytes.get();
  blocks_[*block] = std::move(bytes);
  return kHostNoErr;
}

HostErr HostMemory::freeBlock(void* block) {
  auto it = blocks_.find(block);
  if (it == blocks_.end()) return kHostBadHandleErr;
  blocks_.erase(it);
  return kHostNoErr;
}

HostMemHandle HostMemory::adopt(std::vector<uint8_t> bytes) {
  auto h = std::make_unique<MemHandle>();
  h->bytes = std::move(bytes);
  h->block = h->bytes.data();
  HostMemHandle handle = &h->block;
  handles_[handle] = std::move(h);
  return handle;
}

HostErr HostMemory::newHandle(int32_t size, HostMemHandle* handle) {
  if (!handle || size < 0) return kHostBadParameterErr;
  *handle = adopt(std::vector<uint8_t>(static_cast<size_t>(size), 0));
  return kHostNoErr;
}

HostErr HostMemory::disposeHandle(HostMemHandle handle) {
  auto it = handles_.find(handle);
  if (it == handles_.end()) return kHostBadHandleErr;
  if (handle == parameters_) parameters_ = nullptr;
  handles_.erase(it);
  return kHostNoErr;
}

HostErr HostMemory::handleSize(HostMemHandle handle, int32_t* size) const {
  auto it = handles_.find(handle);
  if (it == handles_.end()) return kHostBadHandleErr;
  if (!size) return kHostBadParameterErr;
  *size = static_cast<int32_t>(it->second->bytes.size());
  return kHostNoErr;
}

std::vector<uint8_t> HostMemory::parameters() const {
  if (!parameters_) return {};
  return handles_.at(parameters_)->bytes;
}

void HostMemory::setParameters(const std::vector<uint8_t>& bytes) {
  HostMemHandle handle = adopt(bytes);
  clearParameters();
  parameters_ = handle;
}

void HostMemory::clearParameters() {
  if (parameters_) handles_.erase(parameters_);
  parameters_ = nullptr;
}

void HostMemory::keepParameters(HostMemHandle handle) {
  if (handle != parameters_ && handles_.count(handle)) parameters_ = handle;
}

}  // namespace flhost
