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
   * the item that ended it into *itemId. userData is the caller's and stays so. */
  HostErr (*modal)(HostPluginRef plugin, const char *name, int32_t resourceId, int32_t style,
                   HostDialogInitProc initProc, void *userData, int32_t *itemId);
  /* Ends the running modal dialog with itemId. */
  HostErr (*endModal)(HostDialog dialog, int32_t itemId);
  /* The user data given to modal. */
  void *(*getUserData)(HostDialog dialog);
  /* Replaces the user data. */
  HostErr (*setUserData)(HostDialog dialog, void *userData);
  /* The item with that id, or null; owned by the dialog. */
  HostItem (*getItem)(HostDialog dialog, int32_t itemId);
  /* Makes an item of the named type with rect (dialog coordinates); owned by the dialog. Returns
   * null for an unknown type or an id already in use. */
  HostItem (*createItem)(HostDialog dialog, int32_t itemId, const char *typeName,
                         const HostIntRect *rect, HostItemInitProc initProc, void *userData);
  /* Sets the dialog's width and height, keeping its top left corner. The host keeps every
   * dialog wholly on its screen: setSize and setBounds move it, and cut it to the screen's size,
   * as far as they must. */
  HostErr (*setSize)(HostDialog dialog, int32_t width, int32_t height);
  /* Sets the dialog's position and size in screen coordinates. */
  HostErr (*setBounds)(HostDialog dialog, const HostIntRect *bounds);
  /* The dialog's position and size in screen coordinates. */
  HostErr (*getBounds)(HostDialog dialog, HostIntRect *bounds);
} AdmDialogSuite;

#ifdef __cplusplus
}
#endif

#endif
