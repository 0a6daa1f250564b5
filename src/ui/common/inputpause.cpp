#include "ui/common/inputpause.h"

#include <QWidget>

InputPause::InputPause(QWidget &window, QWidget &fallback)
    : m_window(window)
    , m_fallback(fallback)
{
}

void InputPause::pause()
{
    if (m_paused)
        return;
    m_paused = true;
    m_focus = m_window.focusWidget();
    m_hadFocus = m_focus != nullptr;
    m_window.setEnabled(false);
}

void InputPause::resume()
{
    if (!m_paused)
        return;
    m_paused = false;
    m_window.setEnabled(true);
    if (!m_hadFocus)
        return;
    const bool canTakeIt = m_focus && m_focus->isEnabled() && m_focus->isVisible()
            && m_focus->focusPolicy() != Qt::NoFocus;
    (canTakeIt ? m_focus.data() : &m_fallback)->setFocus(Qt::OtherFocusReason);
}
