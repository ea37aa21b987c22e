#include "platform/ui/qt/FileFilter.h"

#include "platform/ui/qt/Cp1252.h"

namespace platform::ui::qt {

QStringList TranslateFilter(std::string_view filter) {
    const QStringList parts = FromCp1252(filter).split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString name = parts[i].trimmed();
        if (name.isEmpty()) {
            break; // "||" ends the list
        }
        QString patterns = i + 1 < parts.size() ? parts[i + 1].trimmed() : QString();
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

QString DefaultSuffix(std::string_view extension) {
    QString s = FromCp1252(extension).trimmed();
    while (s.startsWith(QLatin1Char('.'))) {
        s.remove(0, 1);
    }
    return s;
}

} // namespace platform::ui::qt
