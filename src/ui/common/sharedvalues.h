#pragma once

#include "platform/vbbool.h"

#include <QtGlobal>

// Portal edition of the product family. This program is the livedoor edition.
enum EditionCode : qint16 {
    EditionYahoo = 0,
    EditionRakuten = 1,
    EditionBidders = 2,
    EditionLivedoor = 3,
};

// The values the windows hand to one another. All start at zero (false).
struct SharedValues
{
    qint16 editionCode = 0;
    // Where the main window stood when it was last hidden or opened a dialog, in twips.
    qint32 rememberedLeft = 0;
    qint32 rememberedTop = 0;
    VbBool alwaysOnTop = kVbFalse;
    // The account slot the entry dialog edits.
    qint16 selectedSlot = 0;
};
