// Plain copies of a running dialog, for exports and front ends (ModalSession::dump).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dialog_model.h"

namespace flhost {

struct EntryDump {
  std::string text;
  int32_t id = 0;
  bool selected = false;
};

struct ItemDump {
  int32_t id = 0;
  ItemKind kind = ItemKind::StaticText;
  std::string typeName;
  std::string text;  // as displayed (a spin edit's formatted reading)
  HostIntRect rect{};
  bool visible = true;
  bool enabled = true;
  int32_t font = kFontDialog;
  double value = 0;                // Item::reading()
  std::optional<double> minValue;  // none when unbounded
  std::optional<double> maxValue;
  int32_t decimals = 0;
  int32_t units = 0;
  bool hasNotifyProc = false;
  bool hasTrackProc = false;
  std::vector<EntryDump> entries;
  int32_t selectedIndex = -1;
};

struct DialogDump {
  int32_t resourceId = 0;
  std::string name;
  std::string caption;
  std::string fontName;
  int fontSize = 0;
  HostIntRect bounds{};
  bool ended = false;
  int32_t endingId = 0;
  std::vector<ItemDump> items;
};

}  // namespace flhost
