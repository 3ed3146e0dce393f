// The filter's answer to "AI Get Parameters": make the record if the host has none, then let the
// user edit it in the modal dialog, keeping the edits on confirm and restoring them on cancel.
#pragma once

#include "params/burst_params.h"
#include "shell/host/plugin_messages.h"
#include "shell/module_ids.h"

namespace fl {

constexpr const char* kFilterDialogName = "VL08_Flarimond";

HostErr getParameters(FilterMessage* message);

// Writes the defaults into a new record. The start point is 200 points left of the view centre.
// finalRun and the saved dialog bounds are left as they are.
void writeDefaults(BurstParams* params, HostRealPoint viewCentre);

}  // namespace fl
