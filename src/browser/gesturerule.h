#pragma once

#include <QHash>
#include <QObject>
#include <QUrl>

#include <chrono>
#include <functional>

class PortalPage;
class QEvent;
class QWidget;

// What the user's latest click or key press in a page activated, as the page itself saw it: the
// address of a link, or of a form sent (to which the form's fields may add a query). Empty when
// the action activated neither.
struct Activation
{
    QUrl target;
    bool form = false;
};

// Which addresses off the portal a page may hand to the default browser: only what the user's own
// click or key press in that page activated, one address for each such action, and only shortly
// after it. A navigation a script starts on its own (from a timer, or in another tab, or to
// another address than the user chose) gets nothing, nor does the same action twice.
//
// It watches each page's view, and the widgets the view makes for its page later, for the
// user's mouse presses and key presses.
class GestureRule final : public QObject
{
    Q_OBJECT
public:
    // How long after a click or a key press its address may still go: as long as the engine's own
    // mark of a user's action lasts.
    static constexpr std::chrono::milliseconds kSpan{ 5000 };
    // Milliseconds of a steady clock.
    using Clock = std::function<qint64()>;

    explicit GestureRule(Clock clock = {}, QObject *parent = nullptr);

    // Watches the view for the user's actions in its page.
    void watch(QWidget *view);
    // A navigation of the view's page that began at `start` (before any redirect) leads off the
    // portal, and the page says what the user's latest action in it activated: whether the
    // address goes to the default browser. One that goes uses the action up.
    bool mayLeave(const QWidget *view, const QUrl &start, const Activation &activated);
    // The same for a page of a view watched, once the page the user acted in has said what the
    // action activated: the page itself, or for a new window that shows nothing yet, the page
    // that opened it. `verdict` hears whether the address goes, unless the rule goes first.
    void judge(PortalPage *page, const QUrl &start, const std::function<void(bool leaves)> &verdict);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Action
    {
        qint64 at = 0;
        bool used = false;
    };

    Clock m_clock;
    // The latest action in each view watched.
    QHash<const QObject *, Action> m_actions;
};
