#include "dialog/filter_dialog.h"

#include "params/burst_params.h"
#include "shell/plugin_suites.h"

namespace fl {

HostErr initFilterDialog(HostDialog dialog) {
  auto* params = static_cast<BurstParams*>(sAdmDialog->getUserData(dialog));
  if (params->dialogBoundsSaved) {
    HostIntRect bounds = {params->dialogLeft, params->dialogTop, params->dialogRight, params->dialogBottom};
    sAdmDialog->setBounds(dialog, &bounds);
  }
  sAdmDialog->setSize(dialog, 600, 260);
  return 0;
}

}  // namespace fl
