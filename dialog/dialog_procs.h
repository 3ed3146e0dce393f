// The filter dialog's procedures and what they share. Every procedure finds the record through the
// dialog's user data: the dialog edits the live record in place, and Get Parameters puts the saved
// copy back when the user cancels.
#pragma once

#include <cstring>

#include "dialog/dialog_layout.h"
#include "params/burst_params.h"
#include "shell/host/adm_types.h"

namespace fl {

// Notify procedures.
void valueNotifier(HostItem item, HostNotifier notifier);
void zoomNotifier(HostItem item, HostNotifier notifier);
void factorModeNotifier(HostItem item, HostNotifier notifier);
void pageNotifier(HostItem item, HostNotifier notifier);
void presetNotifier(HostItem item, HostNotifier notifier);
void tumbleNotifier(HostItem item, HostNotifier notifier);
// Track procedure of the pick buttons; always 1.
HostBool pickTracker(HostItem item, HostTracker tracker);

HostItem dialogItem(HostDialog dialog, int32_t id);

// Where the field that item edits lies in the record. Only the two members of a factor pair can be
// reached, whatever a stored factorMode holds: any other value would point outside the record.
inline int32_t fieldOffset(const DialogItem& item, const BurstParams* params) {
  return item.field + (item.factorPair && params->factorMode != 0 ? 4 : 0);
}

inline int32_t intField(const BurstParams* params, int32_t offset) {
  int32_t v;
  std::memcpy(&v, reinterpret_cast<const unsigned char*>(params) + offset, 4);
  return v;
}

inline float floatField(const BurstParams* params, int32_t offset) {
  float v;
  std::memcpy(&v, reinterpret_cast<const unsigned char*>(params) + offset, 4);
  return v;
}

inline void setIntField(BurstParams* params, int32_t offset, int32_t v) {
  std::memcpy(reinterpret_cast<unsigned char*>(params) + offset, &v, 4);
}

inline void setFloatField(BurstParams* params, int32_t offset, float v) {
  std::memcpy(reinterpret_cast<unsigned char*>(params) + offset, &v, 4);
}

// Puts the field that item edits into its control: a spin edit or check box gets the value, a
// popup list selects the entry at the field's position. Out-of-range values are handed over as
// they are; the control decides what it shows.
void showField(HostItem control, const DialogItem& item, const BurstParams* params);
// Reads the control back into its field: a popup gives its selected entry's id.
void readField(HostItem control, const DialogItem& item, BurstParams* params);

// Sends "user changed" to the current page's lead item (which re-reads every control and
// previews) and then to its tab (which shows the page). A page outside 1..7 counts as page 1.
void bringUpPage(HostDialog dialog, const BurstParams* params);

// Draws the preview of the record just read, or takes away the preview art when the preview is
// off. Returns the generation's code.
HostErr previewDesign(BurstParams* params);

}  // namespace fl
