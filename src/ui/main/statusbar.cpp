#include "ui/main/statusbar.h"

#include <QLabel>

StatusBar::StatusBar(QWidget *parent)
    : QStatusBar(parent)
    , m_text(new QLabel(this))
{
    setSizeGripEnabled(false);
    // IDs in the text are shown as typed, never read as markup.
    m_text->setTextFormat(Qt::PlainText);
    // A normal (not temporary) widget: menu status tips come and go without clearing it.
    addWidget(m_text, 1);
}

QString StatusBar::text() const
{
    return m_text->text();
}

void StatusBar::setText(const QString &text)
{
    m_text->setText(text);
}
