#pragma once
// File-dialog helpers that need no widgets.

#include <QString>
#include <QStringList>

#include <string_view>

namespace platform::ui::qt {

// The original's filter form "Profile Files (*.profile)|*.profile|All Files (*.*)|*.*||"
// (CP1252 bytes) as Qt name filters: one entry per name/pattern pair, patterns
// separated by blanks. "*.*" stays as it is: Qt reads it as every file, and on
// Linux every file is what the original meant by it. A name without a pattern
// is kept with "*".
QStringList TranslateFilter(std::string_view filter);

// The default extension without its leading dot ("profile" from ".profile").
QString DefaultSuffix(std::string_view extension);

} // namespace platform::ui::qt
