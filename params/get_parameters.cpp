#include "params/get_parameters.h"

#include <cstring>

#include "dialog/filter_dialog.h"
#include "params/burst_fields.h"
#include "shell/plugin_suites.h"

namespace fl {

void writeDefaults(BurstParams* params, HostRealPoint viewCentre) {
  writeFieldDefaults(params, viewCentre.h, viewCentre.v);
}

HostErr getParameters(FilterMessage* message) {
  HostView view = nullptr;
  HostRealPoint centre = {0.0f, 0.0f};
  sView->getNthView(0, &view);
  sView->getViewCenter(view, &centre);

  bool made = false;
  if (!message->parameters) {
    if (HostErr e = sMemory->newHandle(static_cast<int32_t>(sizeof(BurstParams)), &message->parameters)) return e;
    if (!message->parameters) return kNoParameterBlock;
    made = true;
  }
  auto* params = static_cast<BurstParams*>(*message->parameters);
  if (made) writeDefaults(params, centre);

  BurstParams saved;
  std::memcpy(&saved, params, sizeof saved);

  int32_t ended = 0;
  sAdmDialog->modal(message->d.plugin, kFilterDialogName, kFilterDialogId, 0, initFilterDialog, params, &ended);
  if (ended == kDialogOkId) return 0;

  if (HostErr e = sUndo->undoChanges()) return e;
  std::memcpy(params, &saved, sizeof saved);
  params->previewValid = 0;
  return kUserCancelled;
}

}  // namespace fl
