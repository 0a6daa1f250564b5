#pragma once

#include <QByteArray>
#include <QRandomGenerator>

// Store file contents for tests of damaged and unusual stores.

// Bytes from a fixed seed, the same on every run.
inline QByteArray noise(int size, quint32 seed)
{
    QByteArray out(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char &byte : out)
        byte = char(generator.bounded(256));
    return out;
}

// A store of the given number of numbered accounts ("ID5=id5", "PW5=pw5"), one line per key.
inline QByteArray numberedStore(int accounts, int firstSlot = 0)
{
    QByteArray ids("[ID]\n");
    QByteArray passwords("[PW]\n");
    for (int slot = firstSlot; slot < firstSlot + accounts; ++slot) {
        ids += "ID" + QByteArray::number(slot) + "=id" + QByteArray::number(slot) + '\n';
        passwords += "PW" + QByteArray::number(slot) + "=pw" + QByteArray::number(slot) + '\n';
    }
    return ids + passwords;
}
