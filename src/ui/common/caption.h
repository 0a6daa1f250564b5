#pragma once

#include <QString>

// A menu entry's or a tab's caption showing the text exactly as it is (an ID, a page's title):
// Qt reads '&' there as the mark of an access key, so each is doubled.
inline QString literalCaption(QString text)
{
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}
