#pragma once

class QProcess;

// What the system gives the program's child processes (the engine helper).

// Whether the program runs as the system's administrator (root), as whom the browser engine
// will not start its sandbox.
bool runsAsRoot();

// Makes the child end when the program dies without ending it (where the system offers that,
// Linux); it is set before the child starts.
void endWithThisProcess(QProcess &child);
