#include "ui/common/expiringclipboard.h"

ExpiringClipboard::ExpiringClipboard(Clipboard &clipboard, std::function<bool()> enabled,
                                     std::chrono::milliseconds lifetime, QObject *parent)
    : QObject(parent)
    , m_clipboard(clipboard)
    , m_enabled(std::move(enabled))
{
    m_expiry.setSingleShot(true);
    m_expiry.setInterval(lifetime);
    connect(&m_expiry, &QTimer::timeout, this, &ExpiringClipboard::expire);
}

ExpiringClipboard::~ExpiringClipboard()
{
    expire();
}

bool ExpiringClipboard::setSecretText(const QString &text)
{
    // A copy that fails leaves the password copied before to its own time: it may still be there.
    if (!m_clipboard.setSecretText(text))
        return false;
    m_expiry.stop();
    m_copied.clear();
    if (m_enabled()) {
        m_copied = text;
        m_expiry.start();
    }
    return true;
}

QString ExpiringClipboard::text() const
{
    return m_clipboard.text();
}

void ExpiringClipboard::clear()
{
    m_clipboard.clear();
}

void ExpiringClipboard::expire()
{
    m_expiry.stop();
    if (!m_copied.isEmpty() && m_clipboard.text() == m_copied)
        m_clipboard.clear();
    m_copied.clear();
}
