/* The entry point and the message records the host passes to it.
 *
 * Every host request is one call PluginMain(caller, selector, message). The message record's kind
 * follows from the caller: "SP Access" and "SP Interface" pass a HostMessage, "AI Filter" a
 * FilterMessage, "AI Menu" a MenuMessage. All records start with a HostMessage.
 */
#ifndef FLARIMOND_PLUGIN_MESSAGES_H
#define FLARIMOND_PLUGIN_MESSAGES_H

#include "basic_suite.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Callers and selectors. */
#define kCallerAccess "SP Access"
#define kSelectorUnload "Unload"
#define kSelectorReload "Reload"
#define kCallerInterface "SP Interface"
#define kSelectorStartup "Startup"
#define kSelectorAbout "About"
#define kSelectorShutdown "Shutdown"
#define kCallerMenu "AI Menu"
#define kSelectorMenuGo "AI Go"
#define kSelectorMenuUpdate "AI Update"
#define kCallerFilter "AI Filter"
#define kSelectorGetParameters "AI Get Parameters"
#define kSelectorFilterGo "AI Go"

typedef struct HostMessage {
  const BasicSuite *basic; /* valid for the duration of the call */
  HostPluginRef plugin;    /* names the plug-in to string lookups, registration and dialogs */
  void *globals;           /* kept by the host for the plug-in between unload and reload */
} HostMessage;

typedef struct FilterMessage {
  HostMessage d;
  HostFilter filter;        /* the filter the message is for */
  HostMemHandle parameters; /* the filter's parameter block; null until the plug-in makes one */
} FilterMessage;

typedef struct MenuMessage {
  HostMessage d;
  HostMenuItem menuItem;
} MenuMessage;

/* The module's one export. Returns 0 or an error code. */
typedef HostErr (*PluginMainProc)(const char *caller, const char *selector, void *message);

#ifdef __cplusplus
}
#endif

#endif
