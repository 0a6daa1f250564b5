#pragma once

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

// The first character of the texts that no installed Japanese font can draw, described for
// a failure message; empty when every character has a real glyph (or no Japanese font is
// installed at all, which the text says).
inline QString missingJapaneseGlyph(const QStringList &texts)
{
    const QStringList families = QFontDatabase::families(QFontDatabase::Japanese);
    if (families.isEmpty())
        return QStringLiteral("no Japanese font installed");
    for (const QString &text : texts) {
        for (const char32_t c : text.toUcs4()) {
            bool covered = false;
            for (const QString &family : families)
                covered = covered || QFontMetrics(QFont(family)).inFontUcs4(c);
            if (!covered)
                return QStringLiteral("no glyph for U+%1 in \"%2\"")
                        .arg(uint(c), 4, 16, QLatin1Char('0'))
                        .arg(text);
        }
    }
    return QString();
}
