// Copies of the built module with changed resources, for the host's checks of damaged modules.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "resources.h"

namespace fltest {

// The binary RES form of a resource set (the format windres writes).
std::vector<uint8_t> serializeRes(const flhost::ResourceSet& set);

// A string table block (16 counted UTF-16 strings) for string ids block*16-16 .. block*16-1.
std::vector<uint8_t> stringBlock(const std::vector<std::string>& sixteen);

// Copies the built module into a fresh folder under the test's temporary directory with its
// resources changed by `change`; returns the copy's path.
std::filesystem::path moduleCopy(const std::string& name, const std::function<void(flhost::ResourceSet&)>& change);

}  // namespace fltest
