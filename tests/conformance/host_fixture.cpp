#include "conformance/host_fixture.h"

#include <cstring>
#include <sstream>

#include "export.h"

#include "params/burst_fields.h"
#include "shell/module_ids.h"

namespace fltest {

void act(flhost::ModalSession& s, std::initializer_list<flhost::DialogAction> actions) {
  for (const flhost::DialogAction& a : actions) ASSERT_EQ(s.apply(a), "") << flhost::describeAction(a);
}

void TestUser::run(flhost::ModalSession& s) {
  auto text = [&](int id) {
    const flhost::Item* item = s.item(id);
    return item ? item->text : std::string();
  };
  // Presses OK and tells whether the plug-in's own procedure was on it; the host ends the dialog
  // either way, so that nothing hangs on a missing one.
  auto pressOk = [&] {
    const bool hasProc = s.item(1) && s.item(1)->notifyProc != nullptr;
    s.apply({flhost::DialogAction::Kind::Press, 1});
    if (!s.ended()) s.end(1);
    return hasProc;
  };
  modals.push_back({s.resourceId(), s.dialog().name, s.dialog().style});
  switch (s.resourceId()) {
    case fl::kErrorDialogId:
      errors.push_back({text(2), text(3), false});
      errors.back().okHasProc = pressOk();
      return;
    case fl::kAboutDialogId:
      for (const flhost::Item* item : s.items())
        if (item->kind == flhost::ItemKind::StaticText) aboutTexts.push_back(item->text);
      aboutOkHasProc = pressOk();
      return;
    default:
      ++filterDialogs;
      if (onFilterDialog) onFilterDialog(s);
      if (!s.ended()) s.end(1);
  }
}

void HostTest::open(std::vector<float> draws, flhost::DocumentOptions document) {
  session_.reset();
  user_ = TestUser{};
  flhost::SessionOptions options;
  options.modulePath = FLARIMOND_MODULE;
  options.seed = 1;
  options.draws = std::move(draws);
  options.document = std::move(document);
  std::string error;
  session_ = flhost::Session::open(options, &error);
  ASSERT_TRUE(session_) << error;
  session_->dialogs().setDriver(&user_);
}

void HostTest::startUp() {
  ASSERT_EQ(host().startup(), 0);
  ASSERT_EQ(host().filters().size(), 1u);
}

BurstParams HostTest::record() const {
  BurstParams p{};
  std::vector<uint8_t> bytes = session_->memory().parameters();
  EXPECT_EQ(bytes.size(), sizeof p);
  if (bytes.size() == sizeof p) std::memcpy(&p, bytes.data(), sizeof p);
  return p;
}

void HostTest::setRecord(const BurstParams& p) {
  std::vector<uint8_t> bytes(sizeof p);
  std::memcpy(bytes.data(), &p, sizeof p);
  session_->memory().setParameters(bytes);
}

BurstParams HostTest::defaults() {
  BurstParams p{};
  writeFieldDefaults(&p, 612.0f * 0.5f, 792.0f * 0.5f);
  return p;
}

HostErr HostTest::runDialog(const BurstParams& p, std::function<void(flhost::ModalSession&)> work) {
  setRecord(p);
  user().onFilterDialog = std::move(work);
  return host().getParameters();
}

std::string HostTest::documentJson() {
  std::ostringstream out;
  flhost::writeDocumentJson(host().document(), out);
  return out.str();
}

HostErr HostTest::goWith(const BurstParams& p) {
  setRecord(p);
  return host().go();
}

}  // namespace fltest
