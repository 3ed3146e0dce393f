#include "dialog_model.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "adm_dialog_suite.h"

namespace flhost {
namespace {

// Decimal places beyond this are finer than a double can tell apart.
constexpr int32_t kMaxDecimals = 15;

struct KindNames {
  ItemKind kind;
  std::string_view typeName;
  std::string_view label;
};

constexpr std::array<KindNames, 6> kKindNames = {{
    {ItemKind::SpinEdit, kItemSpinEdit, "spin edit"},
    {ItemKind::StaticText, kItemTextStatic, "static text"},
    {ItemKind::PopupList, kItemPopupList, "popup list"},
    {ItemKind::CheckBox, kItemCheckBox, "check box"},
    {ItemKind::PushButton, kItemPushButton, "push button"},
    {ItemKind::PictureButton, kItemPicturePushButton, "picture button"},
}};

const KindNames& namesOf(ItemKind kind) {
  for (const auto& names : kKindNames) {
    if (names.kind == kind) return names;
  }
  return kKindNames[1];
}

double roundTo(double v, int32_t decimals) {
  if (!std::isfinite(v)) return v;
  const double scale = std::pow(10.0, std::clamp(decimals, 0, kMaxDecimals));
  const double scaled = v * scale;
  // Past 2^52 every double is already a whole number of the last place.
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 4503599627370496.0) return v;
  return std::round(scaled) / scale;
}

}  // namespace

int32_t saturatingTrunc(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}

int32_t saturatingRound(double v) { return saturatingTrunc(std::round(v)); }

std::string_view itemTypeName(ItemKind kind) { return namesOf(kind).typeName; }

std::string_view itemKindLabel(ItemKind kind) { return namesOf(kind).label; }

std::optional<ItemKind> itemKindFromTypeName(std::string_view typeName) {
  for (const auto& names : kKindNames) {
    if (names.typeName == typeName) return names.kind;
  }
  return std::nullopt;
}

// ---- Item

HostErr Item::setValue(double v) {
  if (std::isnan(v)) return kHostBadParameterErr;
  // clang-format off
  switch (kind) {
    case ItemKind::SpinEdit: value_ = std::min(std::max(v, minimum_), maximum_); return kHostNoErr;
    case ItemKind::CheckBox: value_ = v != 0 ? 1 : 0; return kHostNoErr;
    case ItemKind::PopupList:
      if (v < 0 || v >= static_cast<double>(entries.size()) || v != std::trunc(v)) return kHostBadParameterErr;
      select(*entries[static_cast<size_t>(v)], true);
      return kHostNoErr;
    default: return kHostBadParameterErr;
  }
  // clang-format on
}

HostErr Item::setMinimum(double v) {
  if (std::isnan(v)) return kHostBadParameterErr;
  minimum_ = v;
  if (kind == ItemKind::SpinEdit) value_ = std::min(std::max(value_, minimum_), maximum_);
  return kHostNoErr;
}

HostErr Item::setMaximum(double v) {
  if (std::isnan(v)) return kHostBadParameterErr;
  maximum_ = v;
  if (kind == ItemKind::SpinEdit) value_ = std::min(std::max(value_, minimum_), maximum_);
  return kHostNoErr;
}

double Item::reading() const {
  // clang-format off
  switch (kind) {
    case ItemKind::SpinEdit: return roundTo(value_, decimals);
    case ItemKind::CheckBox: return value_;
    case ItemKind::PopupList: return selectedIndex();
    default: return 0;
  }
  // clang-format on
}

int32_t Item::intReading() const {
  // clang-format off
  switch (kind) {
    case ItemKind::SpinEdit:
    case ItemKind::CheckBox: return saturatingTrunc(value_);
    case ItemKind::PopupList: return selectedIndex();
    default: return 0;
  }
  // clang-format on
}

std::string Item::displayText() const {
  if (kind != ItemKind::SpinEdit) return text;
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.*f", static_cast<int>(std::clamp(decimals, 0, kMaxDecimals)), reading());
  return buffer;
}

ListEntry* Item::selectedEntry() const {
  for (const auto& e : entries) {
    if (e->selected) return e.get();
  }
  return nullptr;
}

int32_t Item::selectedIndex() const {
  const ListEntry* selected = selectedEntry();
  return selected ? indexOf(*selected) : -1;
}

void Item::select(ListEntry& entry, bool selected) {
  if (!selected) {
    entry.selected = false;
    return;
  }
  for (auto& e : entries) e->selected = e.get() == &entry;
}

int32_t Item::indexOf(const ListEntry& entry) const {
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].get() == &entry) return static_cast<int32_t>(i);
  }
  return -1;
}

Item* Dialog::find(int32_t id) const {
  const auto it = byId_.find(id);
  return it == byId_.end() ? nullptr : it->second;
}

}  // namespace flhost
