/* Procedure types and names shared by the dialog manager's suites. */
#ifndef FLARIMOND_ADM_TYPES_H
#define FLARIMOND_ADM_TYPES_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Item type names for createItem. */
#define kItemSpinEdit "ADM Spin Edit Type"
#define kItemTextStatic "ADM Text Static Type"
#define kItemPopupList "ADM Popup List Type"
#define kItemCheckBox "ADM Text Check Box Type"
#define kItemPushButton "ADM Text Push Button Type"
#define kItemPicturePushButton "ADM Picture Push Button Type"

/* The notification an item sends when its user changes it. */
#define kUserChangedNotifier "ADM User Changed Notifier"

/* Fonts for setFont. */
#define kFontDialog 0
#define kFontEmphasised 5

/* Tracker state word: the pick gesture completed (the button released over the artwork). */
#define kTrackerPickDone 0x20

/* Called once when a dialog has been built, before it is shown; the result is ignored. */
typedef HostErr (*HostDialogInitProc)(HostDialog dialog);
/* An item's own procedure for a notification; it may pass it on with defaultNotify. */
typedef void (*HostNotifyProc)(HostItem item, HostNotifier notifier);
/* An item's own procedure for pointer tracking; returns whether it handled the event. */
typedef HostBool (*HostTrackProc)(HostItem item, HostTracker tracker);
/* An item's own init procedure, run when it is created. */
typedef HostErr (*HostItemInitProc)(HostItem item);

#ifdef __cplusplus
}
#endif

#endif
