// The command line's account of the dialog's enabling rules against the dialog itself: whenever
// the plug-in disables a control, the tool can say what enables it, and every control the tool
// has a rule for is one the plug-in disables somewhere.
#include <gtest/gtest.h>

#include <set>

#include "control_notes.h"
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
    ASSERT_EQ(runDialog(defaults(), [&](flhost::ModalSession& s) {
                act(s, {{Kind::Choose, 123, double(preset)}});
                for (const flhost::Item* item : s.items()) {
                  if (item->enabled || !fl::findDialogItem(item->id)) continue;
                  disabledSomewhere.insert(item->id);
                  EXPECT_NE(fltools::enablingCondition(item->id), "") << "item " << item->id;
                }
              }),
              0);
  }
  for (const fltools::EnablingRule& rule : fltools::kEnablingRules) {
    for (int32_t id : rule.items) {
      if (id == 0) continue;
      EXPECT_TRUE(disabledSomewhere.count(id)) << "item " << id << " (" << rule.condition << ")";
    }
  }
}

}  // namespace
}  // namespace fltest
