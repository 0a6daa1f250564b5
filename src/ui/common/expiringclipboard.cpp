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
    const bool copied = m_clipboard.setSecretText(text);
    m_expiry.stop();
    m_copied.clear();
    if (copied && m_enabled()) {
        m_copied = text;
        m_expiry.start();
    }
    return copied;
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
