#include "ui/common/messagebox.h"

#include <QAbstractButton>
#include <QIcon>
#include <QMessageBox>

MessageBoxes::Answer SystemMessageBoxes::show(QWidget *parent, const QString &text, Buttons buttons)
{
    const QMessageBox::StandardButtons standard = buttons == Buttons::OkCancel
            ? QMessageBox::Ok | QMessageBox::Cancel
            : QMessageBox::StandardButtons(QMessageBox::Ok);
    QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, text, standard, parent);
    box.setDefaultButton(QMessageBox::Ok);
    // An ID in the text is shown as typed, never read as markup.
    box.setTextFormat(Qt::PlainText);
    // Plain buttons with the program's own words, whatever translations are installed.
    for (QAbstractButton *button : box.buttons())
        button->setIcon(QIcon());
    if (QAbstractButton *cancel = box.button(QMessageBox::Cancel))
        cancel->setText(QStringLiteral("キャンセル"));
    return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}
