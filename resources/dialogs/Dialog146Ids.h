// Control ids of template 146, the start-up discovery dialog (besides its
// Exit Application, IDABORT, and Cancel Search, IDCANCEL).
#pragma once

#include "resources/dialogs/ControlIds.h"

// clang-format off
#define LUMI_IDS146(ID)                                                \
    ID(IDC_LOGO,     1041) /* logo picture */                          \
    ID(IDC_PROGRESS, 1034) /* one step per controller searched */      \
    ID(IDC_RETRY,    1043) /* "Retry" (hidden) */                      \
    ID(IDC_REPORT,   1087) /* the search's lines, newest on top */     \
    ID(IDC_RESULTS,  1096) /* status text */
// clang-format on

namespace ids146 {
LUMI_CONTROL_IDS(LUMI_IDS146)
} // namespace ids146
