#include "browser/gesturerule.h"

#include "browser/portalpage.h"

#include <QChildEvent>
#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace {

qint64 steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool isUserAction(const QEvent *event)
{
    return event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress;
}

} // namespace

GestureRule::GestureRule(Clock clock, QObject *parent)
    : QObject(parent)
    , m_clock(clock ? std::move(clock) : Clock(steadyMilliseconds))
{
}

void GestureRule::watch(QWidget *view)
{
    // No action yet: the page has nothing to spend.
    m_actions.insert(view, Action{ 0, true });
    view->installEventFilter(this);
    for (QWidget *child : view->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        child->installEventFilter(this);
    connect(view, &QObject::destroyed, this, [this, view] { m_actions.remove(view); });
}

bool GestureRule::eventFilter(QObject *watched, QEvent *event)
{
    // A view shows its page in a widget of its own, made as the page first loads (and again when
    // its renderer is replaced): that is where the user's clicks and keys arrive.
    if (event->type() == QEvent::ChildAdded && m_actions.contains(watched)) {
        if (QObject *child = static_cast<QChildEvent *>(event)->child(); child->isWidgetType())
            child->installEventFilter(this);
        return false;
    }
    if (!isUserAction(event))
        return false;
    const QObject *view = m_actions.contains(watched) ? watched : watched->parent();
    if (auto it = m_actions.find(view); it != m_actions.end())
        *it = Action{ m_clock(), false };
    return false;
}

bool GestureRule::mayLeave(const QWidget *view, const QUrl &start, const Activation &activated)
{
    const auto it = m_actions.find(view);
    if (it == m_actions.end() || it->used || m_clock() - it->at > kSpan.count() || activated.target.isEmpty())
        return false;
    // A form's address gets its fields as a query, or in the body.
    const QUrl::FormattingOptions compared = activated.form ? QUrl::RemoveQuery | QUrl::RemoveFragment : QUrl::None;
    if (!start.matches(activated.target, compared))
        return false;
    it->used = true;
    return true;
}

void GestureRule::judge(PortalPage *page, const QUrl &start, const std::function<void(bool leaves)> &verdict)
{
    PortalPage *actor = !page->hasShownPage() && page->openedBy() ? page->openedBy() : page;
    // A page's view is its parent.
    QPointer<QWidget> view = qobject_cast<QWidget *>(actor->parent());
    actor->askActivation([self = QPointer(this), view, start, verdict](const Activation &activated) {
        if (self)
            verdict(view && self->mayLeave(view, start, activated));
    });
}
