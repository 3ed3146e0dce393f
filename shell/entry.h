// The module's one export and the names the shell registers.
#pragma once

#include "shell/host/plugin_messages.h"

#if defined(_WIN32)
#define FL_EXPORT __declspec(dllexport)
#else
#define FL_EXPORT __attribute__((visibility("default")))
#endif

extern "C" FL_EXPORT HostErr PluginMain(const char* caller, const char* selector, void* message);

namespace fl {
constexpr int32_t kFilterStringList = 16000;  // index 1 category, 2 title
constexpr const char* kFilterName = "VL08_Flarimond";
}  // namespace fl
