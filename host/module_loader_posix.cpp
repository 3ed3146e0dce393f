#include <dlfcn.h>

#include "module_loader.h"

namespace flhost {

namespace {

class PosixLibrary : public ModuleLibrary {
 public:
  explicit PosixLibrary(void* handle) : handle_(handle) {}
  ~PosixLibrary() override { dlclose(handle_); }
  void* symbol(const char* name) const override { return dlsym(handle_, name); }

 private:
  void* handle_;
};

}  // namespace

std::unique_ptr<ModuleLibrary> ModuleLibrary::load(const std::filesystem::path& path, std::string* error) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    if (error) *error = dlerror();
    return nullptr;
  }
  return std::make_unique<PosixLibrary>(handle);
}

std::optional<ResourceSet> readModuleResources(const std::filesystem::path& modulePath, std::string* error) {
  std::filesystem::path res = modulePath;
  res.replace_extension(".res");
  std::error_code ec;
  if (!std::filesystem::exists(res, ec)) {
    if (error) *error = "the module's resources " + res.string() + " are missing";
    return std::nullopt;
  }
  return ResourceSet::readResFile(res, error);
}

}  // namespace flhost
