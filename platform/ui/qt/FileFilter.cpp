#include "platform/ui/qt/FileFilter.h"

#include "platform/ui/qt/Cp1252.h"

namespace platform::ui::qt {

QStringList TranslateFilter(const std::vector<FileFilter>& filters) {
    QStringList out;
    for (const FileFilter& f : filters) {
        const QString name = FromCp1252(f.name).trimmed();
        QString patterns = FromCp1252(f.pattern);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        patterns = patterns.simplified();
        if (patterns.isEmpty()) {
            patterns = QStringLiteral("*");
        }
        // Qt takes the patterns from the last parenthesised group of the entry;
        // names that already end in exactly those patterns are left alone.
        if (name.endsWith(QLatin1Char('(') + patterns + QLatin1Char(')'))) {
            out << name;
        } else {
            out << name + QStringLiteral(" (") + patterns + QLatin1Char(')');
        }
    }
    return out;
}

} // namespace platform::ui::qt
