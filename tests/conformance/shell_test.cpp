// The entry point as the host sees it: routing, the suite table, the globals block, registration,
// the error dialog and the About box.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>
#ifdef FLARIMOND_PROGRAM
#include <sys/wait.h>
#endif

#include "conformance/host_fixture.h"
#include "conformance/module_copy.h"
#include "shell/module_ids.h"

namespace fltest {
namespace {

constexpr HostErr code(const char (&c)[5]) { return HOST_FOURCC(c[0], c[1], c[2], c[3]); }

// The plug-in's suite table, row by row: acquired and released in this order.
struct SuiteRow {
  const char* name;
  int version;
};
const SuiteRow kSuiteRows[26] = {
    {"SP Blocks Suite", 2},      {"SP Access Suite", 3},        {"AI MdMemory Suite", 1},
    {"AI Real Math Suite", 1},   {"AI Art Suite", 9},           {"AI User Suite", 5},
    {"AI Document Suite", 7},    {"AI Document View Suite", 7}, {"AI Undo Suite", 4},
    {"AI Path Suite", 4},        {"AI Path Style Suite", 5},    {"AI Random Suite", 3},
    {"AI Blend Style Suite", 2}, {"AI Swatch List Suite", 4},   {"AI Transform Art Suite", 1},
    {"AI Art Style Suite", 3},   {"AI Menu Suite", 7},          {"AI Filter Suite", 2},
    {"ADM Basic Suite", 2},      {"ADM Dialog Suite", 3},       {"ADM Item Suite", 4},
    {"ADM Icon Suite", 1},       {"ADM Notifier Suite", 1},     {"ADM List Suite", 1},
    {"ADM Entry Suite", 2},      {"ADM Tracker Suite", 1},
};
std::string rowKey(int row) {
  return std::string(kSuiteRows[row].name) + "/" + std::to_string(kSuiteRows[row].version);
}

// A host for a changed copy of the module, with the test's user at its dialogs; null on failure.
std::unique_ptr<flhost::Session> openCopy(const std::filesystem::path& copy, TestUser& user) {
  flhost::SessionOptions options;
  options.modulePath = copy;
  std::string error;
  auto s = flhost::Session::open(options, &error);
  EXPECT_TRUE(s) << error;
  if (s) s->dialogs().setDriver(&user);
  return s;
}

const char* kMemoryMessage = "The filter cannot complete because there isn't enough memory (RAM) available.";

TEST_F(HostTest, StartupRegistersTheOneFilter) {
  startUp();
  const flhost::RegisteredFilter& f = host().filters()[0];
  EXPECT_EQ(f.name, "VL08_Flarimond");
  EXPECT_EQ(f.category, "ZUN <Create>");
  EXPECT_EQ(f.title, "Flarimond...");
  EXPECT_EQ(host().faults().count("menu.updateMenuItemAutomatically"), 1u);
  EXPECT_EQ(host().faults().count("blocks.allocateBlock"), 1u);
  EXPECT_EQ(host().suites().heldCount(), 0);
  std::vector<std::string> rows;
  for (int row = 0; row < 26; ++row) rows.push_back(rowKey(row));
  EXPECT_EQ(host().suites().everAcquired(), rows);
  EXPECT_EQ(f.options, 0);
  EXPECT_EQ(f.menuCriteria, (std::vector<int32_t>{1, 0, 0, 0, 0, 1, 0}));
}

TEST_F(HostTest, RoutingAnswersEveryMessage) {
  startUp();
  struct Case {
    const char* caller;
    const char* selector;
    HostErr result;
    uint64_t acquisitions;
  };
  // Every row of the routing table (Startup aside: it is every test's first call). Shutdown takes
  // the blocks suite once more, on top of the table's 26.
  const Case cases[] = {
      {"SP Access", "Unload", 0, 0},
      {"SP Access", "Reload", 0, 0},
      {"SP Access", "Something", 0, 0},
      {"SP Interface", "About", 0, 26},
      {"SP Interface", "Something", 0, 26},
      {"AI Menu", "AI Go", fl::kNotHandled, 26},
      {"AI Menu", "AI Update", 0, 26},
      {"AI Menu", "Something", 0, 26},
      {"AI Filter", "AI Get Parameters", 0, 26},
      {"AI Filter", "AI Go", 0, 26},
      {"AI Filter", "Something", 0, 26},
      {"Someone", "AI Go", 0, 26},
      {"SP Interface", "Shutdown", 0, 27},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.caller) + "/" + c.selector);
    uint64_t before = host().faults().count("basic.acquireSuite");
    const uint64_t releasedBefore = host().faults().count("basic.releaseSuite");
    EXPECT_EQ(host().send(c.caller, c.selector), c.result);
    EXPECT_EQ(host().faults().count("basic.acquireSuite") - before, c.acquisitions);
    EXPECT_EQ(host().faults().count("basic.releaseSuite") - releasedBefore, c.acquisitions);
    EXPECT_EQ(host().suites().heldCount(), 0);
  }
  EXPECT_EQ(user().aboutTexts.size(), 8u);
  EXPECT_EQ(user().filterDialogs, 1);
  EXPECT_EQ(arts(), 10u);  // the dialog's preview, kept by Go
  EXPECT_EQ(host().heldGlobals(), nullptr);
  // Only the menu Go is an error, and it is shown once.
  ASSERT_EQ(user().errors.size(), 1u);
  EXPECT_EQ(user().errors[0].message, "The selection is not valid for this filter.");
  EXPECT_EQ(user().errors[0].code, "!sel");
}

// Go made to fail with each code of the error list, and with codes it does not name.
TEST_F(HostTest, ErrorDialogFindsTheMessageForEachCode) {
  startUp();
  setRecord(defaults());
  struct Case {
    HostErr code;
    const char* message;  // null: no dialog
    const char* codeText;
  };
  const Case cases[] = {
      {-108, kMemoryMessage, "-108"},
      {271, kMemoryMessage, "271"},
      {code("SEGM"), "The filter cannot complete because a layer is locked or invisible.", "SEGM"},
      {code("NESS"), "The filter cannot complete because a path has too many anchor points.", "NESS"},
      {code("!sel"), "The selection is not valid for this filter.", "!sel"},
      {code("!MEM"), "The filter cannot complete because of an unknown error.", "!MEM"},
      {-50, "The filter cannot complete because of an unknown error.", "-50"},
      {65535, "The filter cannot complete because of an unknown error.", "65535"},
      {-65536, "The filter cannot complete because of an unknown error.", "-65536"},
      // Past 16 bits a code is shown as its four bytes: 65536 starts with a zero byte.
      {65536, "The filter cannot complete because of an unknown error.", ""},
      {-65537, "The filter cannot complete because of an unknown error.", "\xFF\xFE\xFF\xFF"},
      {code("Oops"), "The filter cannot complete because of an unknown error.", "Oops"},
      {fl::kUserCancelled, nullptr, nullptr},
      {code("S!Fd"), nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    user().errors.clear();
    host().faults().failOn("art.newArt", 1, c.code);
    // The final drawing's failure reaches the host and the user.
    EXPECT_EQ(host().go(), c.code);
    if (!c.message) {
      EXPECT_TRUE(user().errors.empty());
      continue;
    }
    ASSERT_EQ(user().errors.size(), 1u);
    EXPECT_EQ(user().errors[0].message, c.message);
    EXPECT_EQ(user().errors[0].code, c.codeText);
    EXPECT_TRUE(user().errors[0].okHasProc);
  }
}

// The error list is read into 256 bytes: a code text or a message longer than 255 characters is
// cut there. So "SEGM" followed by 296 more characters is still the code 'SEGM' (whole, the text
// could not even be made length-prefixed), and its message shows its first 255 characters. A code
// text that starts with a digit, 0 included, is a number ("0271" is 271); any other is four
// characters, digits after the first included ("N3SS").
TEST_F(HostTest, ErrorTextsAreReadUpTo255CharactersAndDigitsAreNumbers) {
  const std::string codeText = "SEGM" + std::string(296, 'x');
  std::string message;
  for (int i = 0; message.size() < 300; ++i) message += "part" + std::to_string(i) + " ";
  message.resize(300);
  auto copy = moduleCopy("long-error-texts", [&](flhost::ResourceSet& set) {
    // String ids 16048 to 16063: the list starts at 16050.
    set.add(
        uint16_t{6}, 1004, 1033,
        stringBlock({"", "", "<Mac strings begin at index 1>", "-108", kMemoryMessage, "0271", kMemoryMessage, codeText,
                     message, "N3SS", "The filter cannot complete because a path has too many anchor points.", "!sel",
                     "The selection is not valid for this filter.", "<Others>",
                     "The filter cannot complete because of an unknown error."}));
  });
  ASSERT_FALSE(copy.empty());
  auto s = openCopy(copy, user());
  ASSERT_TRUE(s);
  ASSERT_EQ(s->startup(), 0);
  const BurstParams p = defaults();
  s->memory().setParameters(
      std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(&p), reinterpret_cast<const uint8_t*>(&p + 1)));
  s->faults().failOn("art.newArt", 1, code("SEGM"));
  EXPECT_EQ(s->go(), code("SEGM"));
  s->faults().failOn("art.newArt", 1, 271);
  EXPECT_EQ(s->go(), 271);
  s->faults().failOn("art.newArt", 1, code("N3SS"));
  EXPECT_EQ(s->go(), code("N3SS"));
  ASSERT_EQ(user().errors.size(), 3u);
  EXPECT_EQ(user().errors[0].message, message.substr(0, 255));
  EXPECT_EQ(user().errors[0].code, "SEGM");
  EXPECT_EQ(user().errors[1].message, kMemoryMessage);
  EXPECT_EQ(user().errors[1].code, "271");
  EXPECT_EQ(user().errors[2].message, "The filter cannot complete because a path has too many anchor points.");
  EXPECT_EQ(user().errors[2].code, "N3SS");
}

TEST_F(HostTest, ShutdownFreesTheGlobalsBlock) {
  startUp();
  EXPECT_EQ(host().shutdown(), 0);
  EXPECT_EQ(host().heldGlobals(), nullptr);
  EXPECT_EQ(host().faults().count("blocks.freeBlock"), 1u);
  EXPECT_EQ(host().suites().heldCount(), 0);
}

TEST_F(HostTest, UnloadAndReloadKeepTheGlobals) {
  startUp();
  ASSERT_EQ(host().getParameters(), 0);
  uint64_t acquisitions = host().faults().count("basic.acquireSuite");
  ASSERT_EQ(host().unloadAndReload(), 0);
  EXPECT_NE(host().heldGlobals(), nullptr);
  EXPECT_EQ(host().faults().count("basic.acquireSuite"), acquisitions);  // access messages hold nothing
  // The reloaded plug-in still knows its filter, and calls hold and release the table again.
  ASSERT_EQ(host().getParameters(), 0);
  EXPECT_EQ(user().filterDialogs, 2);
  EXPECT_EQ(host().go(), 0);
  // Each confirmed dialog kept its preview as a design.
  EXPECT_EQ(arts(), 20u);
  EXPECT_EQ(host().suites().heldCount(), 0);
}

TEST_F(HostTest, AModuleGoneAtReloadIsReportedNotCalled) {
  auto copy = moduleCopy("reload-gone", [](flhost::ResourceSet&) {});
  ASSERT_FALSE(copy.empty());
  auto s = openCopy(copy, user());
  ASSERT_TRUE(s);
  ASSERT_EQ(s->startup(), 0);
  std::error_code ec;
  if (!std::filesystem::remove(copy, ec)) GTEST_SKIP() << "a loaded module cannot be removed on this system";
  HostErr reload = s->unloadAndReload();
  if (reload == 0) GTEST_SKIP() << "the system kept the module loaded";
  EXPECT_EQ(reload, kHostNotFoundErr);
  EXPECT_NE(s->heldGlobals(), nullptr);  // still the host's to keep
  EXPECT_EQ(s->go(), kHostNotFoundErr);
  EXPECT_EQ(s->shutdown(), kHostNotFoundErr);
  EXPECT_EQ(s->callDepth(), 0);
}

TEST_F(HostTest, AboutBoxShowsItsProductLines) {
  startUp();
  EXPECT_EQ(host().about(), 0);
  ASSERT_EQ(user().aboutTexts.size(), 8u);
  EXPECT_NE(user().aboutTexts[0].find("Flarimond"), std::string::npos);
  EXPECT_TRUE(user().aboutOkHasProc);
}

// Each of the three dialogs is opened modally by its own name and resource, with style 0.
TEST_F(HostTest, EachDialogIsOpenedByItsNameAndResource) {
  startUp();
  EXPECT_EQ(host().about(), 0);
  setRecord(defaults());
  host().faults().failOn("art.newArt", 1, code("SEGM"));
  EXPECT_EQ(host().go(), code("SEGM"));
  EXPECT_EQ(host().getParameters(), 0);
  using M = TestUser::ModalOpened;
  EXPECT_EQ(user().modals,
            (std::vector<M>{{16050, "About Dialog", 0}, {16051, "Error Dialog", 0}, {16100, "VL08_Flarimond", 0}}));
}

TEST_F(HostTest, NestedCallsWorkWithTheOuterCallsSuites) {
  startUp();
  int heldInside = -1;
  uint64_t acquiredInside = 0;
  user().onFilterDialog = [&](flhost::ModalSession&) {
    uint64_t before = host().faults().count("basic.acquireSuite");
    EXPECT_EQ(host().about(), 0);
    acquiredInside = host().faults().count("basic.acquireSuite") - before;
    heldInside = host().suites().heldCount();
  };
  EXPECT_EQ(host().getParameters(), 0);
  EXPECT_EQ(acquiredInside, 0u);
  EXPECT_EQ(heldInside, 26);
  EXPECT_EQ(user().aboutTexts.size(), 8u);
  EXPECT_EQ(host().suites().heldCount(), 0);
  // The next call acquires the whole table afresh.
  uint64_t before = host().faults().count("basic.acquireSuite");
  EXPECT_EQ(host().menuUpdate(), 0);
  EXPECT_EQ(host().faults().count("basic.acquireSuite") - before, 26u);
}

// A suite the host cannot supply, at each row of the table: the message is not routed, every suite
// acquired is given back, and the alert appears once the dialog manager's basic suite is held.
TEST_F(HostTest, AcquisitionFailureAtEveryRow) {
  for (int row = 0; row < 26; ++row) {
    for (HostErr failure : {code("S!Fd"), HostErr{-108}}) {
      SCOPED_TRACE("row " + std::to_string(row) + " code " + std::to_string(failure));
      open();
      host().faults().failOn("basic.acquireSuite", static_cast<uint64_t>(row) + 1, failure);
      EXPECT_EQ(host().startup(), failure);
      EXPECT_TRUE(host().filters().empty());
      EXPECT_EQ(host().suites().heldCount(), 0);
      if (row > 18) {
        ASSERT_EQ(user().alerts.size(), 1u);
        EXPECT_EQ(user().alerts[0], "Suite Loading Error: " + std::to_string(failure) +
                                        ", suite: " + kSuiteRows[row].name +
                                        ", version: " + std::to_string(kSuiteRows[row].version) + "!");
      } else {
        EXPECT_TRUE(user().alerts.empty());
      }
      // The error dialog needs the dialog and item suites; 'S!Fd' is never shown.
      bool dialogShown = failure != code("S!Fd") && row > 20;
      EXPECT_EQ(user().errors.size(), dialogShown ? 1u : 0u);
    }
  }
}

TEST_F(HostTest, FailedReleaseStopsTheWalkButNotTheAnswer) {
  startUp();
  // The walk goes from the first row to the last: a failure at the fifth release keeps rows 4 to 25.
  for (int failed : {1, 5, 26}) {
    SCOPED_TRACE(failed);
    open();
    startUp();
    host().faults().failOn("basic.releaseSuite", static_cast<uint64_t>(failed), -1);
    EXPECT_EQ(host().menuUpdate(), 0);
    std::map<std::string, int> kept;
    for (int row = failed - 1; row < 26; ++row) kept[rowKey(row)] = 1;
    EXPECT_EQ(host().suites().held(), kept);
  }
}

TEST_F(HostTest, EmptyCategoryRegistersNoFilter) {
  auto copy = moduleCopy("empty-category", [](flhost::ResourceSet& set) {
    set.add(uint16_t{6}, 1001, 1033, stringBlock({"<First Mac index is 1>", "", "Flarimond..."}));
  });
  ASSERT_FALSE(copy.empty());
  auto s = openCopy(copy, user());
  ASSERT_TRUE(s);
  EXPECT_EQ(s->startup(), 0);
  EXPECT_TRUE(s->filters().empty());
  EXPECT_EQ(s->faults().count("filter.addFilter"), 0u);
  // The globals block (which the host gave out cleared, and which Unload hands over) holds the
  // basic suite and nothing else: no filter handle, and a filter count of 0.
  ASSERT_EQ(s->send("SP Access", "Unload"), 0);
  ASSERT_NE(s->heldGlobals(), nullptr);
  std::vector<uint8_t> globals(static_cast<const uint8_t*>(s->heldGlobals()),
                               static_cast<const uint8_t*>(s->heldGlobals()) + 24);
  const BasicSuite* basic = s->message().basic;
  size_t pointers = 0;
  for (size_t at = 0; at + sizeof basic <= globals.size(); at += alignof(const BasicSuite*)) {
    if (std::memcmp(globals.data() + at, &basic, sizeof basic) != 0) continue;
    std::fill_n(globals.begin() + static_cast<std::ptrdiff_t>(at), sizeof basic, uint8_t{0});
    ++pointers;
  }
  EXPECT_EQ(pointers, 1u);
  EXPECT_EQ(globals, std::vector<uint8_t>(24, 0));
#ifdef FLARIMOND_PROGRAM
  // With no menu entry there is nothing for the program to run: it draws nothing and says why.
  const std::filesystem::path out = copy.parent_path() / "design.json", record = copy.parent_path() / "p.bin";
  const BurstParams p = defaults();
  std::ofstream(record, std::ios::binary).write(reinterpret_cast<const char*>(&p), sizeof p);
  for (const char* command : {"render", "apply"}) {
    SCOPED_TRACE(command);
    std::string line = std::string("'") + FLARIMOND_PROGRAM + "' " + command + " --module '" + copy.string() +
                       "' --params '" + record.string() + "' --seed 1 -o '" + out.string() + "'";
    FILE* pipe = popen((line + " 2>&1").c_str(), "r");
    ASSERT_TRUE(pipe);
    std::string said;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) said += buffer;
    const int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << said;
    EXPECT_NE(said.find("registered no filter"), std::string::npos) << said;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
#endif
}

TEST_F(HostTest, DamagedPropertyListIsRefusedBeforeLoading) {
  struct Case {
    const char* name;
    std::function<void(flhost::ResourceSet&)> change;
    const char* expect;
  };
  auto piplOf = [](flhost::ResourceSet& set) { return *set.find(flhost::ResourceId(std::string("PIPL")), 16000); };
  const Case cases[] = {
      {"missing",
       [](flhost::ResourceSet& set) {
         flhost::ResourceSet without;
         for (const auto& [key, data] : set.entries())
           if (key.type != flhost::ResourceId(std::string("PIPL")))
             without.add(key.type, std::get<uint16_t>(key.name), key.language, data);
         set = without;
       },
       "property list"},
      {"kind",
       [&](flhost::ResourceSet& set) {
         auto bytes = piplOf(set);
         bytes[10 + 16] = 'X';  // first data byte of 'kind'
         set.add(std::string("PIPL"), 16000, 1033, bytes);
       },
       "kind"},
      {"version",
       [&](flhost::ResourceSet& set) {
         auto bytes = piplOf(set);
         bytes[10 + 20 + 16] = 3;  // 'ivrs' data
         set.add(std::string("PIPL"), 16000, 1033, bytes);
       },
       "version"},
      {"truncated",
       [&](flhost::ResourceSet& set) {
         auto bytes = piplOf(set);
         bytes.resize(bytes.size() - 6);
         set.add(std::string("PIPL"), 16000, 1033, bytes);
       },
       "property list"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto copy = moduleCopy(std::string("pipl-") + c.name, c.change);
    ASSERT_FALSE(copy.empty());
    flhost::SessionOptions options;
    options.modulePath = copy;
    std::string error;
    EXPECT_FALSE(flhost::Session::open(options, &error));
    EXPECT_NE(error.find("refused"), std::string::npos) << error;
  }
}

TEST_F(HostTest, GetParametersForAnotherFilterRunsNoDialog) {
  startUp();
  HostFilter stranger = host().filterHandle(7);
  EXPECT_EQ(host().getParameters(stranger), fl::kUserCancelled);
  EXPECT_EQ(user().filterDialogs, 0);
  EXPECT_TRUE(user().errors.empty());
}

}  // namespace
}  // namespace fltest
