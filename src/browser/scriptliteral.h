#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QString>

// The text as a string literal in one of the program's scripts for a page: whatever characters
// it holds, it stays one string.
inline QString scriptLiteral(const QString &text)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{ text }).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
}
