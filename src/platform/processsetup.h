#pragma once

#include <QString>

// What the process settles for itself before anything else runs.

// Keeps the passwords out of core files: a crash of the program, or of a browser engine
// helper it starts later (they inherit the limit), leaves no copy of its memory on disk.
// Sets the soft limit, which the helpers do not raise. False when the system refused.
bool disableCoreDumps();

// A desktop session gives every program a private runtime folder in XDG_RUNTIME_DIR.
// Started without one (from cron, su or ssh), the program makes its own the way the toolkit
// would, a folder of the user's alone (0700) in the temporary folder, and points
// XDG_RUNTIME_DIR at it, so that the toolkit does not complain about it on every start. A
// folder of that name that is not the user's own (or not a folder) is left alone. Returns
// the runtime folder in use, empty when there is none.
QString ensureRuntimeFolder();
