#pragma once
// File-dialog helpers that need no widgets.

#include "platform/ui/FileDialog.h"

#include <QStringList>

#include <vector>

namespace platform::ui::qt {

// Windows' filter pairs (ParseFilter) as Qt name filters: one entry per
// pair, patterns separated by blanks. "*.*" stays as it is: Qt reads it as
// every file, and on Linux every file is what Windows meant by it.
QStringList TranslateFilter(const std::vector<FileFilter>& filters);

} // namespace platform::ui::qt
