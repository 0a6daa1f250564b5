#pragma once

#include <QPointer>

class QWidget;

// A window that takes no input while one of its commands waits (for the keyring's unlock prompt,
// for a login), and then takes it again with the keyboard focus where it was. Disabling a window
// takes the focus from the widget that had it, and nothing gives it back by itself: the next key
// would reach nothing.
class InputPause
{
public:
    // `fallback` takes the focus when the widget that had it can no longer take it.
    InputPause(QWidget &window, QWidget &fallback);

    // The window takes no input from now on. Pausing again before resuming changes nothing.
    void pause();
    // The window takes input again, and the focus goes back where it was.
    void resume();

private:
    QWidget &m_window;
    QWidget &m_fallback;
    QPointer<QWidget> m_focus;
    bool m_hadFocus = false;
    bool m_paused = false;
};
