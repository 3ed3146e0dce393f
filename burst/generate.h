// The generation driver: turns one parameter record into new path art.
#pragma once

#include "params/burst_params.h"
#include "shell/host/plugin_messages.h"

namespace fl {

// "AI Filter"/"AI Go": the final drawing of the stored record.
HostErr go(FilterMessage* message);

// Draws the design of params (or keeps a valid preview when this is the final run). Writes only
// finalRun's companion previewValid. Returns 0 or the first failing host code.
HostErr generate(BurstParams* params);

}  // namespace fl
