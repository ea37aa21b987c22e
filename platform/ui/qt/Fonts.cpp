#include "platform/ui/qt/Fonts.h"

#include <QFontMetrics>
#include <QStringList>

#include <map>
#include <utility>

namespace platform::ui::qt {

namespace {

QFont SansAt(int pixels) {
    QFont f;
    // Liberation Sans has Arial's advances, which the templates' faces share
    // closely enough that their captions fit the rectangles drawn for them.
    // DejaVu Sans (about a tenth wider) stands in where it is not installed;
    // the sizes below are measured on whichever face is found.
    f.setFamilies({QString::fromLatin1(SansFamily()), QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    return f;
}

// Windows' base unit x: the mean advance of the 52 Latin letters,
// rounded as the platform rounds it.
int AverageLetterWidth(const QFont& f) {
    static const QString letters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int total = QFontMetrics(f).horizontalAdvance(letters);
    return (total / 26 + 1) / 2;
}

} // namespace

const char* SansFamily() {
    return "Liberation Sans";
}

QFont DialogFont(BaseUnits base) {
    // Measuring is slow next to building a dialog; every template uses one of
    // a handful of base units.
    static std::map<std::pair<int, int>, int> cache;
    const auto key = std::make_pair(base.x, base.y);
    auto it = cache.find(key);
    if (it == cache.end()) {
        int pixels = 6;
        for (int p = base.y; p > 6; --p) {
            const QFont f = SansAt(p);
            if (AverageLetterWidth(f) <= base.x && QFontMetrics(f).height() <= base.y) {
                pixels = p;
                break;
            }
        }
        it = cache.emplace(key, pixels).first;
    }
    return SansAt(it->second);
}

QFont LogicalFont(int height, int weight, bool italic) {
    int pixels = 0;
    if (height < 0) {
        pixels = -height;
    } else if (height == 0) {
        pixels = DialogFont(BaseUnits{}).pixelSize();
    } else {
        pixels = 1;
        for (int p = height; p > 1; --p) {
            if (QFontMetrics(SansAt(p)).height() <= height) {
                pixels = p;
                break;
            }
        }
    }
    QFont f = SansAt(pixels);
    f.setWeight(static_cast<QFont::Weight>(weight <= 0 ? 400 : weight));
    f.setItalic(italic);
    return f;
}

QString WrapLines(const QFont& font, const QString& text, int width) {
    // Fractional advances: a line that rounds down to the width would still
    // overflow it when drawn.
    const QFontMetricsF m(font);
    QStringList out;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        if (m.horizontalAdvance(paragraph) <= width) {
            out << paragraph; // as it stands: blanks that line up figures stay
            continue;
        }
        QString line;
        for (const QString& word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (!line.isEmpty() && m.horizontalAdvance(candidate) > width) {
                out << line;
                line = word;
            } else {
                line = candidate;
            }
        }
        out << line;
    }
    return out.join(QLatin1Char('\n'));
}

QFont FitText(const QFont& font, const QString& text, int width, int height, Wrap wrap,
              int minPixels) {
    QFont f = font;
    if (f.pixelSize() <= 0 || text.isEmpty()) {
        return f;
    }
    auto fits = [&](const QFont& candidate) {
        const QFontMetricsF m(candidate);
        const QString laid = wrap == Wrap::Words ? WrapLines(candidate, text, width) : text;
        const QStringList lines = laid.split(QLatin1Char('\n'));
        qreal widest = 0;
        for (const QString& line : lines) {
            widest = std::max(widest, m.horizontalAdvance(line));
        }
        // Lines stand a whole pixel line height apart, as drawn.
        const int lineHeight = QFontMetrics(candidate).height();
        return widest <= width && lineHeight * static_cast<int>(lines.size()) <= height;
    };
    while (!fits(f) && f.pixelSize() > minPixels) {
        f.setPixelSize(f.pixelSize() - 1);
    }
    return f;
}

} // namespace platform::ui::qt
