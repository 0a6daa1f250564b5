#pragma once

// Keeps the program quiet in the tray: drops the browser engine's start-up chatter, and
// passes every other message on as before.
void installQuietMessages();
