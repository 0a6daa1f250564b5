#pragma once

// The accounts' values in the Windows registry, through the Win32 API and nothing else, so
// that the values are exactly what earlier editions and other programs see: every value is a
// plain REG_SZ holding the UTF-16 text as given, with no escaping of any kind.

#include <optional>
#include <string>
#include <vector>

namespace WinRegistry {

// Where the per-user program-settings functions of earlier editions keep their values, under
// HKEY_CURRENT_USER: one key per application, one subkey per section.
inline constexpr wchar_t kProgramSettingsKey[] = L"Software\\VB and VBA Program Settings";

// One value to store (or, without a value, to remove).
struct Change
{
    std::wstring section;
    std::wstring name;
    std::optional<std::wstring> value;
};

// The values of one application, HKEY_CURRENT_USER\<applicationKey>\<section>\<name>.
class Store
{
public:
    explicit Store(std::wstring applicationKey);

    // The value, or nothing when there is no such string value (or it cannot be read).
    std::optional<std::wstring> read(const std::wstring &section, const std::wstring &name) const;

    // Stores and removes the values as one step: when one of them cannot be stored, the ones
    // before it get back what they held, and it fails. Removing an absent value is no failure.
    bool commit(const std::vector<Change> &changes);

    // Removes one value; fails when there is no such value.
    bool remove(const std::wstring &section, const std::wstring &name);

private:
    std::wstring sectionKey(const std::wstring &section) const;

    std::wstring m_applicationKey;
};

} // namespace WinRegistry
