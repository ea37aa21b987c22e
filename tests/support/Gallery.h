#pragma once
// A template with one control of every kind and style the program uses (id
// 9000, "Control Gallery"), for the tests of the dialog layer and its
// backends. It is in no registry: AddTemplate it.
#include "platform/ui/Template.h"

namespace testing_support {

const platform::ui::DialogTemplate& GalleryTemplate();

} // namespace testing_support
