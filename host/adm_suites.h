// The dialog manager's suites as the plug-in acquires them: C tables of functions over
// DialogManager::current().
//
// Every function counts its call as "suite.operation" (suites admBasic, dialog, item, list,
// entry, notifier, tracker, icon) in the current manager's Faults before it does anything, and an
// injected fault makes it return that code, or its failure value (null handle, 0, false; -1 for
// entry.getIndex) when it returns a value. Without a current manager every call fails:
// kHostNotInCallErr, or the failure value. No exception leaves any of them.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "adm_basic_suite.h"
#include "adm_dialog_suite.h"
#include "adm_entry_suite.h"
#include "adm_icon_suite.h"
#include "adm_item_suite.h"
#include "adm_list_suite.h"
#include "adm_notifier_suite.h"
#include "adm_tracker_suite.h"

namespace flhost {

const AdmBasicSuite& admBasicSuite();
const AdmDialogSuite& admDialogSuite();
const AdmItemSuite& admItemSuite();
const AdmIconSuite& admIconSuite();
const AdmNotifierSuite& admNotifierSuite();
const AdmListSuite& admListSuite();
const AdmEntrySuite& admEntrySuite();
const AdmTrackerSuite& admTrackerSuite();

// The table of the suite with that name and exactly that version, or nullptr.
const void* findAdmSuite(std::string_view name, int32_t version);

// The operation names these suites count, in table order.
const std::vector<std::string_view>& admOperationNames();

}  // namespace flhost
