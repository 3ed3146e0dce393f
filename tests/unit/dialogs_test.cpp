// The stand-in host's dialog manager, through the suite tables the plug-in uses and the driver
// interface a script uses. No plug-in is loaded: the procedures a plug-in would install are
// trampolines into per-test lambdas.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "adm_suites.h"
#include "dialog_script.h"
#include "dialogs.h"
#include "faults.h"
#include "resources.h"

namespace flhost {
namespace {

// The fixture's own resources (ids of its own choosing).
constexpr int32_t kFilterDialog = 900;
constexpr int32_t kErrorDialog = 901;
constexpr int32_t kStringList = 902;
const HostPluginRef kPlugin = reinterpret_cast<HostPluginRef>(uintptr_t{0x5A5A});

const AdmBasicSuite& B = admBasicSuite();
const AdmDialogSuite& D = admDialogSuite();
const AdmItemSuite& I = admItemSuite();
const AdmListSuite& L = admListSuite();
const AdmEntrySuite& E = admEntrySuite();
const AdmNotifierSuite& N = admNotifierSuite();
const AdmTrackerSuite& T = admTrackerSuite();
const AdmIconSuite& C = admIconSuite();

// ---- Resources in their compiled form

void put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
  put16(b, static_cast<uint16_t>(v));
  put16(b, static_cast<uint16_t>(v >> 16));
}
void putText(std::vector<uint8_t>& b, std::string_view ascii) {
  for (char c : ascii) put16(b, static_cast<uint8_t>(c));
  put16(b, 0);
}

constexpr uint16_t kButtonAtom = 0x80;
constexpr uint16_t kStaticAtom = 0x82;
constexpr uint32_t kVisible = 0x50000000;

struct TemplateItem {
  int id;
  uint16_t atom;
  uint32_t style;
  std::string text;
};

std::vector<uint8_t> dialogTemplate(std::string_view caption, const std::vector<TemplateItem>& items) {
  std::vector<uint8_t> b;
  put32(b, 0x80C800C0);  // popup, caption, system menu, modal frame, with a font
  put32(b, 0);
  put16(b, static_cast<uint16_t>(items.size()));
  for (uint16_t v : {0, 0, 200, 100}) put16(b, v);
  put16(b, 0);  // no menu
  put16(b, 0);  // standard class
  putText(b, caption);
  put16(b, 8);
  putText(b, "MS Sans Serif");
  for (const auto& item : items) {
    while (b.size() % 4) b.push_back(0);
    put32(b, item.style);
    put32(b, 0);
    for (uint16_t v : {8, 16, 40, 12}) put16(b, v);
    put16(b, static_cast<uint16_t>(item.id));
    put16(b, 0xFFFF);
    put16(b, item.atom);
    putText(b, item.text);
    put16(b, 0);
  }
  return b;
}

void addStrings(ResourceSet& set, uint16_t first, const std::vector<std::string>& texts) {
  std::map<uint16_t, std::array<std::string, 16>> blocks;
  for (size_t i = 0; i < texts.size(); ++i) {
    const auto id = static_cast<uint16_t>(first + i);
    blocks[static_cast<uint16_t>(id / 16 + 1)][id % 16] = texts[i];
  }
  for (const auto& [block, strings] : blocks) {
    std::vector<uint8_t> data;
    for (const auto& s : strings) {
      put16(data, static_cast<uint16_t>(s.size()));
      for (char c : s) put16(data, static_cast<uint8_t>(c));
    }
    set.add(kResString, block, kLanguageEnUs, std::move(data));
  }
}

// ---- The plug-in's side: procedures that call whatever the test put behind them

std::function<void(HostDialog)> gInit;
std::function<void(HostItem, HostNotifier)> gNotify;
std::function<HostBool(HostItem, HostTracker)> gTrack;

HostErr initTrampoline(HostDialog d) {
  if (gInit) gInit(d);
  return 0;
}
void notifyTrampoline(HostItem item, HostNotifier n) {
  if (gNotify) gNotify(item, n);
}
HostBool trackTrampoline(HostItem item, HostTracker t) { return gTrack ? gTrack(item, t) : 1; }

class TestDriver : public DialogDriver {
 public:
  std::function<void(ModalSession&)> onRun;
  std::vector<std::string> alerts;
  void run(ModalSession& s) override {
    if (onRun) onRun(s);
  }
  void alert(std::string_view text) override { alerts.emplace_back(text); }
};

DialogAction act(DialogAction::Kind kind, int32_t id = 0, double value = 0) {
  DialogAction a;
  a.kind = kind;
  a.id = id;
  a.value = value;
  return a;
}

DialogAction pickAt(int32_t id, double x, double y) {
  DialogAction a = act(DialogAction::Kind::Pick, id);
  a.x = x;
  a.y = y;
  return a;
}

class DialogsTest : public ::testing::Test {
 protected:
  DialogsTest() : manager(faults), scope(manager) {
    resources.add(kResDialog, kFilterDialog, kLanguageEnUs, dialogTemplate("Filter", {}));
    resources.add(kResDialog, kErrorDialog, kLanguageEnUs,
                  dialogTemplate("Plug-in Error", {{1, kButtonAtom, kVisible | 0x10001, "OK"},
                                                   {2, kStaticAtom, kVisible, "Message"},
                                                   {-1, kStaticAtom, kVisible, "a"},
                                                   {-1, kStaticAtom, kVisible, "b"}}));
    addStrings(resources, kStringList, {"<index 0>", "-108", "The filter cannot complete."});
    resources.add(kResGroupIcon, kErrorDialog, kLanguageEnUs, {0, 0, 1, 0});
    manager.setResources(&resources);
    manager.setPluginRef(kPlugin);
    manager.setDriver(&driver);
  }
  ~DialogsTest() override {
    gInit = nullptr;
    gNotify = nullptr;
    gTrack = nullptr;
  }

  // Runs a modal dialog; `init` builds it, `user` acts while it runs. Returns the ending id.
  int32_t run(int32_t resourceId, std::function<void(HostDialog)> init, std::function<void(ModalSession&)> user = {}) {
    gInit = std::move(init);
    driver.onRun = std::move(user);
    int32_t ending = -99;
    EXPECT_EQ(D.modal(kPlugin, "Test", resourceId, 0, initTrampoline, nullptr, &ending), kHostNoErr);
    return ending;
  }

  static HostItem create(HostDialog d, int32_t id, const char* type) {
    const HostIntRect rect{0, 0, 20, 20};
    return D.createItem(d, id, type, &rect, nullptr, nullptr);
  }

  static HostList popup(HostDialog d, int32_t id, int entries) {
    HostList list = I.getList(create(d, id, kItemPopupList));
    for (int i = 0; i < entries; ++i) E.setID(L.insertEntry(list, i), i);
    return list;
  }

  Faults faults;
  ResourceSet resources;
  TestDriver driver;
  DialogManager manager;
  DialogManager::Scope scope;
};

TEST_F(DialogsTest, CreateItemMakesTheNamedKindAndRefusesUnknownTypesAndTakenIds) {
  const struct {
    const char* type;
    std::optional<ItemKind> kind;
  } cases[] = {
      {kItemSpinEdit, ItemKind::SpinEdit},     {kItemTextStatic, ItemKind::StaticText},
      {kItemPopupList, ItemKind::PopupList},   {kItemCheckBox, ItemKind::CheckBox},
      {kItemPushButton, ItemKind::PushButton}, {kItemPicturePushButton, ItemKind::PictureButton},
      {"ADM Slider Type", std::nullopt},       {"adm spin edit type", std::nullopt},
  };
  run(kFilterDialog, [&](HostDialog d) {
    int32_t id = 10;
    for (const auto& c : cases) {
      const HostItem item = create(d, id, c.type);
      ASSERT_EQ(item != nullptr, c.kind.has_value()) << c.type;
      if (item) {
        EXPECT_EQ(manager.item(item)->kind, *c.kind) << c.type;
        EXPECT_EQ(I.getID(item), id);
        EXPECT_EQ(I.getDialog(item), d);
        EXPECT_EQ(D.getItem(d, id), item);
        EXPECT_EQ(I.getList(item) != nullptr, c.kind == ItemKind::PopupList) << c.type;
      }
      ++id;
    }
    EXPECT_EQ(create(d, 10, kItemTextStatic), nullptr) << "id 10 is taken";
    EXPECT_EQ(D.getItem(d, 999), nullptr);
    EXPECT_EQ(D.setSize(d, 600, 260), kHostNoErr);
    EXPECT_EQ(manager.runningDialog()->width(), 600);
    EXPECT_EQ(manager.runningDialog()->height(), 260);
  });
}

TEST_F(DialogsTest, SpinEditClampsWhatItHoldsAndRoundsWhatItReads) {
  const struct {
    const char* what;
    std::function<void(HostItem)> steps;
    float reading;
    int32_t intValue;
  } cases[] = {
      {"starts unbounded", [](HostItem i) { I.setFloatValue(i, -12345.25f); }, -12345.0f, -12345},
      {"precision set after the value loses nothing",
       [](HostItem i) {
         I.setFloatValue(i, 1.23456f);
         I.setPrecision(i, 2);
       },
       1.23f, 1},
      {"a limit set after the value clamps it",
       [](HostItem i) {
         I.setFloatValue(i, 500);
         I.setMaxFloatValue(i, 100);
       },
       100.0f, 100},
      {"a minimum set after the value clamps it",
       [](HostItem i) {
         I.setFloatValue(i, -500);
         I.setMinFloatValue(i, -100);
       },
       -100.0f, -100},
      {"a value set after the limits is clamped",
       [](HostItem i) {
         I.setMinIntValue(i, 2);
         I.setMaxIntValue(i, 150);
         I.setIntValue(i, 1000);
       },
       150.0f, 150},
      {"crossed limits: the maximum wins",
       [](HostItem i) {
         I.setMinFloatValue(i, 10);
         I.setMaxFloatValue(i, 5);
         I.setFloatValue(i, 7);
       },
       5.0f, 5},
      {"integer reading truncates toward zero",
       [](HostItem i) {
         I.setPrecision(i, 2);
         I.setFloatValue(i, -2.7f);
       },
       -2.7f, -2},
      {"no decimal places: float reading rounds, integer reading truncates",
       [](HostItem i) { I.setFloatValue(i, 2.5f); }, 3.0f, 2},
      {"typed text is the value, clamped",
       [](HostItem i) {
         I.setMaxFloatValue(i, 10);
         I.setPrecision(i, 1);
         EXPECT_EQ(I.setText(i, "12.34"), kHostNoErr);
         EXPECT_EQ(I.setText(i, "twelve"), kHostBadParameterErr);
       },
       10.0f, 10},
  };
  run(kFilterDialog, [&](HostDialog d) {
    int32_t id = 1;
    for (const auto& c : cases) {
      const HostItem spin = create(d, ++id, kItemSpinEdit);
      c.steps(spin);
      EXPECT_NEAR(I.getFloatValue(spin), c.reading, 1e-5) << c.what;
      EXPECT_EQ(I.getIntValue(spin), c.intValue) << c.what;
    }
    const HostItem spin = create(d, 100, kItemSpinEdit);
    I.setPrecision(spin, 2);
    I.setMinFloatValue(spin, -3000);
    I.setFloatValue(spin, 12.5f);
    char text[16];
    EXPECT_EQ(I.getText(spin, text, sizeof text), kHostNoErr);
    EXPECT_STREQ(text, "12.50");
    EXPECT_EQ(I.getMinFloatValue(spin), -3000.0f);
    EXPECT_EQ(I.setFloatValue(spin, std::numeric_limits<float>::quiet_NaN()), kHostBadParameterErr);
    EXPECT_EQ(I.getFloatValue(spin), 12.5f) << "a refused value leaves the old one";
  });
}

TEST_F(DialogsTest, ValuesOfOtherKinds) {
  run(kFilterDialog, [&](HostDialog d) {
    const HostItem check = create(d, 3, kItemCheckBox);
    EXPECT_EQ(I.setBooleanValue(check, 7), kHostNoErr);
    EXPECT_EQ(I.getIntValue(check), 1);
    EXPECT_EQ(I.getBooleanValue(check), 1);
    I.setIntValue(check, 0);
    EXPECT_EQ(I.getBooleanValue(check), 0);

    const HostList list = popup(d, 120, 3);
    const HostItem item = D.getItem(d, 120);
    EXPECT_EQ(I.getIntValue(item), -1) << "nothing selected yet";
    EXPECT_EQ(I.setIntValue(item, 2), kHostNoErr);
    EXPECT_EQ(E.getIndex(L.getSelectedEntry(list)), 2);
    EXPECT_EQ(I.setIntValue(item, 3), kHostBadParameterErr);
    EXPECT_EQ(I.getIntValue(item), 2);

    const HostItem label = create(d, 41, kItemTextStatic);
    EXPECT_EQ(I.setIntValue(label, 1), kHostBadParameterErr);
    EXPECT_EQ(I.setText(label, "Bursts"), kHostNoErr);
    EXPECT_EQ(I.setFont(label, kFontEmphasised), kHostNoErr);
    EXPECT_EQ(I.getFont(label), kFontEmphasised);
    EXPECT_EQ(I.show(label, 0), kHostNoErr);
    EXPECT_EQ(I.isVisible(label), 0);
    EXPECT_EQ(I.enable(label, 0), kHostNoErr);
    EXPECT_EQ(I.isEnabled(label), 0);
  });
}

TEST_F(DialogsTest, PopupEntriesKeepTheirIdentityAcrossInsertionsAndSelectOneAtATime) {
  run(kFilterDialog, [&](HostDialog d) {
    const HostList list = I.getList(create(d, 120, kItemPopupList));
    EXPECT_EQ(L.getSelectedEntry(list), nullptr);
    const HostEntry a = L.insertEntry(list, 0);
    const HostEntry b = L.insertEntry(list, 1);
    const HostEntry c = L.insertEntry(list, 0);
    EXPECT_EQ(L.insertEntry(list, 4), nullptr);
    EXPECT_EQ(L.insertEntry(list, -1), nullptr);
    EXPECT_EQ(L.numberOfEntries(list), 3);
    EXPECT_EQ(E.getIndex(c), 0);
    EXPECT_EQ(E.getIndex(a), 1);
    EXPECT_EQ(E.getIndex(b), 2);
    EXPECT_EQ(L.getEntry(list, 1), a);
    EXPECT_EQ(L.getEntry(list, 3), nullptr);

    EXPECT_EQ(E.setText(a, " Burst 01"), kHostNoErr);
    EXPECT_EQ(E.setID(a, 7), kHostNoErr);
    EXPECT_EQ(E.getID(a), 7);
    char cut[5];
    EXPECT_EQ(E.getText(a, cut, sizeof cut), kHostNoErr);
    EXPECT_STREQ(cut, " Bur");

    E.setText(b, "Caf\xC3\xA9");
    EXPECT_EQ(E.getText(b, cut, sizeof cut), kHostNoErr);
    EXPECT_STREQ(cut, "Caf") << "a character is never cut in half";

    E.select(a, 1);
    E.select(b, 1);
    EXPECT_EQ(L.getSelectedEntry(list), b);
    EXPECT_EQ(E.isSelected(a), 0);
    E.select(b, 0);
    EXPECT_EQ(L.getSelectedEntry(list), nullptr);
  });
}

TEST_F(DialogsTest, NotificationsReachTheProcedureAndDieWithTheCall) {
  HostNotifier kept = nullptr;
  int calls = 0;
  gNotify = [&](HostItem item, HostNotifier n) {
    ++calls;
    EXPECT_EQ(N.getItem(n), item);
    EXPECT_EQ(N.isNotifierType(n, kUserChangedNotifier), 1);
    EXPECT_EQ(N.isNotifierType(n, "ADM Other Notifier"), 0);
    EXPECT_EQ(I.defaultNotify(item, n), kHostNoErr);
    kept = n;
  };
  run(kFilterDialog, [&](HostDialog d) {
    const HostItem spin = create(d, 5, kItemSpinEdit);
    I.setNotifyProc(spin, notifyTrampoline);
    EXPECT_EQ(I.sendNotify(spin, kUserChangedNotifier), kHostNoErr);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(N.getItem(kept), nullptr) << "a notifier lives only during its call";
    EXPECT_EQ(I.defaultNotify(spin, kept), kHostBadHandleErr);
    EXPECT_EQ(I.defaultNotify(spin, nullptr), kHostBadHandleErr);
    I.setNotifyProc(spin, nullptr);
    EXPECT_EQ(I.sendNotify(spin, kUserChangedNotifier), kHostNoErr);
    EXPECT_EQ(calls, 1) << "null restores the default handling";
  });
}

TEST_F(DialogsTest, DefaultNotifyEndsTheDialogOnlyForItsConfirmAndCancelButtons) {
  const struct {
    const char* what;
    int32_t resourceId;
    const char* type;  // item created by the init procedure, or null for a template item
    int32_t id;
    bool passOn;  // a notify procedure that passes the notification to the default handling
    std::optional<int32_t> endsWith;
  } cases[] = {
      {"Cancel push button", kFilterDialog, kItemPushButton, 2, false, 2},
      {"Shuffle passes on and stays open", kFilterDialog, kItemPushButton, 110, true, std::nullopt},
      {"page tab", kFilterDialog, kItemPicturePushButton, 130, false, std::nullopt},
      {"check box with id 1", kFilterDialog, kItemCheckBox, 1, true, std::nullopt},
      {"template default button", kErrorDialog, nullptr, 1, true, 1},
  };
  gNotify = [](HostItem item, HostNotifier n) { I.defaultNotify(item, n); };
  for (const auto& c : cases) {
    std::optional<int32_t> endedWith;
    const int32_t ending = run(
        c.resourceId,
        [&](HostDialog d) {
          const HostItem item = c.type ? create(d, c.id, c.type) : D.getItem(d, c.id);
          if (c.passOn) I.setNotifyProc(item, notifyTrampoline);
        },
        [&](ModalSession& s) {
          const DialogAction press = act(DialogAction::Kind::Press, c.id);
          const DialogAction check = act(DialogAction::Kind::Check, c.id, 1);
          EXPECT_EQ(s.apply(s.item(c.id)->kind == ItemKind::CheckBox ? check : press), "");
          if (s.ended()) endedWith = s.endingId();
        });
    EXPECT_EQ(endedWith, c.endsWith) << c.what;
    EXPECT_EQ(ending, c.endsWith.value_or(kDialogOkId)) << c.what << ": the driver's return confirms";
  }
}

TEST_F(DialogsTest, ModalDialogsNestAndTheInnerOneIsTheOneRunning) {
  int32_t innerEnding = -1;
  ModalSession* outer = nullptr;
  gNotify = [&](HostItem, HostNotifier) {
    EXPECT_EQ(D.modal(kPlugin, "Error Dialog", kErrorDialog, 0, nullptr, nullptr, &innerEnding), kHostNoErr);
  };
  const int32_t ending = run(
      kFilterDialog, [&](HostDialog d) { I.setNotifyProc(create(d, 110, kItemPushButton), notifyTrampoline); },
      [&](ModalSession& s) {
        if (s.resourceId() == kFilterDialog) {
          outer = &s;
          EXPECT_EQ(s.apply(act(DialogAction::Kind::Press, 110)), "");
          EXPECT_EQ(manager.runningDialog(), &s.dialog()) << "back to the outer dialog";
          s.apply(act(DialogAction::Kind::Cancel));
          EXPECT_EQ(D.endModal(manager.handle(s.dialog()), kDialogOkId), kHostNoErr);
          EXPECT_EQ(s.endingId(), kDialogCancelId) << "the first ending stands";
          return;
        }
        EXPECT_EQ(manager.modalDepth(), 2u);
        EXPECT_EQ(manager.runningDialog(), &s.dialog());
        EXPECT_EQ(s.caption(), "Plug-in Error");
        EXPECT_NE(outer->apply(act(DialogAction::Kind::Cancel)).find("another dialog"), std::string::npos);
        EXPECT_EQ(s.apply(act(DialogAction::Kind::Press, 1)), "");
      });
  EXPECT_EQ(innerEnding, 1);
  EXPECT_EQ(ending, kDialogCancelId);
  EXPECT_EQ(manager.modalRuns(), 2u);
  EXPECT_EQ(manager.runningDialog(), nullptr);
  EXPECT_EQ(manager.liveHandles(), 0u);
}

TEST_F(DialogsTest, HandlesAreRefusedOnceTheirDialogHasClosedAndWhenForeign) {
  HostDialog dialog = nullptr;
  HostItem spin = nullptr;
  HostList list = nullptr;
  HostEntry entry = nullptr;
  run(kFilterDialog, [&](HostDialog d) {
    dialog = d;
    spin = create(d, 5, kItemSpinEdit);
    list = popup(d, 120, 2);
    entry = L.getEntry(list, 1);
    // A handle of one kind is no handle of another.
    EXPECT_EQ(D.getUserData(reinterpret_cast<HostDialog>(spin)), nullptr);
    EXPECT_EQ(E.getIndex(reinterpret_cast<HostEntry>(spin)), -1);
    EXPECT_EQ(L.numberOfEntries(reinterpret_cast<HostList>(spin)), 0) << "a spin edit has no list";
    EXPECT_EQ(I.setText(reinterpret_cast<HostItem>(d), "x"), kHostBadHandleErr);
    EXPECT_EQ(I.setText(nullptr, "x"), kHostBadHandleErr);
  });
  EXPECT_EQ(manager.liveHandles(), 0u);
  // A later dialog must not bring the old handles back to life.
  run(kFilterDialog, [&](HostDialog d) {
    create(d, 5, kItemSpinEdit);
    popup(d, 120, 2);
    EXPECT_EQ(D.getItem(dialog, 5), nullptr);
    EXPECT_EQ(D.endModal(dialog, 1), kHostBadHandleErr);
    EXPECT_EQ(I.setIntValue(spin, 3), kHostBadHandleErr);
    EXPECT_EQ(I.getIntValue(spin), 0);
    EXPECT_EQ(I.getDialog(spin), nullptr);
    EXPECT_EQ(L.numberOfEntries(list), 0);
    EXPECT_EQ(L.insertEntry(list, 0), nullptr);
    EXPECT_EQ(E.getIndex(entry), -1);
    EXPECT_EQ(E.setText(entry, "x"), kHostBadHandleErr);
    EXPECT_FALSE(manager.runningDialog()->ended()) << "the stale endModal ended nothing";
  });
}

TEST_F(DialogsTest, HandlesStayRefusedWhenTheirSlotsAreReused) {
  // Enough dialogs that freed slots come round again to newer objects.
  std::vector<std::pair<HostDialog, HostItem>> old;
  for (int round = 0; round < 150; ++round) {
    run(kFilterDialog, [&](HostDialog d) {
      const HostItem spin = create(d, 5, kItemSpinEdit);
      for (const auto& [oldDialog, oldSpin] : old) {
        ASSERT_NE(oldDialog, d);
        ASSERT_EQ(D.getItem(oldDialog, 5), nullptr) << "round " << round;
        ASSERT_EQ(I.getID(oldSpin), 0) << "round " << round;
      }
      old.emplace_back(d, spin);
    });
  }
}

TEST_F(DialogsTest, InjectedFaultsFailTheCallWithoutEffect) {
  static constexpr HostErr kCode = HOST_FOURCC('T', 'E', 'S', 'T');
  const struct {
    const char* op;
    std::function<void(HostDialog, HostItem)> check;
  } cases[] = {
      {"item.setText",
       [](HostDialog, HostItem i) {
         EXPECT_EQ(I.setText(i, "changed"), kCode);
         char text[16];
         I.getText(i, text, sizeof text);
         EXPECT_STREQ(text, "label");
       }},
      {"dialog.getItem", [](HostDialog d, HostItem) { EXPECT_EQ(D.getItem(d, 41), nullptr); }},
      {"item.isVisible", [](HostDialog, HostItem i) { EXPECT_EQ(I.isVisible(i), 0); }},
      {"dialog.getUserData", [](HostDialog d, HostItem) { EXPECT_EQ(D.getUserData(d), nullptr); }},
      {"item.getText",
       [](HostDialog, HostItem i) {
         char text[16] = "stale bytes";
         EXPECT_EQ(I.getText(i, text, sizeof text), kCode);
         EXPECT_STREQ(text, "") << "a failed text call leaves an empty text";
       }},
  };
  for (const auto& c : cases) {
    run(kFilterDialog, [&](HostDialog d) {
      D.setUserData(d, &faults);
      const HostItem label = create(d, 41, kItemTextStatic);
      I.setText(label, "label");
      const uint64_t before = faults.count(c.op);
      faults.failOn(c.op, 1, kCode);
      c.check(d, label);
      EXPECT_FALSE(faults.pending()) << c.op << ": the fault was not reached";
      EXPECT_EQ(faults.count(c.op), before + 1) << c.op << ": a failed call still counts";
    });
  }
  bool initRan = false;
  const uint64_t runs = manager.modalRuns();
  faults.failOn("dialog.modal", 1, kCode);
  gInit = [&](HostDialog) { initRan = true; };
  int32_t ending = 0;
  EXPECT_EQ(D.modal(kPlugin, "Test", kFilterDialog, 0, initTrampoline, nullptr, &ending), kCode);
  EXPECT_FALSE(initRan);
  EXPECT_EQ(manager.modalRuns(), runs);
}

TEST_F(DialogsTest, ModalRefusesForeignPluginsAndMissingTemplates) {
  int32_t ending = 0;
  const HostPluginRef other = reinterpret_cast<HostPluginRef>(uintptr_t{0x77});
  EXPECT_EQ(D.modal(other, "x", kFilterDialog, 0, nullptr, nullptr, &ending), kHostBadHandleErr);
  EXPECT_EQ(D.modal(nullptr, "x", kFilterDialog, 0, nullptr, nullptr, &ending), kHostBadHandleErr);
  EXPECT_EQ(D.modal(kPlugin, "x", 16099, 0, nullptr, nullptr, &ending), kHostNotFoundErr);
  EXPECT_EQ(D.modal(kPlugin, "x", -1, 0, nullptr, nullptr, &ending), kHostNotFoundErr);
  EXPECT_EQ(manager.modalRuns(), 0u);
  manager.setDriver(nullptr);
  EXPECT_EQ(D.modal(kPlugin, "x", kFilterDialog, 0, nullptr, nullptr, &ending), kHostNoErr);
  EXPECT_EQ(ending, kDialogOkId) << "with no one to act, a dialog confirms";
}

TEST_F(DialogsTest, TemplateItemsBecomeItems) {
  run(kErrorDialog, nullptr, [&](ModalSession& s) {
    EXPECT_EQ(s.caption(), "Plug-in Error");
    const DialogDump dump = s.dump();
    ASSERT_EQ(dump.items.size(), 4u);
    EXPECT_EQ(dump.items[0].kind, ItemKind::PushButton);
    EXPECT_EQ(dump.items[0].text, "OK");
    EXPECT_EQ(dump.items[1].kind, ItemKind::StaticText);
    // Dialog units to pixels: x * 6 / 4, y * 13 / 8.
    EXPECT_EQ(dump.items[0].rect.left, 12);
    EXPECT_EQ(dump.items[0].rect.top, 26);
    EXPECT_EQ(dump.items[0].rect.right, 72);
    EXPECT_EQ(dump.items[0].rect.bottom, 46);
    EXPECT_EQ(s.item(-1)->text, "a") << "a repeated id answers with its first item";
    EXPECT_EQ(s.width(), 300);
  });
}

TEST_F(DialogsTest, UserActionsWorkOnlyWhatAUserCould) {
  int notifications = 0;
  gNotify = [&](HostItem, HostNotifier n) {
    EXPECT_EQ(N.isNotifierType(n, kUserChangedNotifier), 1);
    ++notifications;
  };
  auto build = [&](HostDialog d) {
    for (auto [id, type] : std::initializer_list<std::pair<int32_t, const char*>>{{5, kItemSpinEdit},
                                                                                  {7, kItemSpinEdit},
                                                                                  {3, kItemCheckBox},
                                                                                  {70, kItemCheckBox},
                                                                                  {110, kItemPushButton},
                                                                                  {130, kItemPicturePushButton},
                                                                                  {41, kItemTextStatic}}) {
      I.setNotifyProc(create(d, id, type), notifyTrampoline);
    }
    I.setMinIntValue(D.getItem(d, 5), 2);
    I.setMaxIntValue(D.getItem(d, 5), 150);
    I.setIntValue(D.getItem(d, 5), 10);
    I.show(D.getItem(d, 7), 0);
    I.enable(D.getItem(d, 70), 0);
    popup(d, 120, 3);
    I.setNotifyProc(D.getItem(d, 120), notifyTrampoline);
  };
  using K = DialogAction::Kind;
  const struct {
    DialogAction action;
    const char* refusal;  // text the refusal must contain; null when the action works
  } cases[] = {
      {act(K::Set, 99, 1), "set 99 1: no item 99"},
      {act(K::Set, 3, 1), "item 3 is a check box, not a spin edit"},
      {act(K::Set, 5, 2.5), "spin edit 5 takes whole numbers"},
      {act(K::Check, 3, 2), "0 or 1"},
      {act(K::Choose, 120, 3), "popup list 120 has 3 entries"},
      {act(K::Press, 41), "item 41 is a static text"},
      {act(K::Pick, 41), "item 41 is a static text"},
      {act(K::Set, 7, 1), "spin edit 7 is hidden"},
      {act(K::Check, 70, 1), "check box 70 is disabled"},
      {act(K::Set, 5, INFINITY), "set 5 inf: the value must be a finite number"},
      {act(K::Choose, 120, 1.5), "popup list 120 has 3 entries; positions run from 0"},
      {act(K::Press, 5), "item 5 is a spin edit, not a push button or picture button"},
      {pickAt(130, NAN, 0), "the point must have finite coordinates"},
      {pickAt(41, 0, 0), "item 41 is a static text, not a push button or picture button"},
      {act(K::Set, 5, 1000), nullptr},
      {act(K::Check, 3, 1), nullptr},
      {act(K::Choose, 120, 2), nullptr},
      {act(K::Press, 130), nullptr},
      {act(K::Press, 110), nullptr},
  };
  run(kFilterDialog, build, [&](ModalSession& s) {
    for (const auto& c : cases) {
      const int before = notifications;
      const double spin = s.item(5)->value();
      const std::string result = s.apply(c.action);
      if (c.refusal) {
        EXPECT_NE(result.find(c.refusal), std::string::npos) << result;
        EXPECT_EQ(notifications, before) << result;
        EXPECT_EQ(s.item(5)->value(), spin) << result;
      } else {
        EXPECT_EQ(result, "") << describeAction(c.action);
        EXPECT_EQ(notifications, before + 1) << describeAction(c.action);
      }
    }
    EXPECT_EQ(s.item(5)->reading(), 150) << "a typed value is clamped";
    EXPECT_EQ(s.item(3)->reading(), 1);
    EXPECT_EQ(s.item(120)->selectedIndex(), 2);
    EXPECT_FALSE(s.ended());
    s.end(kDialogCancelId);
    EXPECT_EQ(s.apply(act(K::Press, 110)), "press 110: the dialog has already ended");
    EXPECT_EQ(notifications, 5);
  });
}

TEST_F(DialogsTest, APickReportsTheViewPointThroughTheRunningTracker) {
  manager.artworkToView = [](HostRealPoint p) {
    return HostViewPoint{static_cast<int32_t>(p.h * 2), static_cast<int32_t>(-p.v)};
  };
  HostViewPoint seen{};
  uint32_t modifiers = 0;
  gTrack = [&](HostItem item, HostTracker tracker) {
    modifiers = T.getModifiers(nullptr);
    EXPECT_EQ(T.getPoint(nullptr, &seen), kHostNoErr);
    HostViewPoint same{};
    EXPECT_EQ(T.getPoint(tracker, &same), kHostNoErr);
    EXPECT_EQ(same.h, seen.h);
    EXPECT_EQ(I.defaultTrack(item, tracker), 1);
    return HostBool{1};
  };
  run(
      kFilterDialog, [&](HostDialog d) { I.setTrackProc(create(d, 150, kItemPicturePushButton), trackTrampoline); },
      [&](ModalSession& s) {
        DialogAction pick = act(DialogAction::Kind::Pick, 150);
        pick.x = 10.5;
        pick.y = 20;
        EXPECT_EQ(s.apply(pick), "");
      });
  EXPECT_EQ(seen.h, 21);
  EXPECT_EQ(seen.v, -20);
  EXPECT_EQ(modifiers & kTrackerPickDone, kTrackerPickDone);
  HostViewPoint after{};
  EXPECT_EQ(T.getPoint(nullptr, &after), kHostBadHandleErr) << "no tracking runs any more";
  EXPECT_EQ(T.getModifiers(nullptr), 0u);
}

TEST_F(DialogsTest, BasicSuiteStringsAndAlertsIconsAndSuiteLookup) {
  char buffer[64];
  EXPECT_EQ(B.getIndexString(kPlugin, kStringList, 1, buffer, sizeof buffer), kHostNoErr);
  EXPECT_STREQ(buffer, "-108");
  EXPECT_EQ(B.getIndexString(kPlugin, kStringList, 2, buffer, 11), kHostNoErr);
  EXPECT_STREQ(buffer, "The filter") << "cut to fit";
  EXPECT_EQ(B.getIndexString(kPlugin, kStringList, 3, buffer, sizeof buffer), kHostNoErr);
  EXPECT_STREQ(buffer, "") << "the end of the list";
  EXPECT_EQ(B.getIndexString(kPlugin, 0xFFFF, 1, buffer, sizeof buffer), kHostNoErr);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(B.getIndexString(nullptr, kStringList, 1, buffer, sizeof buffer), kHostBadHandleErr);
  EXPECT_EQ(B.getIndexString(kPlugin, kStringList, 1, nullptr, 8), kHostBadParameterErr);

  EXPECT_EQ(B.messageAlert("Suite Loading Error"), kHostNoErr);
  EXPECT_EQ(driver.alerts, std::vector<std::string>{"Suite Loading Error"});

  int32_t w = 0, h = 0;
  EXPECT_EQ(C.getIconSize(kPlugin, kErrorDialog, &w, &h), kHostNoErr);
  EXPECT_EQ(w, 32);
  EXPECT_EQ(h, 32);
  EXPECT_EQ(C.getIconSize(kPlugin, 1, &w, &h), kHostNotFoundErr);

  EXPECT_EQ(findAdmSuite(kAdmItemSuiteName, kAdmItemSuiteVersion), &I);
  EXPECT_EQ(findAdmSuite(kAdmTrackerSuiteName, kAdmTrackerSuiteVersion), &T);
  EXPECT_EQ(findAdmSuite(kAdmItemSuiteName, kAdmItemSuiteVersion + 1), nullptr);
  EXPECT_EQ(findAdmSuite("AI Art Suite", 9), nullptr);
}

TEST(DialogScript, ParsesEveryActionAndNamesTheBadLine) {
  // A front end's own keyword: "tab N" presses item 200 + N and keeps its wording.
  const std::vector<ScriptKeyword> extra = {
      {"tab", "tab N", "a tab number", [](int32_t n, DialogAction& a) -> std::string {
         if (n < 1) return "tabs are numbered from 1";
         a.kind = DialogAction::Kind::Press;
         a.id = 200 + n;
         a.wording = "tab " + std::to_string(n);
         return {};
       }}};
  std::string error;
  const auto actions = parseDialogScript(
      "# a comment\r\n\nTAB 3\nSET 6 -12.5\ncheck 3 1\nchoose 120 1000000\n  press 110\n"
      "pick 150 187.9 -4\nconfirm\ncancel",
      &error, extra);
  ASSERT_TRUE(actions) << error;
  ASSERT_EQ(actions->size(), 8u);
  std::vector<std::string> described;
  for (const auto& a : *actions) described.push_back(describeAction(a));
  EXPECT_EQ(described, (std::vector<std::string>{"tab 3", "set 6 -12.5", "check 3 1", "choose 120 1000000", "press 110",
                                                 "pick 150 187.9 -4", "confirm", "cancel"}));
  EXPECT_EQ((*actions)[0].kind, DialogAction::Kind::Press);
  EXPECT_EQ((*actions)[0].id, 203);
  EXPECT_EQ((*actions)[0].line, 3);
  EXPECT_EQ((*actions)[1].line, 4);

  const struct {
    const char* script;
    const char* error;
  } bad[] = {
      {"press 2\njump 5", "line 2 \"jump 5\": unknown action"},
      {"set 5", "line 1 \"set 5\": expected set ID VALUE"},
      {"\n\nset 5 ten", "line 3 \"set 5 ten\": \"ten\" is not a number"},
      {"check 3 2", "takes 0 or 1"},
      {"choose 120 -1", "not a list position"},
      {"press five", "\"five\" is not an item id"},
      {"tab 0", "tabs are numbered from 1"},
      {"tab two", "\"two\" is not a tab number"},
      {"tab 1 2", "expected tab N"},
      {"page 1", "(expected tab, set, check, choose, press, pick, confirm or cancel)"},
      {"confirm now", "expected confirm"},
      {"set 5 nan", "is not a number"},
      {"pick 150 1", "expected pick ID X Y"},
  };
  for (const auto& b : bad) {
    std::string why;
    EXPECT_FALSE(parseDialogScript(b.script, &why, extra)) << b.script;
    EXPECT_NE(why.find(b.error), std::string::npos) << why;
  }
}

TEST_F(DialogsTest, ScriptDriverPlaysTheFilterDialogAndAnswersOtherDialogs) {
  int notifications = 0;
  gNotify = [&](HostItem, HostNotifier) {
    ++notifications;
    if (notifications == 2) {
      int32_t ending = 0;
      D.modal(kPlugin, "Error Dialog", kErrorDialog, 0, nullptr, nullptr, &ending);
      EXPECT_EQ(ending, 1);
    }
  };
  auto build = [](HostDialog d) {
    I.setNotifyProc(create(d, 5, kItemSpinEdit), notifyTrampoline);
    I.setMaxIntValue(D.getItem(d, 5), 150);
  };
  const struct {
    const char* script;
    int32_t ending;
    int errorLine;
    int notifications;
  } cases[] = {
      {"set 5 10\nset 5 500\n", kDialogOkId, 0, 2},
      {"set 5 10\n# fine so far\nset 5 2.5\nset 5 7\n", kDialogCancelId, 3, 1},
      {"set 5 10\ncancel\nset 5 7\n", kDialogCancelId, 0, 1},
  };
  for (const auto& c : cases) {
    notifications = 0;
    std::string error;
    auto actions = parseDialogScript(c.script, &error);
    ASSERT_TRUE(actions) << error;
    ScriptDriver script(kFilterDialog, std::move(*actions));
    std::vector<std::string> otherDialogs;
    script.onOtherDialog = [&](ModalSession& s) { otherDialogs.push_back(s.caption()); };
    manager.setDriver(&script);
    gInit = build;
    int32_t ending = 0;
    ASSERT_EQ(D.modal(kPlugin, "VL08_Flarimond", kFilterDialog, 0, initTrampoline, nullptr, &ending), kHostNoErr);
    EXPECT_EQ(ending, c.ending) << c.script;
    EXPECT_EQ(script.errorLine(), c.errorLine) << c.script;
    EXPECT_EQ(notifications, c.notifications) << c.script;
    if (c.errorLine) {
      EXPECT_EQ(script.error().rfind("script line " + std::to_string(c.errorLine) + ": set 5 2.5", 0), 0u)
          << script.error();
    }
    EXPECT_EQ(otherDialogs, std::vector<std::string>(c.notifications >= 2 ? 1 : 0, "Plug-in Error"));
    manager.setDriver(&driver);
  }
}

}  // namespace
}  // namespace flhost
