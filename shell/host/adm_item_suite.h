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
  /* The dialog that owns the item; null for a stale item. [in modal] */
  HostDialog (*getDialog)(HostItem item);
  /* The item's id; 0 for a stale item. [in modal] */
  int32_t (*getID)(HostItem item);
  /* Installs the item's notify procedure; null restores the default handling. Fails:
   * kHostBadHandleErr for a stale item. [in modal] */
  HostErr (*setNotifyProc)(HostItem item, HostNotifyProc proc);
  /* Installs the item's track procedure; null restores the default tracking. Fails:
   * kHostBadHandleErr for a stale item. [in modal] */
  HostErr (*setTrackProc)(HostItem item, HostTrackProc proc);
  /* The host's own handling of a notification: the confirm (1) and cancel (2) buttons and a
   * dialog's default button end the modal dialog with their id; other items do nothing. Fails:
   * kHostBadHandleErr for a stale item or notifier. [in modal] */
  HostErr (*defaultNotify)(HostItem item, HostNotifier notifier);
  /* The host's own tracking of the pointer; returns whether the event was handled, 0 for a stale
   * item or tracker. [in modal] */
  HostBool (*defaultTrack)(HostItem item, HostTracker tracker);
  /* Sends a notification of the named type to the item's notify procedure (or the default).
   * Fails: kHostBadHandleErr for a stale item, kHostBadParameterErr for a null type or when
   * notifications are nested too deeply. [in modal] */
  HostErr (*sendNotify)(HostItem item, const char *notifierType);
  /* Check box state: whether the item's value is not 0; 0 for a stale item. [in modal] */
  HostBool (*getBooleanValue)(HostItem item);
  /* Sets the check box state. Fails: kHostBadHandleErr for a stale item, kHostBadParameterErr
   * for an item without a value, or a popup list without an entry at that index. [in modal] */
  HostErr (*setBooleanValue)(HostItem item, HostBool value);
  /* Value as an integer (floats truncate toward zero; a popup list's selected index); 0 for a
   * stale item. [in modal] */
  int32_t (*getIntValue)(HostItem item);
  /* Sets the value: a spin edit clamps it to its range, a check box takes any non-zero as 1, a
   * popup list selects the entry at that index. Fails: kHostBadHandleErr for a stale item,
   * kHostBadParameterErr for an item without a value (texts, buttons) or an index with no entry.
   * [in modal] */
  HostErr (*setIntValue)(HostItem item, int32_t value);
  /* Value as a real, rounded to the item's decimal places; 0 for a stale item. [in modal] */
  HostReal (*getFloatValue)(HostItem item);
  /* Sets the value as setIntValue does; a spin edit holds it exactly (readings round). Fails:
   * as setIntValue, and kHostBadParameterErr for NaN or a popup index that is not whole.
   * [in modal] */
  HostErr (*setFloatValue)(HostItem item, HostReal value);
  /* Sets the lower range limit, clamping a spin edit's value. Fails: kHostBadHandleErr for a
   * stale item. [in modal] */
  HostErr (*setMinIntValue)(HostItem item, int32_t value);
  /* Sets the upper range limit, clamping a spin edit's value. Fails: kHostBadHandleErr for a
   * stale item. [in modal] */
  HostErr (*setMaxIntValue)(HostItem item, int32_t value);
  /* Sets the lower range limit, clamping a spin edit's value. Fails: kHostBadHandleErr for a
   * stale item, kHostBadParameterErr for NaN. [in modal] */
  HostErr (*setMinFloatValue)(HostItem item, HostReal value);
  /* Sets the upper range limit, clamping a spin edit's value. Fails: kHostBadHandleErr for a
   * stale item, kHostBadParameterErr for NaN. [in modal] */
  HostErr (*setMaxFloatValue)(HostItem item, HostReal value);
  /* The lower range limit; 0 for a stale item. [in modal] */
  HostReal (*getMinFloatValue)(HostItem item);
  /* The upper range limit; 0 for a stale item. [in modal] */
  HostReal (*getMaxFloatValue)(HostItem item);
  /* Units shown after a value (0 none). Fails: kHostBadHandleErr for a stale item,
   * kHostBadParameterErr for a negative unit. [in modal] */
  HostErr (*setUnits)(HostItem item, int32_t units);
  /* Decimal places of a float value. Fails: kHostBadHandleErr for a stale item,
   * kHostBadParameterErr for places outside 0..15. [in modal] */
  HostErr (*setPrecision)(HostItem item, int32_t places);
  /* Sets the item's text; a spin edit's text is its value, as if typed. Fails:
   * kHostBadHandleErr for a stale item, kHostBadParameterErr for null text or, for a spin edit,
   * text that is not wholly a number. [in modal] */
  HostErr (*setText)(HostItem item, const char *text);
  /* Copies the item's text, zero-terminated and cut to fit, into buffer (size bytes). Fails:
   * kHostBadHandleErr for a stale item, kHostBadParameterErr for a null buffer or size <= 0; a
   * usable buffer holds "" after any failure. [in modal] */
  HostErr (*getText)(HostItem item, char *buffer, int32_t size);
  /* Sets the text style: kFontDialog or kFontEmphasised. Fails: kHostBadHandleErr for a stale
   * item, kHostBadParameterErr for a negative font. [in modal] */
  HostErr (*setFont)(HostItem item, int32_t font);
  /* The text style; 0 (kFontDialog) for a stale item. [in modal] */
  int32_t (*getFont)(HostItem item);
  /* Shows (non-zero) or hides the item. Fails: kHostBadHandleErr for a stale item. [in modal] */
  HostErr (*show)(HostItem item, HostBool visible);
  /* Whether the item is shown; 0 for a stale item. [in modal] */
  HostBool (*isVisible)(HostItem item);
  /* Enables (non-zero) or disables the item. Fails: kHostBadHandleErr for a stale item.
   * [in modal] */
  HostErr (*enable)(HostItem item, HostBool enabled);
  /* Whether the item is enabled; 0 for a stale item. [in modal] */
  HostBool (*isEnabled)(HostItem item);
  /* The list of a popup list item, owned by the item; null for other items and a stale item.
   * [in modal] */
  HostList (*getList)(HostItem item);
} AdmItemSuite;

#ifdef __cplusplus
}
#endif

#endif
