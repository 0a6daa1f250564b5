#include "tray/traytexts.h"

#include "platform/versioninfo.h"

namespace {

constexpr int kLongestId = 40;

} // namespace

QString shortenedId(const QString &id)
{
    if (id.size() <= kLongestId)
        return id;
    // Both ends kept whole, never half of a character written as two.
    qsizetype head = kLongestId / 2;
    qsizetype tail = id.size() - (kLongestId - head - 1);
    if (id.at(head - 1).isHighSurrogate())
        --head;
    if (id.at(tail).isLowSurrogate())
        ++tail;
    return id.left(head) + QChar(0x2026) + id.mid(tail);
}

QString trayAccountLine(const QString &current, const QStringList &loggedIn)
{
    if (current.isEmpty())
        return loggedIn.isEmpty() ? QString() : QStringLiteral("ログイン中: %1件").arg(loggedIn.size());
    const QString shown = shortenedId(current);
    const qsizetype others = loggedIn.size() - loggedIn.count(current);
    return others > 0 ? QStringLiteral("%1 ほか%2件").arg(shown).arg(others) : shown;
}

QString trayToolTip(const QString &everyAccountProgress, const QString &running, const QString &current,
                    const QStringList &loggedIn)
{
    const QString second = !everyAccountProgress.isEmpty() ? everyAccountProgress
            : !running.isEmpty()                             ? running
                                                             : trayAccountLine(current, loggedIn);
    QString tip = QString::fromUtf8(VersionInfo::legalTrademarks);
    if (!second.isEmpty())
        tip += QLatin1Char('\n') + second;
    return tip;
}


QString trayFailureText(const QString &statusText, const QString &account, const QString &cause)
{
    if (account.isEmpty())
        return cause.isEmpty() ? statusText : statusText + QLatin1Char('\n') + cause;
    QString text = statusText + QLatin1Char('\n') + shortenedId(account);
    if (!cause.isEmpty())
        text += QStringLiteral(": ") + cause;
    return text;
}
