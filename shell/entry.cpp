// The entry point: routing of the host's messages, the suite table held for each call, the
// persistent globals block and the registration of the filter.
#include <cstdio>
#include <cstring>

#include "burst/generate.h"
#include "params/get_parameters.h"
#include "shell/errors.h"
#include "shell/entry.h"
#include "shell/plugin_suites.h"

namespace fl {

const BlocksSuite* sBlocks;
const AccessSuite* sAccess;
const MemorySuite* sMemory;
const RealMathSuite* sMath;
const ArtSuite* sArt;
const UserSuite* sUser;
const DocumentSuite* sDocument;
const DocumentViewSuite* sView;
const UndoSuite* sUndo;
const PathSuite* sPath;
const PathStyleSuite* sPathStyle;
const RandomSuite* sRandom;
const BlendStyleSuite* sBlend;
const SwatchListSuite* sSwatches;
const TransformArtSuite* sTransform;
const ArtStyleSuite* sArtStyle;
const MenuSuite* sMenu;
const FilterSuite* sFilter;
const AdmBasicSuite* sAdmBasic;
const AdmDialogSuite* sAdmDialog;
const AdmItemSuite* sAdmItem;
const AdmIconSuite* sAdmIcon;
const AdmNotifierSuite* sAdmNotifier;
const AdmListSuite* sAdmList;
const AdmEntrySuite* sAdmEntry;
const AdmTrackerSuite* sAdmTracker;

PluginGlobals* gGlobals;

namespace {

struct SuiteRow {
  const char* name;
  int32_t version;
  const void** slot;
};

template <class T>
const void** slotOf(const T** slot) {
  return reinterpret_cast<const void**>(slot);
}

// Acquired and released in this order, first row to last, for every call that holds the table.
const SuiteRow kSuiteTable[] = {
    {kBlocksSuiteName, kBlocksSuiteVersion, slotOf(&sBlocks)},
    {kAccessSuiteName, kAccessSuiteVersion, slotOf(&sAccess)},
    {kMemorySuiteName, kMemorySuiteVersion, slotOf(&sMemory)},
    {kRealMathSuiteName, kRealMathSuiteVersion, slotOf(&sMath)},
    {kArtSuiteName, kArtSuiteVersion, slotOf(&sArt)},
    {kUserSuiteName, kUserSuiteVersion, slotOf(&sUser)},
    {kDocumentSuiteName, kDocumentSuiteVersion, slotOf(&sDocument)},
    {kDocumentViewSuiteName, kDocumentViewSuiteVersion, slotOf(&sView)},
    {kUndoSuiteName, kUndoSuiteVersion, slotOf(&sUndo)},
    {kPathSuiteName, kPathSuiteVersion, slotOf(&sPath)},
    {kPathStyleSuiteName, kPathStyleSuiteVersion, slotOf(&sPathStyle)},
    {kRandomSuiteName, kRandomSuiteVersion, slotOf(&sRandom)},
    {kBlendStyleSuiteName, kBlendStyleSuiteVersion, slotOf(&sBlend)},
    {kSwatchListSuiteName, kSwatchListSuiteVersion, slotOf(&sSwatches)},
    {kTransformArtSuiteName, kTransformArtSuiteVersion, slotOf(&sTransform)},
    {kArtStyleSuiteName, kArtStyleSuiteVersion, slotOf(&sArtStyle)},
    {kMenuSuiteName, kMenuSuiteVersion, slotOf(&sMenu)},
    {kFilterSuiteName, kFilterSuiteVersion, slotOf(&sFilter)},
    {kAdmBasicSuiteName, kAdmBasicSuiteVersion, slotOf(&sAdmBasic)},
    {kAdmDialogSuiteName, kAdmDialogSuiteVersion, slotOf(&sAdmDialog)},
    {kAdmItemSuiteName, kAdmItemSuiteVersion, slotOf(&sAdmItem)},
    {kAdmIconSuiteName, kAdmIconSuiteVersion, slotOf(&sAdmIcon)},
    {kAdmNotifierSuiteName, kAdmNotifierSuiteVersion, slotOf(&sAdmNotifier)},
    {kAdmListSuiteName, kAdmListSuiteVersion, slotOf(&sAdmList)},
    {kAdmEntrySuiteName, kAdmEntrySuiteVersion, slotOf(&sAdmEntry)},
    {kAdmTrackerSuiteName, kAdmTrackerSuiteVersion, slotOf(&sAdmTracker)},
};
static_assert(sizeof kSuiteTable / sizeof kSuiteTable[0] == 26, "26 suites");

// Calls of PluginMain in progress that hold the suite table; nested calls (the host calling back
// while the filter's dialog is open) work with the outer call's suites.
int16_t suiteNesting = 0;

HostErr acquireSuites(const BasicSuite* basic) {
  HostErr code = 0;
  if (suiteNesting == 0) {
    for (const SuiteRow& row : kSuiteTable) {
      code = basic->acquireSuite(row.name, row.version, row.slot);
      if (code != 0) {
        // Before the dialog manager's basic suite is held there is no way to show an alert: the
        // code alone goes back to the host, and the message is not routed.
        *row.slot = nullptr;
        if (sAdmBasic) {
          char text[256];
          std::snprintf(text, sizeof text, "Suite Loading Error: %d, suite: %s, version: %d!", static_cast<int>(code),
                        row.name, static_cast<int>(row.version));
          sAdmBasic->messageAlert(text);
        }
        break;
      }
    }
  }
  ++suiteNesting;
  return code;
}

HostErr releaseSuites(const BasicSuite* basic) {
  HostErr code = 0;
  if (suiteNesting == 1) {
    for (const SuiteRow& row : kSuiteTable) {
      if (!*row.slot) continue;
      code = basic->releaseSuite(row.name, row.version);
      if (code != 0) break;
      *row.slot = nullptr;
    }
  }
  --suiteNesting;
  return code;
}

HostErr registerFilter(HostMessage* message) {
  char category[65] = {};
  char title[65] = {};
  sAdmBasic->getIndexString(message->plugin, kFilterStringList, 1, category, sizeof category);
  if (category[0] == 0) {
    gGlobals->filterCount = 0;
    return 0;
  }
  sAdmBasic->getIndexString(message->plugin, kFilterStringList, 2, title, sizeof title);
  toLengthPrefixed(category);
  toLengthPrefixed(title);
  HostFilterTitle names = {reinterpret_cast<const unsigned char*>(category),
                           reinterpret_cast<const unsigned char*>(title)};
  if (HostErr e = sFilter->addFilter(message->plugin, kFilterName, &names, 0, &gGlobals->filterHandle)) return e;
  HostMenuItem item = nullptr;
  if (HostErr e = sFilter->getFilterMenuItem(gGlobals->filterHandle, &item)) return e;
  if (HostErr e = sMenu->updateMenuItemAutomatically(item, 1, 0, 0, 0, 0, 1, 0)) return e;
  gGlobals->filterCount = 1;
  return 0;
}

HostErr startup(HostMessage* message) {
  void* block = nullptr;
  if (HostErr e = sBlocks->allocateBlock(kPluginGlobalsSize, "globals", &block)) return e;
  gGlobals = static_cast<PluginGlobals*>(block);
  gGlobals->hostBasic = message->basic;
  return registerFilter(message);
}

HostErr shutdown(HostMessage* message) {
  HostErr code = message->basic->acquireSuite(kBlocksSuiteName, kBlocksSuiteVersion, slotOf(&sBlocks));
  if (code == 0) {
    sBlocks->freeBlock(gGlobals);
    gGlobals = nullptr;
    message->basic->releaseSuite(kBlocksSuiteName, kBlocksSuiteVersion);
  }
  message->globals = nullptr;
  return code;
}

bool is(const BasicSuite* basic, const char* a, const char* b) { return basic->isEqual(a, b) != 0; }

HostErr route(const char* caller, const char* selector, void* message) {
  auto* m = static_cast<HostMessage*>(message);
  const BasicSuite* basic = m->basic;
  if (is(basic, caller, kCallerInterface)) {
    if (is(basic, selector, kSelectorStartup)) return startup(m);
    if (is(basic, selector, kSelectorAbout)) {
      showAboutBox(m);
      return 0;
    }
    if (is(basic, selector, kSelectorShutdown)) return shutdown(m);
    return 0;
  }
  if (is(basic, caller, kCallerMenu)) {
    if (is(basic, selector, kSelectorMenuGo)) return kNotHandled;
    return 0;
  }
  if (is(basic, caller, kCallerFilter)) {
    auto* filterMessage = static_cast<FilterMessage*>(message);
    if (is(basic, selector, kSelectorGetParameters)) {
      // Only this plug-in's one filter gets a dialog. A message for another filter is answered as
      // a cancel: no dialog, no error shown, and the host sends no Go after it.
      if (gGlobals && filterMessage->filter == gGlobals->filterHandle) return getParameters(filterMessage);
      return kUserCancelled;
    }
    // The final drawing's own code is reported: a failed drawing must not pass for success.
    if (is(basic, selector, kSelectorFilterGo)) return go(filterMessage);
    return 0;
  }
  return 0;
}

}  // namespace
}  // namespace fl

extern "C" FL_EXPORT HostErr PluginMain(const char* caller, const char* selector, void* message) {
  using namespace fl;
  auto* m = static_cast<HostMessage*>(message);
  const BasicSuite* basic = m->basic;
  if (basic->isEqual(caller, kCallerAccess)) {
    if (basic->isEqual(selector, kSelectorUnload)) {
      m->globals = gGlobals;
    } else if (basic->isEqual(selector, kSelectorReload)) {
      suiteNesting = 0;
      gGlobals = static_cast<PluginGlobals*>(m->globals);
    }
    return 0;
  }
  HostErr code = acquireSuites(basic);
  if (code == 0) code = route(caller, selector, message);
  if (code != 0 && code != kHostSuiteNotFoundErr) reportError(m, code);
  releaseSuites(basic);
  return code;
}
