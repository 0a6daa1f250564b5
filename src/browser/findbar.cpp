#include "browser/findbar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QWebEngineFindTextResult>
#include <QWebEnginePage>

FindBar::FindBar(CurrentPage currentPage, QWidget *parent)
    : QWidget(parent)
    , m_currentPage(std::move(currentPage))
    , m_text(new QLineEdit)
    , m_result(new QLabel)
{
    // The buttons show marks alone: their names are what a screen reader says of them.
    m_text->setPlaceholderText(QStringLiteral("ページ内検索"));
    m_text->setAccessibleName(QStringLiteral("ページ内検索"));
    m_text->setClearButtonEnabled(true);
    connect(m_text, &QLineEdit::textChanged, this, [this] { find(false); });
    connect(m_text, &QLineEdit::returnPressed, this, [this] { find(false); });
    for (QKeyCombination keys : { Qt::SHIFT | Qt::Key_Return, Qt::SHIFT | Qt::Key_Enter }) {
        auto *shortcut = new QShortcut(keys, m_text);
        shortcut->setContext(Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, [this] { find(true); });
    }
    auto *previous = new QToolButton;
    previous->setArrowType(Qt::UpArrow);
    previous->setToolTip(QStringLiteral("前を検索"));
    previous->setAccessibleName(previous->toolTip());
    connect(previous, &QToolButton::clicked, this, [this] { find(true); });
    auto *next = new QToolButton;
    next->setArrowType(Qt::DownArrow);
    next->setToolTip(QStringLiteral("次を検索"));
    next->setAccessibleName(next->toolTip());
    connect(next, &QToolButton::clicked, this, [this] { find(false); });
    auto *close = new QToolButton;
    close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    close->setAutoRaise(true);
    close->setToolTip(QStringLiteral("閉じる"));
    close->setAccessibleName(close->toolTip());
    connect(close, &QToolButton::clicked, this, &FindBar::dismiss);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    m_text->setMaximumWidth(320);
    layout->addWidget(m_text);
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(m_result);
    layout->addStretch();
    layout->addWidget(close);
    hide();
}

void FindBar::open()
{
    show();
    m_text->setFocus();
    m_text->selectAll();
    if (!m_text->text().isEmpty())
        find(false);
}

void FindBar::dismiss()
{
    if (m_page)
        m_page->findText(QString());
    m_page = nullptr;
    m_result->clear();
    if (isHidden())
        return;
    const bool hadFocus = isAncestorOf(window()->focusWidget());
    hide();
    emit dismissed(hadFocus);
}

void FindBar::showResult(const QWebEnginePage *page, const QWebEngineFindTextResult &result)
{
    if (page != m_page)
        return;
    if (m_text->text().isEmpty())
        m_result->clear();
    else if (result.numberOfMatches() == 0)
        m_result->setText(QStringLiteral("見つかりません"));
    else
        m_result->setText(QStringLiteral("%1 / %2").arg(result.activeMatch())
                                  .arg(result.numberOfMatches()));
}

void FindBar::find(bool backward)
{
    QWebEnginePage *page = m_currentPage();
    if (!page || isHidden())
        return;
    m_page = page;
    m_page->findText(m_text->text(),
                     backward ? QWebEnginePage::FindBackward : QWebEnginePage::FindFlags());
}
