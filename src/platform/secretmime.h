#pragma once

class QMimeData;

// Marks clipboard data as a secret in the ways the system's clipboard histories understand, so
// that they do not keep it.
void markAsSecret(QMimeData &data);
