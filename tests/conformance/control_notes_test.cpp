// The command line's account of the dialog against the dialog itself: whenever the plug-in
// disables a control, the tool can say what enables it, and every control the tool has a rule for
// is one the plug-in disables somewhere; a script's "page N" brings up page N and no other.
#include <gtest/gtest.h>

#include <set>

#include "control_notes.h"
#include "dialog_actions.h"
#include "dialog/dialog_layout.h"
#include "host_fixture.h"

namespace fltest {
namespace {

using Kind = flhost::DialogAction::Kind;

class ControlNotesTest : public HostTest {};

TEST_F(ControlNotesTest, EveryControlThePluginDisablesHasItsRule) {
  startUp();
  std::set<int32_t> disabledSomewhere;
  // The 36 presets, then the record's defaults with each colour mode: between them every rule's
  // condition fails somewhere.
  for (int preset = 0; preset < 36; ++preset) {
    SCOPED_TRACE("preset " + std::to_string(preset));
    ASSERT_EQ(runDialog(defaults(),
                        [&](flhost::ModalSession& s) {
                          act(s, {{Kind::Choose, fl::kPresetItem, double(preset)}});
                          for (const flhost::Item* item : s.items()) {
                            if (item->enabled || !fl::findDialogItem(item->id)) continue;
                            disabledSomewhere.insert(item->id);
                            EXPECT_NE(fltools::enablingCondition(item->id), "") << "item " << item->id;
                          }
                        }),
              0);
  }
  for (const fl::EnablingRule& rule : fl::kEnablingRules) {
    for (int32_t id : rule.items) {
      if (id == 0) continue;
      EXPECT_TRUE(disabledSomewhere.count(id)) << "item " << id << " (" << rule.condition << ")";
    }
  }
}

TEST_F(ControlNotesTest, ScriptPagesPressTheirTabs) {
  startUp();
  for (int page = 1; page <= fl::kPageCount; ++page) {
    SCOPED_TRACE("page " + std::to_string(page));
    std::string error;
    auto actions = flhost::parseDialogScript("page " + std::to_string(page), &error, fltools::scriptKeywords());
    ASSERT_TRUE(actions && actions->size() == 1) << error;
    EXPECT_EQ(flhost::describeAction(actions->front()), "page " + std::to_string(page));
    ASSERT_EQ(runDialog(defaults(),
                        [&](flhost::ModalSession& s) {
                          ASSERT_EQ(s.apply(actions->front()), "");
                          for (const fl::DialogItem& item : fl::kDialogItems)
                            EXPECT_EQ(s.item(item.id)->visible, item.page == 0 || item.page == page) << item.id;
                        }),
              0);
    EXPECT_EQ(record().currentPage, page);
  }
  const struct {
    const char* script;
    const char* error;
  } bad[] = {
      {"page 0", "pages are numbered from 1"},
      {"page 8", "no tab item for page 8"},  // item 137 is the first page's label, not a tab
      {"page three", "\"three\" is not a page number"},
  };
  for (const auto& b : bad) {
    std::string why;
    EXPECT_FALSE(flhost::parseDialogScript(b.script, &why, fltools::scriptKeywords())) << b.script;
    EXPECT_NE(why.find(b.error), std::string::npos) << why;
  }
}

}  // namespace
}  // namespace fltest
