#include "browser/tabbuttons.h"

#include "ui/common/accountmark.h"

#include <QCommonStyle>
#include <QEvent>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QString>
#include <QStyle>
#include <QStyleOption>

namespace {

// Whether the style draws the mark that closes a tab itself. Fusion and Windows leave it to Qt's
// common base, which has only an old bitmap for it: an orange box, whatever the icon theme.
bool drawsOwnTabCloseMark(const QStyle *style, const QWidget *widget)
{
    const QSize size(style->pixelMetric(QStyle::PM_TabCloseIndicatorWidth, nullptr, widget),
                     style->pixelMetric(QStyle::PM_TabCloseIndicatorHeight, nullptr, widget));
    const auto drawnBy = [size](const QStyle *drawing) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        QStyleOption option;
        option.rect = image.rect();
        option.state = QStyle::State_Enabled | QStyle::State_Selected;
        drawing->drawPrimitive(QStyle::PE_IndicatorTabClose, &option, &painter, nullptr);
        return image;
    };
    const QCommonStyle common;
    return drawnBy(style) != drawnBy(&common);
}

} // namespace

TabCloseButton::TabCloseButton()
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    setAttribute(Qt::WA_Hover);
    setToolTip(QStringLiteral("タブを閉じる"));
    setAccessibleName(QStringLiteral("タブを閉じる"));
    m_ownMark = drawsOwnTabCloseMark(style(), this);
    resize(sizeHint());
}

QTabBar::ButtonPosition TabCloseButton::closeSide(const QTabBar *bar)
{
    return QTabBar::ButtonPosition(bar->style()->styleHint(QStyle::SH_TabBar_CloseButtonPosition, nullptr, bar));
}


QSize TabCloseButton::sizeHint() const
{
    ensurePolished();
    return { style()->pixelMetric(QStyle::PM_TabCloseIndicatorWidth, nullptr, this),
             style()->pixelMetric(QStyle::PM_TabCloseIndicatorHeight, nullptr, this) };
}

void TabCloseButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::StyleChange)
        m_ownMark = drawsOwnTabCloseMark(style(), this);
    QAbstractButton::changeEvent(event);
}

void TabCloseButton::paintEvent(QPaintEvent *)
{
    // The states Qt's own close button gives the style.
    QStyleOption option;
    option.initFrom(this);
    option.state |= QStyle::State_AutoRaise;
    if (isEnabled() && underMouse() && !isDown())
        option.state |= QStyle::State_Raised;
    if (isDown())
        option.state |= QStyle::State_Sunken;
    const auto *bar = qobject_cast<const QTabBar *>(parentWidget());
    if (bar && bar->tabButton(bar->currentIndex(), closeSide(bar)) == this)
        option.state |= QStyle::State_Selected;
    QPainter painter(this);
    if (m_ownMark) {
        style()->drawPrimitive(QStyle::PE_IndicatorTabClose, &option, &painter, this);
        return;
    }
    if (option.state & (QStyle::State_Raised | QStyle::State_Sunken))
        style()->drawPrimitive(QStyle::PE_PanelButtonTool, &option, &painter, this);
    style()->standardIcon(QStyle::SP_TitleBarCloseButton, &option, this)
            .paint(&painter, rect(), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
}

TabCloseButton *putTabButtons(QTabBar *bar, int index, const QString &account)
{
    auto *mark = new QLabel;
    const int markSize = bar->fontMetrics().height() * 2 / 3;
    mark->setPixmap(accountMark(account).pixmap(markSize, markSize));
    mark->setToolTip(accountLabel(account));
    mark->setAccessibleName(QStringLiteral("アカウント: %1").arg(accountLabel(account)));
    const QTabBar::ButtonPosition closeSide = TabCloseButton::closeSide(bar);
    bar->setTabButton(index, closeSide == QTabBar::LeftSide ? QTabBar::RightSide : QTabBar::LeftSide, mark);
    auto *close = new TabCloseButton;
    bar->setTabButton(index, closeSide, close);
    return close;
}
