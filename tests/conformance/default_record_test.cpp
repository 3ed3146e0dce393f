// The defaults the tools fill a partial parameter file with come from the plug-in's field table
// and the host's own view, without a session: they are the record the plug-in itself makes when
// the host holds none (Get Parameters on an empty handle, its dialog cancelled), on any page.
#include <gtest/gtest.h>

#include <cstring>

#include "dialog_actions.h"
#include "host_run.h"

namespace fltest {
namespace {

TEST(DefaultRecord, IsTheRecordThePluginMakesForTheDocument) {
  for (const char* page : {"612x792", "400x300", "10000x5.5"}) {
    SCOPED_TRACE(page);
    fltools::HostConfig config;
    config.module = FLARIMOND_MODULE;
    config.document.page = fltools::parsePageSize(page);
    fltools::RunPlan plan;
    plan.getParameters = true;
    plan.acceptCancel = true;
    flhost::DialogAction cancel;
    cancel.kind = flhost::DialogAction::Kind::Cancel;
    plan.actions.push_back(cancel);
    fltools::HostRun run = fltools::runPlugin(config, plan);
    ASSERT_TRUE(run.ok);
    std::optional<BurstParams> made = fltools::heldRecord(*run.session);
    ASSERT_TRUE(made);
    BurstParams tools = fltools::defaultRecord(fltools::documentOptions(config.document));
    EXPECT_EQ(std::memcmp(&*made, &tools, sizeof tools), 0);
  }
}

}  // namespace
}  // namespace fltest
