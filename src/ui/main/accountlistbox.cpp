#include "ui/main/accountlistbox.h"

#include <QPainter>

namespace {

constexpr int kFocusFrameWidth = 2;

} // namespace

AccountListBox::AccountListBox(QWidget *parent)
    : QListWidget(parent)
{
}

void AccountListBox::paintEvent(QPaintEvent *event)
{
    QListWidget::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), kFocusFrameWidth));
    painter.setBrush(Qt::NoBrush);
    const int inset = kFocusFrameWidth / 2;
    painter.drawRect(viewport()->rect().adjusted(inset, inset, -inset, -inset));
}

void AccountListBox::focusInEvent(QFocusEvent *event)
{
    QListWidget::focusInEvent(event);
    viewport()->update();
}

void AccountListBox::focusOutEvent(QFocusEvent *event)
{
    QListWidget::focusOutEvent(event);
    viewport()->update();
}
