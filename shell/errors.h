// Error reporting, the About box and the string conversions the host's text calls need.
#pragma once

#include "shell/host/plugin_messages.h"
#include "shell/module_ids.h"

namespace fl {

// Shows the error dialog for code; silent for 0 and kUserCancelled and while the dialog suites are not held.
void reportError(HostMessage* message, HostErr code);
// Shows the About box modally.
void showAboutBox(HostMessage* message);

// Zero-terminated to length-prefixed, in place; null (buffer unchanged) for 256 characters or more.
char* toLengthPrefixed(char* buffer);
// Length-prefixed to zero-terminated, in place; the buffer needs room for the terminator.
char* toCString(char* buffer);

}  // namespace fl
