/* Dialogs built from the plug-in's dialog resources. */
#ifndef FLARIMOND_ADM_DIALOG_SUITE_H
#define FLARIMOND_ADM_DIALOG_SUITE_H

#include "adm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kAdmDialogSuiteName "ADM Dialog Suite"
#define kAdmDialogSuiteVersion 3

/* Ending ids of a modal dialog. */
#define kDialogOkId 1     /* the default (confirm) action */
#define kDialogCancelId 2 /* the cancel action */

typedef struct AdmDialogSuite {
  /* Builds dialog resourceId of the plug-in, calls initProc, runs it modally and writes the id of
   * the item that ended it into *itemId. userData is the caller's and stays so. Fails:
   * kHostBadHandleErr for a plug-in ref not the caller's own, kHostNotFoundErr when the plug-in
   * has no such dialog resource, kHostBadParameterErr when too many dialogs are open already.
   * A dialog may be opened from inside another's procedures. [any time] */
  HostErr (*modal)(HostPluginRef plugin, const char *name, int32_t resourceId, int32_t style,
                   HostDialogInitProc initProc, void *userData, int32_t *itemId);
  /* Ends the running modal dialog with itemId once the current procedure returns.
   * Fails: kHostBadHandleErr for a stale dialog. [in modal] */
  HostErr (*endModal)(HostDialog dialog, int32_t itemId);
  /* The user data given to modal; null for a stale dialog. [in modal] */
  void *(*getUserData)(HostDialog dialog);
  /* Replaces the user data. Fails: kHostBadHandleErr for a stale dialog. [in modal] */
  HostErr (*setUserData)(HostDialog dialog, void *userData);
  /* The item with that id, or null (also for a stale dialog); owned by the dialog. [in modal] */
  HostItem (*getItem)(HostDialog dialog, int32_t itemId);
  /* Makes an item of the named type with rect (dialog coordinates) and calls initProc on it;
   * owned by the dialog. Returns null, and makes nothing, for a stale dialog, a null type or rect,
   * an unknown type or an id already in use. [in modal] */
  HostItem (*createItem)(HostDialog dialog, int32_t itemId, const char *typeName, const HostIntRect *rect,
                         HostItemInitProc initProc, void *userData);
  /* Sets the dialog's width and height, keeping its top left corner. The host keeps every
   * dialog wholly on its screen: setSize and setBounds move it, and cut it to the screen's size,
   * as far as they must. Fails: kHostBadHandleErr for a stale dialog, kHostBadParameterErr for a
   * negative width or height. [in modal] */
  HostErr (*setSize)(HostDialog dialog, int32_t width, int32_t height);
  /* Sets the dialog's position and size in screen coordinates. Fails: kHostBadHandleErr for a
   * stale dialog, kHostBadParameterErr for null bounds. [in modal] */
  HostErr (*setBounds)(HostDialog dialog, const HostIntRect *bounds);
  /* The dialog's position and size in screen coordinates. Fails: kHostBadHandleErr for a stale
   * dialog, kHostBadParameterErr for null bounds. [in modal] */
  HostErr (*getBounds)(HostDialog dialog, HostIntRect *bounds);
} AdmDialogSuite;

#ifdef __cplusplus
}
#endif

#endif
