#pragma once

#include "store/accountfile.h"

// The accounts of a registry export of the Windows edition's settings (regedit's "Windows
// Registry Editor Version 5.00" when `unicode`, or REGEDIT4), from the text after its header: the
// IDs and passwords under the current user's key alone, each value in a line of its own.
ImportResult readRegistryExport(const QString &text, bool unicode);
