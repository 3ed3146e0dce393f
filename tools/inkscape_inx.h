// The extension Inkscape shows under Extensions ▸ Render ▸ Flarimond: its descriptions (.inx),
// made from the filter dialog as the module shows it through the host, page by page, as the
// browser page learns it. Nothing here is typed from the plug-in: labels, ranges, precision, popup
// entries, defaults and the pages come from the dialog; dialog_layout.h says only which field each
// control edits.
#pragma once

#include <map>
#include <string>

#include "host_config.h"

namespace fltools {

// The program Inkscape runs for every effect of the extension (a link to `flarimond`, which acts
// as the effect when called by this name) and the files the extension is made of.
inline constexpr const char* kInkscapeCommand = "flarimond-inkscape";

// What each effect does; Inkscape hands it over as the hidden parameter --effect.
inline constexpr const char* kEffectNew = "new";
inline constexpr const char* kEffectEdit = "edit";
inline constexpr const char* kEffectVary = "vary";

// The parameters of New design that are not fields of the record.
inline constexpr const char* kPresetParam = "preset";  // "none" or a preset's position
inline constexpr const char* kSeedParam = "seed";
inline constexpr const char* kNoPreset = "none";
// Vary selected design: what changes.
inline constexpr const char* kVaryParam = "vary";  // "seed", "shuffle" or "tumble"

// File name → contents of every .inx of the extension, from the module `config` names.
// ToolError when the module cannot be loaded or its dialog does not run.
std::map<std::string, std::string> inkscapeInxFiles(const HostConfig& config);

}  // namespace fltools
