#include "ui/main/frmmainld.h"

void frmMainLd::connectLinkMenus()
{
}
