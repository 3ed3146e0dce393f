// The filter's modal dialog.
#pragma once

#include "shell/host/adm_types.h"

namespace fl {

// The dialog's init procedure: builds every control from the record in the dialog's user data and
// brings up the page the record names. Always 0.
HostErr initFilterDialog(HostDialog dialog);

}  // namespace fl
