// The preset popup and the "Tumble" button. They rewrite many settings at once; until the preset
// table and the random throws are in place, they only let the host handle their notifications.
#include "dialog/dialog_procs.h"
#include "shell/plugin_suites.h"

namespace fl {

void presetNotifier(HostItem item, HostNotifier notifier) { sAdmItem->defaultNotify(item, notifier); }

void tumbleNotifier(HostItem item, HostNotifier notifier) { sAdmItem->defaultNotify(item, notifier); }

}  // namespace fl
