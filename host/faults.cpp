#include "faults.h"

namespace flhost {

void Faults::failOn(std::string op, uint64_t nth, HostErr code) {
  uint64_t at = count(op) + (nth == 0 ? 1 : nth);
  faults_.push_back({std::move(op), at, code});
}

HostErr Faults::enter(std::string_view op) {
  auto cached = byAddress_.find(op.data());
  Counter it;
  if (cached != byAddress_.end() && cached->second->first == op) {
    it = cached->second;
  } else {
    it = counts_.find(op);
    if (it == counts_.end()) it = counts_.emplace(std::string(op), 0).first;
    byAddress_[op.data()] = it;
  }
  uint64_t n = ++it->second;
  if (faults_.empty()) return 0;
  for (Fault& f : faults_)
    if (!f.fired && f.atCall == n && f.op == op) {
      f.fired = true;
      return f.code;
    }
  return 0;
}

uint64_t Faults::count(std::string_view op) const {
  auto it = counts_.find(op);
  return it == counts_.end() ? 0 : it->second;
}

bool Faults::pending() const {
  for (const Fault& f : faults_)
    if (!f.fired) return true;
  return false;
}

const std::vector<std::string_view>& operationNames() {
  static const std::vector<std::string_view> names = {
      "basic.acquireSuite", "basic.releaseSuite", "basic.isEqual",
      "blocks.allocateBlock", "blocks.freeBlock",
      "access.getModulePath",
      "memory.newHandle", "memory.disposeHandle", "memory.getHandleSize",
      "math.divide", "math.degreeToRadian", "math.radianToDegree", "math.pointAngle",
      "math.matrixSetIdentity", "math.matrixSetTranslate", "math.matrixConcatTranslate",
      "math.matrixConcatScale", "math.matrixConcatRotate", "math.matrixTransformPoint",
      "art.newArt", "art.duplicateArt", "art.disposeArt", "art.getArtType", "art.getArtBounds",
      "user.textToReal", "user.realToText",
      "document.getDocumentSetup", "document.redrawDocument", "document.getDocumentColorModel",
      "view.countViews", "view.getNthView", "view.getViewCenter", "view.getViewZoom", "view.setViewZoom",
      "view.viewPointToArtworkPoint", "view.artworkPointToViewPoint",
      "undo.undoChanges",
      "path.getPathSegmentCount", "path.setPathSegmentCount", "path.getPathSegments",
      "path.setPathSegments", "path.getPathClosed", "path.setPathClosed",
      "pathStyle.getPathStyle", "pathStyle.setPathStyle", "pathStyle.interpolatePathStyle",
      "random.floatRandom",
      "blend.getOpacity", "blend.setOpacity",
      "swatches.countSwatches", "swatches.getNthSwatch", "swatches.getSwatchColor", "swatches.getSwatchName",
      "transform.transformArt",
      "artStyle.countNamedArtStyles", "artStyle.getNthNamedArtStyle", "artStyle.applyArtStyle",
      "artStyle.getArtStyleName",
      "menu.updateMenuItemAutomatically",
      "filter.addFilter", "filter.getFilterMenuItem",
      "admBasic.getIndexString", "admBasic.messageAlert",
      "dialog.modal", "dialog.endModal", "dialog.getUserData", "dialog.setUserData", "dialog.getItem",
      "dialog.createItem", "dialog.setSize", "dialog.setBounds", "dialog.getBounds",
      "item.getDialog", "item.getID", "item.setNotifyProc", "item.setTrackProc", "item.defaultNotify",
      "item.defaultTrack", "item.sendNotify", "item.getBooleanValue", "item.setBooleanValue",
      "item.getIntValue", "item.setIntValue", "item.getFloatValue", "item.setFloatValue",
      "item.setMinIntValue", "item.setMaxIntValue", "item.setMinFloatValue", "item.setMaxFloatValue",
      "item.getMinFloatValue", "item.getMaxFloatValue", "item.setUnits", "item.setPrecision",
      "item.setText", "item.getText", "item.setFont", "item.getFont", "item.show", "item.isVisible",
      "item.enable", "item.isEnabled", "item.getList",
      "icon.getIconSize",
      "notifier.getItem", "notifier.isNotifierType",
      "list.insertEntry", "list.getEntry", "list.getSelectedEntry", "list.numberOfEntries",
      "entry.setText", "entry.getText", "entry.setID", "entry.getID", "entry.getIndex", "entry.select",
      "entry.isSelected",
      "tracker.getPoint", "tracker.getAction", "tracker.getModifiers",
  };
  return names;
}

}  // namespace flhost
