#pragma once

#include <QString>

#include <array>

// The accounts in memory: IDs and passwords by edition code (0..3) and account slot (0..99).
// Only the running edition's column is used.
class AccountTable
{
public:
    static constexpr int kEditions = 4;
    static constexpr int kSlots = 100;

    static constexpr bool isValid(qint16 edition, qint16 slot)
    {
        return edition >= 0 && edition < kEditions && slot >= 0 && slot < kSlots;
    }

    // Reads outside the table give an empty string; writes outside it fail.
    QString id(qint16 edition, qint16 slot) const;
    QString password(qint16 edition, qint16 slot) const;
    bool set(qint16 edition, qint16 slot, const QString &id, const QString &password);

private:
    std::array<std::array<QString, kSlots>, kEditions> m_ids;
    std::array<std::array<QString, kSlots>, kEditions> m_passwords;
};
