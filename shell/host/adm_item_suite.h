/* Dialog items: values, texts, looks and procedures. */
#ifndef FLARIMOND_ADM_ITEM_SUITE_H
#define FLARIMOND_ADM_ITEM_SUITE_H

#include "adm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kAdmItemSuiteName "ADM Item Suite"
#define kAdmItemSuiteVersion 4

typedef struct AdmItemSuite {
  /* The dialog that owns the item. */
  HostDialog (*getDialog)(HostItem item);
  /* The item's id. */
  int32_t (*getID)(HostItem item);
  /* Installs the item's notify procedure; null restores the default handling. */
  HostErr (*setNotifyProc)(HostItem item, HostNotifyProc proc);
  /* Installs the item's track procedure; null restores the default tracking. */
  HostErr (*setTrackProc)(HostItem item, HostTrackProc proc);
  /* The host's own handling of a notification: the confirm (1) and cancel (2) buttons and a
   * dialog's default button end the modal dialog with their id; other items do nothing. */
  HostErr (*defaultNotify)(HostItem item, HostNotifier notifier);
  /* The host's own tracking of the pointer; returns whether the event was handled. */
  HostBool (*defaultTrack)(HostItem item, HostTracker tracker);
  /* Sends a notification of the named type to the item's notify procedure (or the default). */
  HostErr (*sendNotify)(HostItem item, const char *notifierType);
  /* Check box state. */
  HostBool (*getBooleanValue)(HostItem item);
  HostErr (*setBooleanValue)(HostItem item, HostBool value);
  /* Value as an integer (floats truncate toward zero). */
  int32_t (*getIntValue)(HostItem item);
  /* Sets the value; a spin edit clamps it to its range. */
  HostErr (*setIntValue)(HostItem item, int32_t value);
  /* Value as a real, rounded to the item's decimal places. */
  HostReal (*getFloatValue)(HostItem item);
  /* Sets the value; a spin edit clamps it to its range and holds it exactly (readings round). */
  HostErr (*setFloatValue)(HostItem item, HostReal value);
  /* Range limits; setting one clamps the value held. */
  HostErr (*setMinIntValue)(HostItem item, int32_t value);
  HostErr (*setMaxIntValue)(HostItem item, int32_t value);
  HostErr (*setMinFloatValue)(HostItem item, HostReal value);
  HostErr (*setMaxFloatValue)(HostItem item, HostReal value);
  HostReal (*getMinFloatValue)(HostItem item);
  HostReal (*getMaxFloatValue)(HostItem item);
  /* Units shown after a value (0 none). */
  HostErr (*setUnits)(HostItem item, int32_t units);
  /* Decimal places of a float value. */
  HostErr (*setPrecision)(HostItem item, int32_t places);
  /* The item's text. */
  HostErr (*setText)(HostItem item, const char *text);
  /* Copies the item's text, zero-terminated and cut to fit, into buffer (size bytes). */
  HostErr (*getText)(HostItem item, char *buffer, int32_t size);
  /* Text style: kFontDialog or kFontEmphasised. */
  HostErr (*setFont)(HostItem item, int32_t font);
  int32_t (*getFont)(HostItem item);
  /* Shows (non-zero) or hides the item. */
  HostErr (*show)(HostItem item, HostBool visible);
  HostBool (*isVisible)(HostItem item);
  /* Enables (non-zero) or disables the item. */
  HostErr (*enable)(HostItem item, HostBool enabled);
  HostBool (*isEnabled)(HostItem item);
  /* The list of a popup list item, or null; owned by the item. */
  HostList (*getList)(HostItem item);
} AdmItemSuite;

#ifdef __cplusplus
}
#endif

#endif
