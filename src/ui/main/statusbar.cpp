#include "ui/main/statusbar.h"

#include <QLabel>

StatusBar::StatusBar(QWidget *parent)
    : QStatusBar(parent)
    , m_text(new QLabel(this))
{
    setSizeGripEnabled(false);
    // IDs in the text are shown as typed, never read as markup.
    m_text->setTextFormat(Qt::PlainText);
    // The bar takes the width the window has; the text fits itself into it.
    m_text->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // A normal (not temporary) widget: menu status tips come and go without clearing it.
    addWidget(m_text, 1);
}

QString StatusBar::text() const
{
    return m_fullText;
}

void StatusBar::setText(const QString &text)
{
    m_fullText = text;
    setToolTip(text);
    setAccessibleDescription(text);
    showText();
}

void StatusBar::resizeEvent(QResizeEvent *event)
{
    QStatusBar::resizeEvent(event);
    showText();
}

void StatusBar::showText()
{
    m_text->setText(m_text->fontMetrics().elidedText(m_fullText, Qt::ElideRight, m_text->contentsRect().width()));
}
