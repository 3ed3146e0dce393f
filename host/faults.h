// Call counting and fault injection for every host operation.
//
// Each suite function announces itself before it does anything; the host counts the call and,
// when a fault was set for that call, the function returns the chosen code without touching any
// state. Operations have fixed indexes in kOperationNames: a suite function names itself with a
// literal ("art.newArt", "item.setText", ...) that HostOp turns into its index at compile time
// (an unknown name does not compile), so counting a call is one array increment, and the armed
// faults are looked at only while there are any.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host_types.h"

namespace flhost {

// The names of every operation the host supplies, "suite.operation", in suite order.
// clang-format off
inline constexpr std::array kOperationNames = {
    std::string_view("basic.acquireSuite"), std::string_view("basic.releaseSuite"), std::string_view("basic.isEqual"),
    std::string_view("blocks.allocateBlock"), std::string_view("blocks.freeBlock"),
    std::string_view("access.getModulePath"),
    std::string_view("memory.newHandle"), std::string_view("memory.disposeHandle"),
    std::string_view("memory.getHandleSize"),
    std::string_view("math.divide"), std::string_view("math.degreeToRadian"), std::string_view("math.radianToDegree"),
    std::string_view("math.pointAngle"), std::string_view("math.matrixSetIdentity"),
    std::string_view("math.matrixSetTranslate"), std::string_view("math.matrixConcatTranslate"),
    std::string_view("math.matrixConcatScale"), std::string_view("math.matrixConcatRotate"),
    std::string_view("math.matrixTransformPoint"),
    std::string_view("art.newArt"), std::string_view("art.duplicateArt"), std::string_view("art.disposeArt"),
    std::string_view("art.getArtType"), std::string_view("art.getArtBounds"),
    std::string_view("user.textToReal"), std::string_view("user.realToText"),
    std::string_view("document.getDocumentSetup"), std::string_view("document.redrawDocument"),
    std::string_view("document.getDocumentColorModel"),
    std::string_view("view.countViews"), std::string_view("view.getNthView"), std::string_view("view.getViewCenter"),
    std::string_view("view.getViewZoom"), std::string_view("view.setViewZoom"),
    std::string_view("view.viewPointToArtworkPoint"), std::string_view("view.artworkPointToViewPoint"),
    std::string_view("undo.undoChanges"),
    std::string_view("path.getPathSegmentCount"), std::string_view("path.setPathSegmentCount"),
    std::string_view("path.getPathSegments"), std::string_view("path.setPathSegments"),
    std::string_view("path.getPathClosed"), std::string_view("path.setPathClosed"),
    std::string_view("pathStyle.getPathStyle"), std::string_view("pathStyle.setPathStyle"),
    std::string_view("pathStyle.interpolatePathStyle"),
    std::string_view("random.floatRandom"),
    std::string_view("blend.getOpacity"), std::string_view("blend.setOpacity"),
    std::string_view("swatches.countSwatches"), std::string_view("swatches.getNthSwatch"),
    std::string_view("swatches.getSwatchColor"), std::string_view("swatches.getSwatchName"),
    std::string_view("transform.transformArt"),
    std::string_view("artStyle.countNamedArtStyles"), std::string_view("artStyle.getNthNamedArtStyle"),
    std::string_view("artStyle.applyArtStyle"), std::string_view("artStyle.getArtStyleName"),
    std::string_view("menu.updateMenuItemAutomatically"),
    std::string_view("filter.addFilter"), std::string_view("filter.getFilterMenuItem"),
    std::string_view("admBasic.getIndexString"), std::string_view("admBasic.messageAlert"),
    std::string_view("dialog.modal"), std::string_view("dialog.endModal"), std::string_view("dialog.getUserData"),
    std::string_view("dialog.setUserData"), std::string_view("dialog.getItem"), std::string_view("dialog.createItem"),
    std::string_view("dialog.setSize"), std::string_view("dialog.setBounds"), std::string_view("dialog.getBounds"),
    std::string_view("item.getDialog"), std::string_view("item.getID"), std::string_view("item.setNotifyProc"),
    std::string_view("item.setTrackProc"), std::string_view("item.defaultNotify"), std::string_view("item.defaultTrack"),
    std::string_view("item.sendNotify"), std::string_view("item.getBooleanValue"),
    std::string_view("item.setBooleanValue"), std::string_view("item.getIntValue"), std::string_view("item.setIntValue"),
    std::string_view("item.getFloatValue"), std::string_view("item.setFloatValue"),
    std::string_view("item.setMinIntValue"), std::string_view("item.setMaxIntValue"),
    std::string_view("item.setMinFloatValue"), std::string_view("item.setMaxFloatValue"),
    std::string_view("item.getMinFloatValue"), std::string_view("item.getMaxFloatValue"),
    std::string_view("item.setUnits"), std::string_view("item.setPrecision"), std::string_view("item.setText"),
    std::string_view("item.getText"), std::string_view("item.setFont"), std::string_view("item.getFont"),
    std::string_view("item.show"), std::string_view("item.isVisible"), std::string_view("item.enable"),
    std::string_view("item.isEnabled"), std::string_view("item.getList"),
    std::string_view("icon.getIconSize"),
    std::string_view("notifier.getItem"), std::string_view("notifier.isNotifierType"),
    std::string_view("list.insertEntry"), std::string_view("list.getEntry"), std::string_view("list.getSelectedEntry"),
    std::string_view("list.numberOfEntries"),
    std::string_view("entry.setText"), std::string_view("entry.getText"), std::string_view("entry.setID"),
    std::string_view("entry.getID"), std::string_view("entry.getIndex"), std::string_view("entry.select"),
    std::string_view("entry.isSelected"),
    std::string_view("tracker.getPoint"), std::string_view("tracker.getAction"), std::string_view("tracker.getModifiers"),
};
// clang-format on

inline constexpr size_t kOperationCount = kOperationNames.size();

// The index of operation `name`, or kOperationCount when there is none.
constexpr size_t operationIndex(std::string_view name) {
  for (size_t i = 0; i < kOperationCount; ++i)
    if (kOperationNames[i] == name) return i;
  return kOperationCount;
}

// An operation named by a literal, resolved when the program is compiled.
struct HostOp {
  consteval HostOp(const char* name) : index(static_cast<uint16_t>(operationIndex(name))) {
    if (index >= kOperationCount) throw "not a host operation";  // a compile error, never thrown
  }
  uint16_t index;
};

class Faults {
 public:
  // Makes operation `op` fail with `code` on its nth call (1-based), counting from now on. A name
  // that is no operation's never fires (and stays pending).
  void failOn(std::string_view op, uint64_t nth, HostErr code);
  // Counts a call of `op`; returns the injected code for this call, or 0.
  HostErr enter(HostOp op) {
    uint64_t n = ++counts_[op.index];
    return armed_ == 0 ? kHostNoErr : fire(op.index, n);
  }
  uint64_t count(std::string_view op) const;
  // Starts every count again from 0 (a test can count the calls of one step).
  void resetCounts() { counts_.fill(0); }
  // Whether any injected fault has not fired yet (a test can check its fault was reached).
  bool pending() const;

 private:
  struct Fault {
    size_t op;  // kOperationCount for a name that is no operation's
    uint64_t atCall;
    HostErr code;
    bool fired = false;
  };
  HostErr fire(size_t op, uint64_t n);

  std::array<uint64_t, kOperationCount> counts_{};
  std::vector<Fault> faults_;
  size_t armed_ = 0;  // faults that can still fire
};

// kOperationNames as a list.
std::span<const std::string_view> operationNames();

}  // namespace flhost
