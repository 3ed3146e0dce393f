// What the dialog does when the user works it: the value, zoom, factor-mode and page notifiers,
// the enabling rules and the pick tracker.
#include <cstdint>

#include "dialog/dialog_procs.h"
#include "shell/plugin_suites.h"

namespace fl {

namespace {

void applyEnablingRules(HostDialog dialog, const BurstParams& params) {
  for (const EnablingRule& rule : kEnablingRules) {
    const HostBool enabled = rule.holds(params) ? 1 : 0;
    for (int32_t id : rule.items) {
      if (id == 0) break;
      sAdmItem->enable(dialogItem(dialog, id), enabled);
    }
  }
}

// trunc toward zero into 32 bits; a pick far off the page saturates instead of overflowing.
int32_t truncToInt(float x) {
  if (x != x) return 0;
  if (x <= -2147483648.0f) return INT32_MIN;
  if (x >= 2147483648.0f) return INT32_MAX;
  return static_cast<int32_t>(x);
}

// Stores what the pick makes of the artwork point in the field of the button's spin edit, and
// shows it there. No range check: the spin edit limits only what it shows and gives back.
void storePick(HostDialog dialog, const DialogItem& button, HostView view, HostRealPoint picked, BurstParams* params) {
  const DialogItem& spin = *findDialogItem(button.target);
  const int32_t offset = fieldOffset(spin, params);
  // clang-format off
  switch (button.pick) {
    case PickValue::WholeTenthOfX: setIntField(params, offset, truncToInt(picked.h * 0.1f)); break;
    case PickValue::X: setFloatField(params, offset, picked.h); break;
    case PickValue::Y: setFloatField(params, offset, picked.v); break;
    case PickValue::TenthOfX: setFloatField(params, offset, picked.h * 0.1f); break;
    case PickValue::Angle: {
      HostRealPoint centre = {0.0f, 0.0f};
      sView->getViewCenter(view, &centre);
      setFloatField(params, offset, sMath->radianToDegree(sMath->pointAngle(&picked, &centre)));
      break;
    }
    case PickValue::None: return;
  }
  // clang-format on
  showField(dialogItem(dialog, spin.id), spin, params);
}

}  // namespace

void valueNotifier(HostItem item, HostNotifier notifier) {
  HostDialog dialog = sAdmItem->getDialog(item);
  auto* params = static_cast<BurstParams*>(sAdmDialog->getUserData(dialog));
  if (!params) return;
  sAdmItem->defaultNotify(item, notifier);
  params->finalRun = 0;
  for (int32_t id : kValueReadOrder) readField(dialogItem(dialog, id), *findDialogItem(id), params);
  applyEnablingRules(dialog, *params);
  previewDesign(params);
}

// Zooming only changes how the document is seen, so the preview is not drawn again.
void zoomNotifier(HostItem item, HostNotifier) {
  HostDialog dialog = sAdmItem->getDialog(item);
  auto* params = static_cast<BurstParams*>(sAdmDialog->getUserData(dialog));
  if (!params) return;
  readField(dialogItem(dialog, kZoomItem), *findDialogItem(kZoomItem), params);
  HostView view = nullptr;
  sView->getNthView(0, &view);
  sView->setViewZoom(view, params->viewZoom * 0.01f);
}

// Switching the member the factor spin edits show changes no value of the design, so nothing is
// re-read or drawn; the next value change writes the spin edits into the member they now show.
void factorModeNotifier(HostItem item, HostNotifier notifier) {
  HostDialog dialog = sAdmItem->getDialog(item);
  auto* params = static_cast<BurstParams*>(sAdmDialog->getUserData(dialog));
  if (!params) return;
  sAdmItem->defaultNotify(item, notifier);
  readField(dialogItem(dialog, kFactorModeItem), *findDialogItem(kFactorModeItem), params);
  for (const DialogItem& factor : kDialogItems)
    if (factor.factorPair) showField(dialogItem(dialog, factor.id), factor, params);
}

void pageNotifier(HostItem item, HostNotifier) {
  HostDialog dialog = sAdmItem->getDialog(item);
  auto* params = static_cast<BurstParams*>(sAdmDialog->getUserData(dialog));
  if (!params) return;
  for (int n = 1; n <= kPageCount; ++n) sAdmItem->setFont(dialogItem(dialog, pageLabel(n)), kFontDialog);
  // A notification from anything but a tab shows no page at all.
  int shown = sAdmItem->getID(item) - pageTab(0);
  if (shown >= 1 && shown <= kPageCount) {
    params->currentPage = shown;
    sAdmItem->setFont(dialogItem(dialog, pageLabel(shown)), kFontEmphasised);
  } else {
    shown = 0;
  }
  for (int n = 1; n <= kPageCount; ++n)
    for (int32_t member : kPageMembers[n - 1]) {
      if (member == 0) break;
      sAdmItem->show(dialogItem(dialog, member), n == shown ? 1 : 0);
    }
}

HostBool pickTracker(HostItem item, HostTracker tracker) {
  HostDialog dialog = sAdmItem->getDialog(item);
  auto* params = static_cast<BurstParams*>(sAdmDialog->getUserData(dialog));
  if (!params) return 1;
  // Only a completed pick sets a value; every other event still re-reads and re-shows the page.
  if (sAdmTracker->getModifiers(nullptr) & kTrackerPickDone) {
    sAdmItem->defaultTrack(item, tracker);
    HostViewPoint at = {0, 0};
    sAdmTracker->getPoint(nullptr, &at);
    HostView view = nullptr;
    sView->getNthView(0, &view);
    HostRealPoint picked = {0.0f, 0.0f};
    sView->viewPointToArtworkPoint(view, &at, &picked);
    const DialogItem* button = findDialogItem(sAdmItem->getID(item));
    if (button && button->proc == DialogProc::Pick) storePick(dialog, *button, view, picked, params);
  }
  bringUpPage(dialog, params);
  return 1;
}

}  // namespace fl
