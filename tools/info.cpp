// presets, info, about and inspect: what the program, the module and the program's files say
// about themselves.
#include <CLI/CLI.hpp>
#include <iostream>

#include "command_options.h"
#include "design_file.h"
#include "dialog_actions.h"
#include "faults.h"
#include "host_run.h"
#include "param_file.h"
#include "progress.h"

namespace fltools {

namespace {

std::string fourChars(int32_t code) {
  auto u = static_cast<uint32_t>(code);
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) {
    auto c = static_cast<unsigned char>(u >> shift);
    if (c >= ' ' && c < 127) {
      s += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      s += hex;
    }
  }
  return s;
}

HostConfig moduleOnly(const std::string& module, const char* argv0) {
  HostArgs a;
  a.module = module;
  return parseHostOptions(a, argv0);
}

}  // namespace

int runPresets() {
  std::vector<std::string> names = presetNames();
  for (size_t i = 0; i < names.size(); ++i) std::cout << i << "  " << names[i] << "\n";
  return kExitOk;
}

int runInfo(const std::string& module, const char* argv0) {
  HostConfig config = moduleOnly(module, argv0);
  RunPlan plan;
  plan.afterStartup = [&](flhost::Session& session) {
    const flhost::PluginPropertyList& pipl = session.propertyList();
    std::cout << "module: " << displayPath(config.module) << "\n";
    std::cout << "property list: kind '" << fourChars(pipl.kind) << "', interface version " << pipl.interfaceVersion
              << ", entry \"" << pipl.entryName << "\"\n";
    if (session.filters().empty()) std::cout << "filter: none registered\n";
    for (const flhost::RegisteredFilter& f : session.filters())
      std::cout << "filter: category \"" << f.category << "\", title \"" << f.title << "\", name \"" << f.name
                << "\"\n";
    const std::vector<std::string>& suites = session.suites().everAcquired();
    std::cout << "suites acquired during startup (" << suites.size() << "):\n";
    for (const std::string& key : suites) {
      size_t slash = key.rfind('/');
      if (slash == std::string::npos)
        std::cout << "  " << key << "\n";
      else
        std::cout << "  " << key.substr(0, slash) << " (version " << key.substr(slash + 1) << ")\n";
    }
  };
  HostRun run = runPlugin(config, plan);
  const auto& names = flhost::operationNames();
  std::cout << "host operations for --fail (" << names.size() << "):\n";
  for (std::string_view name : names) std::cout << "  " << name << "\n";
  return run.ok ? kExitOk : kExitPluginError;
}

int runAbout(const std::string& module, const char* argv0) {
  RunPlan plan;
  plan.about = true;
  plan.printAbout = true;
  HostRun run = runPlugin(moduleOnly(module, argv0), plan);
  if (run.ok && run.aboutBoxes == 0) {
    diagnostics() << "flarimond: the plug-in showed no About box\n";
    return kExitPluginError;
  }
  return run.ok ? kExitOk : kExitPluginError;
}

int runInspect(const std::filesystem::path& file, bool asJson) {
  std::vector<FoundDesign> designs = readDesigns(file, diagnostics());
  for (const FoundDesign& found : designs) {
    const DesignRecord& d = found.design;
    if (asJson) {
      std::cout << designJson(d) << "\n";
      continue;
    }
    std::cout << displayPath(file) << ": design " << found.id;
    if (d.tile) std::cout << ", tile " << *d.tile;
    std::cout << ": drawn by " << d.program << "\n";
    std::cout << "  seed " << *d.random.seed << "; the drawing began after " << d.random.drawsBefore
              << (d.random.drawsBefore == 1 ? " draw" : " draws");
    if (!d.random.firstDraws.empty()) std::cout << "; first draws " << drawsText(d.random.firstDraws);
    std::cout << "\n  document: " << documentSummary(d.document) << "\n";
    if (d.art) {
      std::cout << "  art: " << d.art->paths << (d.art->paths == 1 ? " path" : " paths");
      if (found.artMatches == true) std::cout << ", as the file holds them";
      if (found.artMatches == false)
        std::cout << "; the file's art is no longer that (" << found.pathsFound
                  << (found.pathsFound == 1 ? " path" : " paths") << ", moved, recoloured or edited since)";
      std::cout << "\n";
    }
    std::cout << "  record:\n" << paramsToJson(d.record);
  }
  return kExitOk;
}

Command addInspectCommand(CLI::App& app) {
  auto file = std::make_shared<std::filesystem::path>();
  auto asJson = std::make_shared<bool>(false);
  CLI::App* cmd = app.add_subcommand("inspect", "Show what made a design: what a flarimond SVG, PNG or JSON\ncarries");
  cmd->add_option("FILE", *file, "The .svg, .png, .pdf or .json to read")->required();
  cmd->add_flag("--json", *asJson, "Print each design's description as one line of JSON");
  cmd->footer(std::string("Every document render and apply write carries its design: the record, the seed and\n"
                          "how many draws the random source had given when the drawing began, the document\n"
                          "options, the program's version and a digest of the art it drew. Each design is\n"
                          "listed with its id (in an SVG, the id of the group it sits on, where that tells it\n"
                          "apart; else its number in the file) and, for a sheet's tile, the tile's number;\n"
                          "'render --from FILE --design ID' (or --tile N) draws it again. In an SVG the art\n"
                          "beside each design is compared with the digest.\n\n") +
              kExitCodesHelp);
  return {cmd, [file, asJson](const char*) { return runInspect(*file, *asJson); }};
}

Command addPresetsCommand(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand("presets", "List the dialog's style presets");
  return {cmd, [](const char*) { return runPresets(); }};
}

Command addInfoCommand(CLI::App& app) {
  auto module = std::make_shared<std::string>();
  CLI::App* cmd = app.add_subcommand("info",
                                     "Show the module's property list, its filter, the suites it\n"
                                     "acquires at startup and the operations --fail can name");
  cmd->add_option("--module", *module, "The plug-in module to load (see below)")->type_name("PATH");
  cmd->footer(std::string(kModuleHelp) + "\n" + kExitCodesHelp);
  return {cmd, [module](const char* argv0) { return runInfo(*module, argv0); }};
}

Command addAboutCommand(CLI::App& app) {
  auto module = std::make_shared<std::string>();
  CLI::App* cmd = app.add_subcommand("about", "Show the texts of the plug-in's About box");
  cmd->add_option("--module", *module, "The plug-in module to load (see below)")->type_name("PATH");
  cmd->footer(std::string(kModuleHelp) + "\n" + kExitCodesHelp);
  return {cmd, [module](const char* argv0) { return runAbout(*module, argv0); }};
}

}  // namespace fltools
