// Linked whole (object library `program_templates`) into the tests and
// benchmarks that open the program's dialogs: the table is handed over before
// main, so no test can forget it and no linker can drop it.
#include "resources/dialogs/Registry.h"

namespace {

const bool kHandedOver = (platform::ui::UseTemplates(resources::DialogTemplates()), true);

} // namespace
