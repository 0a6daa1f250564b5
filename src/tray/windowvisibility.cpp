#include "tray/windowvisibility.h"

#include "app/program.h"
#include "app/twips.h"
#include "tray/frmtasktray.h"
#include "ui/main/frmmainld.h"

#include <QAction>
#include <QtMath>

void setTopmost(QWidget *window, bool topmost)
{
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == topmost)
        return;
    const bool visible = window->isVisible();
    const QPoint position = window->pos();
    // Changing a window flag hides the window; bring it back where it stood.
    window->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    if (visible) {
        window->move(position);
        window->show();
    }
}

void ShowMainWindow()
{
    Program &program = Program::current();
    frmMainLd &window = program.mainLd();
    window.move(twipsToPixels(program.shared.rememberedLeft, window.logicalDpiX()),
                twipsToPixels(program.shared.rememberedTop, window.logicalDpiY()));
    window.show();
    window.raise();
    window.activateWindow();
    if (program.shared.alwaysOnTop) {
        setTopmost(&window, true);
        window.mnWindowPos->setChecked(true);
    } else {
        window.mnWindowPos->setChecked(false);
    }
    program.tasktray().mnShowMain->setChecked(true);
}

void RememberMainWindowPosition()
{
    Program &program = Program::current();
    frmMainLd &window = program.mainLd();
    program.shared.rememberedTop = qRound(double(window.y()) * kTwipsPerInch / window.logicalDpiY());
    program.shared.rememberedLeft = qRound(double(window.x()) * kTwipsPerInch / window.logicalDpiX());
}

void placeDialogAtRememberedPosition(QWidget *dialog)
{
    const SharedValues &shared = Program::current().shared;
    dialog->move(twipsToPixels(shared.rememberedLeft, dialog->logicalDpiX()),
                 twipsToPixels(shared.rememberedTop, dialog->logicalDpiY()));
    if (shared.alwaysOnTop)
        setTopmost(dialog, true);
}

void HideMainWindow()
{
    RememberMainWindowPosition();
    Program::current().mainLd().hide();
    Program::current().tasktray().mnShowMain->setChecked(false);
}
