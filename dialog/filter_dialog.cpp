#include "dialog/filter_dialog.h"

#include "dialog/dialog_procs.h"
#include "dialog/popup_lists.h"
#include "shell/plugin_suites.h"

namespace fl {

namespace {

const char* typeName(DialogItemKind kind) {
  // clang-format off
  switch (kind) {
    case DialogItemKind::SpinEdit: return kItemSpinEdit;
    case DialogItemKind::StaticText: return kItemTextStatic;
    case DialogItemKind::PopupList: return kItemPopupList;
    case DialogItemKind::CheckBox: return kItemCheckBox;
    case DialogItemKind::PushButton: return kItemPushButton;
    case DialogItemKind::PictureButton: return kItemPicturePushButton;
  }
  // clang-format on
  return kItemTextStatic;
}

HostNotifyProc notifyProcFor(DialogProc proc) {
  // clang-format off
  switch (proc) {
    case DialogProc::Value: return valueNotifier;
    case DialogProc::Zoom: return zoomNotifier;
    case DialogProc::Preset: return presetNotifier;
    case DialogProc::Tumble: return tumbleNotifier;
    case DialogProc::FactorMode: return factorModeNotifier;
    case DialogProc::Page: return pageNotifier;
    case DialogProc::None:
    case DialogProc::Pick: break;
  }
  // clang-format on
  return nullptr;
}

void setRange(HostItem control, const DialogItem& item, int32_t swatchCount) {
  const BurstField& f = fieldOf(item);
  const double max = f.range == FieldRange::Swatches ? swatchCount : f.max;
  if (isFloatSpinEdit(item)) {
    sAdmItem->setMinFloatValue(control, static_cast<float>(f.min));
    sAdmItem->setMaxFloatValue(control, static_cast<float>(max));
  } else {
    sAdmItem->setMinIntValue(control, static_cast<int32_t>(f.min));
    sAdmItem->setMaxIntValue(control, static_cast<int32_t>(max));
  }
}

void createControl(HostDialog dialog, const DialogItem& item, const BurstParams* params, int32_t swatchCount) {
  HostItem control = sAdmDialog->createItem(dialog, item.id, typeName(item.kind), &item.rect, nullptr, nullptr);
  // clang-format off
  switch (item.kind) {
    case DialogItemKind::SpinEdit:
      showField(control, item, params);
      setRange(control, item, swatchCount);
      sAdmItem->setUnits(control, 0);
      if (isFloatSpinEdit(item)) sAdmItem->setPrecision(control, 2);
      break;
    case DialogItemKind::CheckBox:
      showField(control, item, params);
      sAdmItem->setText(control, item.text);
      break;
    case DialogItemKind::StaticText:
    case DialogItemKind::PushButton: sAdmItem->setText(control, item.text); break;
    case DialogItemKind::PopupList:  // its entries come once every item exists
    case DialogItemKind::PictureButton: break;
  }
  // clang-format on
  if (item.proc == DialogProc::Pick) {
    sAdmItem->setTrackProc(control, pickTracker);
  } else if (HostNotifyProc proc = notifyProcFor(item.proc)) {
    sAdmItem->setNotifyProc(control, proc);
  }
  if (item.page > 1) sAdmItem->show(control, 0);
}

void fillList(HostDialog dialog, const PopupList& entries, const BurstParams* params) {
  HostItem control = dialogItem(dialog, entries.itemId);
  HostList list = sAdmItem->getList(control);
  for (int32_t i = 0; i < entries.count(); ++i) {
    HostEntry entry = sAdmList->insertEntry(list, i);
    sAdmEntry->setText(entry, entries.text(i));
    sAdmEntry->setID(entry, i);
  }
  showField(control, *findDialogItem(entries.itemId), params);
}

}  // namespace

HostItem dialogItem(HostDialog dialog, int32_t id) { return sAdmDialog->getItem(dialog, id); }

void showField(HostItem control, const DialogItem& item, const BurstParams* params) {
  const int32_t offset = fieldOffset(item, params);
  switch (item.kind) {
    case DialogItemKind::SpinEdit:
      if (isFloatSpinEdit(item)) {
        sAdmItem->setFloatValue(control, floatField(params, offset));
      } else {
        sAdmItem->setIntValue(control, intField(params, offset));
      }
      break;
    case DialogItemKind::CheckBox:
      sAdmItem->setBooleanValue(control, intField(params, offset));
      break;
    case DialogItemKind::PopupList:
      sAdmEntry->select(sAdmList->getEntry(sAdmItem->getList(control), intField(params, offset)), 1);
      break;
    default:
      break;
  }
}

void readField(HostItem control, const DialogItem& item, BurstParams* params) {
  const int32_t offset = fieldOffset(item, params);
  switch (item.kind) {
    case DialogItemKind::SpinEdit:
      if (isFloatSpinEdit(item)) {
        setFloatField(params, offset, sAdmItem->getFloatValue(control));
      } else {
        setIntField(params, offset, sAdmItem->getIntValue(control));
      }
      break;
    case DialogItemKind::CheckBox:
      setIntField(params, offset, sAdmItem->getBooleanValue(control) ? 1 : 0);
      break;
    case DialogItemKind::PopupList:
      setIntField(params, offset, sAdmEntry->getID(sAdmList->getSelectedEntry(sAdmItem->getList(control))));
      break;
    default:
      break;
  }
}

void bringUpPage(HostDialog dialog, const BurstParams* params) {
  const int page = params->currentPage >= 1 && params->currentPage <= kPageCount ? params->currentPage : 1;
  sAdmItem->sendNotify(dialogItem(dialog, kPageLeadItems[page - 1]), kUserChangedNotifier);
  sAdmItem->sendNotify(dialogItem(dialog, pageTab(page)), kUserChangedNotifier);
}

HostErr initFilterDialog(HostDialog dialog) {
  auto* params = static_cast<BurstParams*>(sAdmDialog->getUserData(dialog));
  if (!params) return 0;  // nothing to show; the host's dialog stays empty
  if (params->dialogBoundsSaved) {
    HostIntRect bounds = {params->dialogLeft, params->dialogTop, params->dialogRight, params->dialogBottom};
    sAdmDialog->setBounds(dialog, &bounds);
  }
  // Counted once: the swatch spin edits keep this maximum for the life of the dialog.
  const int32_t swatchCount = sSwatches->countSwatches(nullptr);
  sAdmDialog->setSize(dialog, 600, 260);
  for (const DialogItem& item : kDialogItems) createControl(dialog, item, params, swatchCount);
  for (const PopupList& list : kPopupLists) fillList(dialog, list, params);
  bringUpPage(dialog, params);
  return 0;
}

}  // namespace fl
