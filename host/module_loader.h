// Loading a plug-in module and reading its resources, per platform.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "resources.h"

namespace flhost {

class ModuleLibrary {
 public:
  virtual ~ModuleLibrary() = default;
  // The address of an exported function, or null.
  virtual void* symbol(const char* name) const = 0;

  // Loads the module; null with the system's reason in *error.
  static std::unique_ptr<ModuleLibrary> load(const std::filesystem::path& path, std::string* error);
};

// The module's compiled resources, read without running any of its code: from the module's own
// resource section on Windows, from the .res file beside the module elsewhere.
std::optional<ResourceSet> readModuleResources(const std::filesystem::path& modulePath, std::string* error);

}  // namespace flhost
