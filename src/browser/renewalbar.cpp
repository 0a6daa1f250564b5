#include "browser/renewalbar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

RenewalBar::RenewalBar(QWidget *parent)
    : QFrame(parent)
    , m_text(new QLabel)
    , m_renew(new QPushButton(QStringLiteral("ログインし直す")))
{
    // The colours of a tooltip: a note that stands apart from the page and the window alike.
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    setFrameShape(QFrame::StyledPanel);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setForegroundRole(QPalette::ToolTipText);
    m_renew->setObjectName(QStringLiteral("renew"));
    connect(m_renew, &QPushButton::clicked, this, [this] {
        m_renew->setEnabled(false);
        emit renewRequested();
    });
    auto *close = new QToolButton;
    close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    close->setAutoRaise(true);
    close->setToolTip(QStringLiteral("閉じる"));
    close->setAccessibleName(close->toolTip());
    connect(close, &QToolButton::clicked, this, &QWidget::hide);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->addWidget(m_text);
    layout->addWidget(m_renew);
    layout->addStretch();
    layout->addWidget(close);
    hide();
}

void RenewalBar::offer(const QString &account)
{
    showWith(QStringLiteral("%1のログインが切れました。").arg(account), QStringLiteral("ログインし直す"));
}

void RenewalBar::offerLogin(const QString &account)
{
    showWith(QStringLiteral("%1はログインしていません。").arg(account), QStringLiteral("ログイン"));
}

void RenewalBar::fail(const QString &text)
{
    showWith(text, m_renew->text());
}

void RenewalBar::showWith(const QString &text, const QString &button)
{
    m_text->setText(text);
    m_renew->setText(button);
    m_renew->setEnabled(true);
    show();
}
