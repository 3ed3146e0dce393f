// The plug-in's view of the host: one slot per row of the suite table, filled for the length of
// each host call (entry.cpp). Every part of the plug-in reaches the host only through these.
#pragma once

#include "shell/host/suites.h"
#include "shell/module_ids.h"

namespace fl {

extern const BlocksSuite* sBlocks;
extern const AccessSuite* sAccess;
extern const MemorySuite* sMemory;
extern const RealMathSuite* sMath;
extern const ArtSuite* sArt;
extern const UserSuite* sUser;
extern const DocumentSuite* sDocument;
extern const DocumentViewSuite* sView;
extern const UndoSuite* sUndo;
extern const PathSuite* sPath;
extern const PathStyleSuite* sPathStyle;
extern const RandomSuite* sRandom;
extern const BlendStyleSuite* sBlend;
extern const SwatchListSuite* sSwatches;
extern const TransformArtSuite* sTransform;
extern const ArtStyleSuite* sArtStyle;
extern const MenuSuite* sMenu;
extern const FilterSuite* sFilter;
extern const AdmBasicSuite* sAdmBasic;
extern const AdmDialogSuite* sAdmDialog;
extern const AdmItemSuite* sAdmItem;
extern const AdmIconSuite* sAdmIcon;
extern const AdmNotifierSuite* sAdmNotifier;
extern const AdmListSuite* sAdmList;
extern const AdmEntrySuite* sAdmEntry;
extern const AdmTrackerSuite* sAdmTracker;

// What every matrix starts as before the host fills it: the real-maths matrix operations return
// nothing, and one that fails leaves the matrix as it was.
constexpr HostMatrix kIdentityMatrix = {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};

// The plug-in's persistent block, allocated by the host at start-up (24 bytes; the rest of the
// block is never touched).
struct PluginGlobals {
  HostFilter filterHandle;
  int32_t filterCount;
  const BasicSuite* hostBasic;
};
static_assert(sizeof(PluginGlobals) <= 24, "the globals block is 24 bytes");
constexpr int32_t kPluginGlobalsSize = 24;

extern PluginGlobals* gGlobals;

}  // namespace fl
