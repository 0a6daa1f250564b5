#include "platform/winregistry.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <utility>

namespace WinRegistry {

namespace {

enum class Found { Value, Absent, Failed };

// Reads a REG_SZ value: Absent when the key or the value does not exist.
Found readValue(const std::wstring &key, const std::wstring &name, std::wstring &value)
{
    // The value may grow between asking its size and reading it: ask again then.
    for (;;) {
        DWORD bytes = 0;
        LONG status = RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_SZ,
                                   nullptr, nullptr, &bytes);
        if (status == ERROR_FILE_NOT_FOUND)
            return Found::Absent;
        if (status != ERROR_SUCCESS)
            return Found::Failed;
        std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = DWORD(text.size() * sizeof(wchar_t));
        status = RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr,
                              text.data(), &bytes);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status == ERROR_FILE_NOT_FOUND)
            return Found::Absent;
        if (status != ERROR_SUCCESS)
            return Found::Failed;
        // The size counts the terminating null, which RegGetValueW always writes.
        text.resize(bytes / sizeof(wchar_t));
        if (!text.empty() && text.back() == L'\0')
            text.pop_back();
        value = std::move(text);
        return Found::Value;
    }
}

bool writeValue(const std::wstring &key, const std::wstring &name, const std::wstring &value)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &handle, nullptr)
        != ERROR_SUCCESS)
        return false;
    const DWORD bytes = DWORD((value.size() + 1) * sizeof(wchar_t));
    const LONG status = RegSetValueExW(handle, name.c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE *>(value.c_str()), bytes);
    RegCloseKey(handle);
    return status == ERROR_SUCCESS;
}

// Removes a value: ERROR_FILE_NOT_FOUND when it (or its key) was not there.
LONG deleteValue(const std::wstring &key, const std::wstring &name)
{
    HKEY handle = nullptr;
    LONG status = RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE, &handle);
    if (status == ERROR_SUCCESS) {
        status = RegDeleteValueW(handle, name.c_str());
        RegCloseKey(handle);
    }
    return status;
}

} // namespace

Store::Store(std::wstring applicationKey)
    : m_applicationKey(std::move(applicationKey))
{
}

std::wstring Store::sectionKey(const std::wstring &section) const
{
    return m_applicationKey + L'\\' + section;
}

std::optional<std::wstring> Store::read(const std::wstring &section, const std::wstring &name) const
{
    std::wstring value;
    if (readValue(sectionKey(section), name, value) != Found::Value)
        return std::nullopt;
    return value;
}

bool Store::remove(const std::wstring &section, const std::wstring &name)
{
    return deleteValue(sectionKey(section), name) == ERROR_SUCCESS;
}

bool Store::commit(const std::vector<Change> &changes)
{
    // What every value held before: a value that cannot be read could not be put back.
    std::vector<std::optional<std::wstring>> previous;
    previous.reserve(changes.size());
    for (const Change &change : changes) {
        std::wstring value;
        const Found found = readValue(sectionKey(change.section), change.name, value);
        if (found == Found::Failed)
            return false;
        previous.push_back(found == Found::Value ? std::optional(std::move(value)) : std::nullopt);
    }

    auto apply = [this](const Change &change, const std::optional<std::wstring> &value) {
        const std::wstring key = sectionKey(change.section);
        if (value)
            return writeValue(key, change.name, *value);
        const LONG status = deleteValue(key, change.name);
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    };
    for (size_t done = 0; done < changes.size(); ++done) {
        if (apply(changes[done], changes[done].value))
            continue;
        // The registry did not take this one: the ones before it get their old values back,
        // the last first, so that nothing reads a half-made change.
        while (done-- > 0)
            apply(changes[done], previous[done]);
        return false;
    }
    return true;
}

} // namespace WinRegistry
