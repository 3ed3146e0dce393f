/* Every suite of the host interface. */
#ifndef FLARIMOND_SUITES_H
#define FLARIMOND_SUITES_H

#include "access_suite.h"
#include "adm_basic_suite.h"
#include "adm_dialog_suite.h"
#include "adm_entry_suite.h"
#include "adm_icon_suite.h"
#include "adm_item_suite.h"
#include "adm_list_suite.h"
#include "adm_notifier_suite.h"
#include "adm_tracker_suite.h"
#include "art_style_suite.h"
#include "art_suite.h"
#include "basic_suite.h"
#include "blend_style_suite.h"
#include "blocks_suite.h"
#include "document_suite.h"
#include "document_view_suite.h"
#include "filter_suite.h"
#include "memory_suite.h"
#include "menu_suite.h"
#include "path_style_suite.h"
#include "path_suite.h"
#include "plugin_messages.h"
#include "random_suite.h"
#include "real_math_suite.h"
#include "swatch_list_suite.h"
#include "transform_art_suite.h"
#include "undo_suite.h"
#include "user_suite.h"

#endif
