#include "page_contract.h"

#include <nlohmann/json.hpp>

#include "adm_types.h"
#include "dialog_model.h"
#include "document_geometry.h"

namespace fltools {

std::string pageContractScript() {
  using flhost::ItemKind;
  using nlohmann::json;
  // The page's word for each kind of item: the class it styles and the control it makes.
  const std::pair<ItemKind, const char*> kinds[] = {
      {ItemKind::SpinEdit, "spin"},  {ItemKind::StaticText, "static"}, {ItemKind::PopupList, "popup"},
      {ItemKind::CheckBox, "check"}, {ItemKind::PushButton, "push"},   {ItemKind::PictureButton, "picture"},
  };
  json itemKinds = json::object();
  for (const auto& [kind, word] : kinds) itemKinds[std::string(flhost::itemTypeName(kind))] = word;
  json parts = json::array();
  for (const flhost::GeometryPart& p : flhost::kGeometryParts)
    parts.push_back({{"name", p.name}, {"type", p.type}, {"count", p.count}, {"per", p.per}});
  const json contract = {
      {"headers", {{"token", kTokenHeader}, {"revision", kRevisionHeader}, {"history", kHistoryHeader}}},
      {"itemKinds", std::move(itemKinds)},
      {"fontEmphasised", kFontEmphasised},
      {"geometry",
       {{"type", kGeometryType},
        {"closed", flhost::kGeometryClosed},
        {"none", flhost::kGeometryNone},
        {"parts", std::move(parts)}}},
  };
  return "// What the page and the host agree on, made by the host (tools/page_contract.h).\n"
         "'use strict';\n"
         "self.FlarimondContract = Object.freeze(" +
         contract.dump() + ");\n";
}

}  // namespace fltools
