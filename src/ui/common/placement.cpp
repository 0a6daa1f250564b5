#include "ui/common/placement.h"

#include "platform/desktopwindow.h"
#include "ui/common/twips.h"

#include <QApplication>
#include <QLayout>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <limits>

namespace {

// The property in which a window keeps the frame it was last told of while shown: a window
// manager takes the frame away from a hidden window, and may tell an empty one then.
constexpr char kToldFrame[] = "toldFrame";

// The frame the window manager gives the window: as it tells while the window shows, or told
// when it last showed; for a window never shown, as told ahead (requestFrameExtents) or else the
// frame of another of the program's windows on the screen (a window manager frames them alike);
// none without a window manager.
QMargins reckonedFrame(QWidget *window)
{
    const QVariant told = window->property(kToldFrame);
    if (window->isVisible() || !told.isValid()) {
        if (const std::optional<QMargins> own = DesktopWindow::frameExtents(*window)) {
            if (window->isVisible())
                window->setProperty(kToldFrame, QVariant::fromValue(*own));
            return *own;
        }
    }
    if (told.isValid())
        return told.value<QMargins>();
    for (QWidget *other : QApplication::topLevelWidgets()) {
        if (other == window || !other->isVisible()
            || (other->windowType() != Qt::Window && other->windowType() != Qt::Dialog))
            continue;
        if (const std::optional<QMargins> theirs = DesktopWindow::frameExtents(*other))
            return *theirs;
    }
    return {};
}

// `frame` moved as little as it takes to lie whole on the free area of the screen it covers
// most, or of the nearest screen when it covers none.
QRect ontoFreeArea(const QRect &frame)
{
    QRect chosen;
    qint64 chosenOverlap = 0;
    qint64 nearestDistance = std::numeric_limits<qint64>::max();
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        const QRect overlap = area.intersected(frame);
        const qint64 covered = overlap.isEmpty() ? 0 : qint64(overlap.width()) * overlap.height();
        const QPoint offset = area.center() - frame.center();
        const qint64 distance = qint64(offset.x()) * offset.x() + qint64(offset.y()) * offset.y();
        if (covered > chosenOverlap || (chosenOverlap == 0 && covered == 0 && distance < nearestDistance)) {
            chosen = area;
            chosenOverlap = covered;
            nearestDistance = distance;
        }
    }
    if (chosen.isNull())
        return frame;
    // A frame larger than the area keeps its top-left corner on it: the title bar stays reachable.
    return QRect(QPoint(qBound(chosen.left(), frame.x(), qMax(chosen.left(), chosen.right() + 1 - frame.width())),
                        qBound(chosen.top(), frame.y(), qMax(chosen.top(), chosen.bottom() + 1 - frame.height()))),
                 frame.size());
}

void placeWithFrame(QWidget *window, QPoint frameTopLeft, const QMargins &frame)
{
    // Qt's own idea of a window's frame is unreliable on X11 before and between showings, so the
    // window itself (the part inside the frame) is placed.
    const QPoint place = ontoFreeArea(QRect(frameTopLeft, window->size().grownBy(frame))).topLeft();
    window->setGeometry(QRect(place + QPoint(frame.left(), frame.top()), window->size()));
}

// The name of a window's FrameRecheck among its children (the class has no meta-object of its own
// to be found by).
const QString kFrameRecheckName = QStringLiteral("frameRecheck");

// Looks once more, when the window has first been drawn, at the frame the window manager gave
// it, and places the window again if that frame is not the one it was placed by.
class FrameRecheck : public QObject
{
public:
    FrameRecheck(QWidget *window, QPoint frameTopLeft, const QMargins &reckoned)
        : QObject(window)
        , m_window(window)
        , m_frameTopLeft(frameTopLeft)
        , m_reckoned(reckoned)
    {
        setObjectName(kFrameRecheckName);
        // Its window system's window is there once it shows.
        window->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window) {
            if (event->type() == QEvent::Show && m_window->windowHandle())
                m_window->windowHandle()->installEventFilter(this);
            else if (event->type() == QEvent::Hide)
                deleteLater();
        } else if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed()) {
            if (const QMargins told = reckonedFrame(m_window); told != m_reckoned)
                placeWithFrame(m_window, m_frameTopLeft, told);
            watched->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QWidget *m_window;
    QPoint m_frameTopLeft;
    QMargins m_reckoned;
};

void placeReckoned(QWidget *window, QPoint frameTopLeft, const QMargins &reckoned)
{
    // The window's own size, as its layout makes it, even before its first showing.
    window->ensurePolished();
    if (QLayout *layout = window->layout())
        layout->activate();
    delete window->findChild<QObject *>(kFrameRecheckName, Qt::FindDirectChildrenOnly);
    placeWithFrame(window, frameTopLeft, reckoned);
    if (!window->isVisible())
        new FrameRecheck(window, frameTopLeft, reckoned);
}

} // namespace

void placeInTwips(QWidget *control, int left, int top, int width, int height)
{
    const int dpiX = control->logicalDpiX();
    const int dpiY = control->logicalDpiY();
    control->setGeometry(twipsToPixels(left, dpiX), twipsToPixels(top, dpiY),
                         twipsToPixels(width, dpiX), twipsToPixels(height, dpiY));
}

QPoint framePosition(QWidget *window)
{
    const QMargins frame = reckonedFrame(window);
    return window->geometry().topLeft() - QPoint(frame.left(), frame.top());
}

void placeFrame(QWidget *window, QPoint frameTopLeft)
{
    placeReckoned(window, frameTopLeft, reckonedFrame(window));
}

QPoint rememberedFramePosition(const SharedValues &shared, const QWidget *window)
{
    return { twipsToPixels(shared.rememberedLeft, window->logicalDpiX()),
             twipsToPixels(shared.rememberedTop, window->logicalDpiY()) };
}

void setTopmost(QWidget *window, bool topmost)
{
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == topmost)
        return;
    const bool visible = window->isVisible();
    const QMargins frame = reckonedFrame(window);
    const QPoint position = window->geometry().topLeft() - QPoint(frame.left(), frame.top());
    // Changing a window flag hides the window, and Qt may make it anew; bring it back where it
    // stood, by the frame it had.
    window->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    if (visible) {
        placeReckoned(window, position, frame);
        window->show();
    }
}

void placeDialogAtRememberedPosition(QWidget *dialog, const SharedValues &shared)
{
    if (shared.alwaysOnTop)
        setTopmost(dialog, true);
    placeFrame(dialog, rememberedFramePosition(shared, dialog));
}
