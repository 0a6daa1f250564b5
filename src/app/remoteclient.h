#pragma once

#include "app/remoterequest.h"

// A start of the program with a request for the running copy (see commandline.h): hands it over
// through the single-instance channel, starting the program first (as the tray program it is,
// apart from this process) when no copy runs, waits for the reply and tells it, the output on
// standard output and why it failed on standard error. Needs no display. Returns the exit
// status: 0 done, 1 failed, 2 a mistake.
int runRemoteRequest(int &argc, char **argv, const remote::Request &request);
