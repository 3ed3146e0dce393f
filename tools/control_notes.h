// The dialog's controls in the user's own terms: which field a control edits, what enables a
// disabled one (the dialog's enabling rules, written out as data), and what a spin edit did with
// a value outside its range. The command line says these instead of bare item ids.
#pragma once

#include <cstdint>
#include <string>

#include "dialogs.h"

namespace fltools {

// The field item `id` edits, or "" for an item without one; a factor spin edit edits the member of
// its pair that factorMode (0 per star, 1 per element) selects.
std::string controlFieldName(int32_t id, int32_t factorMode);

// What must hold for item `id` to be enabled; "" when no rule disables it.
std::string enablingCondition(int32_t id);

// Why the dialog refuses to work the item: "fillSwatch is disabled: fillColor must be ..." or
// "fillSwatch is on page 5, which is not showing"; "" when it is shown and enabled.
std::string refusalReason(const flhost::Item& item, int32_t factorMode);

// For a value set into a spin edit outside its range: "burstCount 500 is above the control's
// maximum: 150 used" (or below its minimum); "" otherwise.
std::string clampNote(const flhost::DialogAction& action, const flhost::Item& item, int32_t factorMode);

}  // namespace fltools
