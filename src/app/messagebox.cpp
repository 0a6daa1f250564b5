#include "app/messagebox.h"

#include <QMessageBox>

MessageBoxes::Answer SystemMessageBoxes::show(QWidget *parent, const QString &text, Buttons buttons)
{
    const QMessageBox::StandardButtons standard = buttons == Buttons::OkCancel
            ? QMessageBox::Ok | QMessageBox::Cancel
            : QMessageBox::StandardButtons(QMessageBox::Ok);
    QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, text, standard, parent);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}
