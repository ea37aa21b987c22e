#pragma once
// The program's dialog templates, which it hands to the dialog layer with
// platform::ui::UseTemplates(resources::DialogTemplates()) before it opens one.
//
// Adding a template: write resources/dialogs/Dialog<id>.cpp defining
// `const platform::ui::DialogTemplate& platform::ui::Dialog<id>()` (see
// Dialog135.cpp) with its control ids named in Dialog<id>Ids.h (see
// ControlIds.h; tests/app/ControlIds_test.cpp lists every such header), and
// add one line `LUMI_DIALOG(<id>)` to Registry.inc. The table names every
// template, so static linking never drops one.
//
// Tests and benchmarks that open the program's dialogs link the object library
// `program_templates` instead of calling UseTemplates themselves.

#include "platform/ui/Template.h"

#include <span>

namespace resources {

// The table of every template in Registry.inc, in its order; static.
std::span<const platform::ui::TemplateEntry> DialogTemplates();

} // namespace resources
