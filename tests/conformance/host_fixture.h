// A stand-in host with the built module loaded, and a user for its dialogs, for tests that drive
// the plug-in through PluginMain exactly as a host would.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialog/dialog_layout.h"
#include "params/burst_fields.h"
#include "params/burst_params.h"
#include "session.h"

namespace fltest {

// Acts as the user: answers the filter dialog with `onFilterDialog` (default: confirm), notes the
// texts of every error dialog and About box and closes them with their OK, and notes alerts.
class TestUser : public flhost::DialogDriver {
 public:
  void run(flhost::ModalSession& s) override;
  void alert(std::string_view text) override { alerts.emplace_back(text); }

  std::function<void(flhost::ModalSession&)> onFilterDialog;
  struct ErrorShown {
    std::string message;
    std::string code;
    bool okHasProc;  // its OK (item 1) carries the plug-in's notify procedure
  };
  std::vector<ErrorShown> errors;
  std::vector<std::string> aboutTexts;
  bool aboutOkHasProc = false;
  std::vector<std::string> alerts;
  int filterDialogs = 0;
  // Every modal dialog the plug-in opened, in order: its resource, the name it gave and its style.
  struct ModalOpened {
    int32_t resourceId;
    std::string name;
    int32_t style;
    bool operator==(const ModalOpened&) const = default;
  };
  std::vector<ModalOpened> modals;
};

// Works the dialog as a user: each action must be accepted.
void act(flhost::ModalSession& s, std::initializer_list<flhost::DialogAction> actions);
// The id of the control that edits the named field (a factor pair's either member).
inline int32_t control(std::string_view field) {
  for (const BurstField& f : kBurstFields)
    if (field == f.name && fl::controlOf(f.offset)) return fl::controlOf(f.offset)->id;
  ADD_FAILURE() << "no control edits " << field;
  return 0;
}
// The pick button that fills the named field's spin edit.
inline int32_t pickButton(std::string_view field) {
  const int32_t spin = control(field);
  for (const fl::DialogItem& item : fl::kDialogItems)
    if (item.proc == fl::DialogProc::Pick && item.target == spin) return item.id;
  ADD_FAILURE() << "no pick button fills " << field;
  return 0;
}
// Brings page n up as a user does: a press on its tab.
inline flhost::DialogAction showPage(int n) { return {flhost::DialogAction::Kind::Press, fl::pageTab(n)}; }
// The record the running filter dialog edits.
inline BurstParams* live(flhost::ModalSession& s) { return static_cast<BurstParams*>(s.dialog().userData); }

// An art copied out of the document, so that it outlives the host it came from.
struct StoredArt {
  explicit StoredArt(const flhost::ArtView& a)
      : segments(a.segments.begin(), a.segments.end()),
        style(a.style),
        opacity(a.opacity),
        artStyle(a.artStyle),
        closed(a.closed) {}
  std::vector<HostPathSegment> segments;
  HostPathStyle style;
  float opacity;
  int32_t artStyle;
  bool closed;
};

class HostTest : public ::testing::Test {
 protected:
  // Loads the module into a fresh host with a fixed seed; exact first draws when given.
  void open(std::vector<float> draws = {}, flhost::DocumentOptions document = flhost::DocumentOptions::standard());
  void SetUp() override { open(); }

  flhost::Session& host() { return *session_; }
  TestUser& user() { return user_; }
  // Startup, then asserts it succeeded and registered the filter.
  void startUp();
  // The record the host keeps for the filter.
  BurstParams record() const;
  void setRecord(const BurstParams& p);
  // A record with the defaults, as Get Parameters makes it for the standard view.
  static BurstParams defaults();
  // Runs Go on p, returns PluginMain's result.
  HostErr goWith(const BurstParams& p);
  size_t arts() { return host().document().artCount(); }
  // Opens the dialog on p; `work` acts as the user and the dialog is confirmed unless it ends it.
  HostErr runDialog(const BurstParams& p, std::function<void(flhost::ModalSession&)> work);
  // The document as the JSON export writes it: a byte-exact picture of every art.
  std::string documentJson();

  std::unique_ptr<flhost::Session> session_;
  TestUser user_;
};

}  // namespace fltest
