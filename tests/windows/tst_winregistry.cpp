// The registry store on Windows (or Wine): values stored and read exactly as typed, as plain
// REG_SZ strings, by the same calls the program makes. Prints the names of the cases that
// fail, never their values.
#include "platform/winregistry.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const std::wstring kApplication = std::wstring(WinRegistry::kProgramSettingsKey) + L"\\YRMLD";

int failures = 0;

void check(bool ok, const char *name)
{
    if (!ok) {
        ++failures;
        std::printf("FAIL: %s\n", name);
    }
}

// The value as any other program sees it: its type and its bytes, not through the unit.
bool storedExactly(const std::wstring &section, const std::wstring &name, const std::wstring &text)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (kApplication + L'\\' + section).c_str(), 0, KEY_QUERY_VALUE, &key)
        != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD bytes = 0;
    LONG status = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &bytes);
    std::wstring data(bytes / sizeof(wchar_t), L'\0');
    if (status == ERROR_SUCCESS)
        status = RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE *>(data.data()),
                                  &bytes);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ && data == text + L'\0';
}

// Sets a key's access list from its SDDL form; the owner may always do so.
bool setAccess(const std::wstring &section, const wchar_t *sddl)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (kApplication + L'\\' + section).c_str(), 0, WRITE_DAC, &key)
        != ERROR_SUCCESS)
        return false;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    bool ok = ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr)
            && RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
    LocalFree(descriptor);
    RegCloseKey(key);
    return ok;
}

// Runs a command line and waits for its end; true when it exits with 0.
bool runCommand(std::wstring commandLine)
{
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    WaitForSingleObject(process.hThread, 0);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0;
}

void startClean()
{
    // A run that ended early may have left a section closed to writing.
    setAccess(L"PW", L"D:(A;;KA;;;WD)");
    RegDeleteTreeW(HKEY_CURRENT_USER, kApplication.c_str());
}

void trickyValues()
{
    struct Case
    {
        const char *name;
        std::wstring value;
    };
    const std::vector<Case> cases = {
        { "leading @", L"@home" },
        { "doubled @", L"@@x" },
        { "@Invalid()", L"@Invalid()" },
        { "@Rect form", L"@Rect(1 2 3 4)" },
        { "Japanese", L"夜見のパスワード\U00020BB7" },
        { "quotes", L"\"quoted\" 'single'" },
        { "backslashes", L"C:\\folder\\\\name\\" },
        { "commas and semicolons", L"a,b;c, d" },
        { "blanks at the ends", L"  x\t" },
        { "empty", L"" },
        { "1,000 characters", std::wstring(1000, L'x') + L"yz" },
    };
    WinRegistry::Store store(kApplication);
    for (const Case &c : cases) {
        check(store.commit({ { L"PW", L"PW1", c.value } }), c.name);
        check(store.read(L"PW", L"PW1") == c.value, c.name);
        check(storedExactly(L"PW", L"PW1", c.value), c.name);
    }
    check(!store.read(L"PW", L"PW2"), "a missing value reads as nothing");
    check(!store.read(L"Nowhere", L"PW1"), "a value of a missing section reads as nothing");
}

void hundredSlots()
{
    WinRegistry::Store store(kApplication);
    std::vector<WinRegistry::Change> changes;
    for (int slot = 0; slot < 100; ++slot) {
        changes.push_back({ L"ID", L"ID" + std::to_wstring(slot), L"user" + std::to_wstring(slot) });
        changes.push_back({ L"PW", L"PW" + std::to_wstring(slot), L"@pw," + std::to_wstring(slot) });
    }
    check(store.commit(changes), "100 slots written");
    bool all = true;
    for (int slot = 0; slot < 100; ++slot) {
        all = all && store.read(L"ID", L"ID" + std::to_wstring(slot)) == L"user" + std::to_wstring(slot)
                && store.read(L"PW", L"PW" + std::to_wstring(slot)) == L"@pw," + std::to_wstring(slot);
    }
    check(all, "100 slots read back");
}

void removing()
{
    WinRegistry::Store store(kApplication);
    check(store.commit({ { L"ID", L"ID60", L"someone" } }), "remove: value written");
    check(store.remove(L"ID", L"ID60"), "remove of a present value");
    check(!store.read(L"ID", L"ID60"), "a removed value is gone");
    check(!store.remove(L"ID", L"ID60"), "remove of a missing value fails");
    check(!store.remove(L"Nowhere", L"ID60"), "remove in a missing section fails");
    check(store.commit({ { L"ID", L"ID61", std::nullopt }, { L"PW", L"PW61", std::nullopt } }),
          "a change removing absent values");
}

void writtenByRegAdd()
{
    // As another program (or an earlier edition) stores a value: reg.exe, plain REG_SZ.
    const std::wstring value = L"@Invalid(),夜見 \\ 'q'";
    check(runCommand(L"reg.exe add \"HKCU\\" + kApplication + L"\\ID\" /v ID70 /t REG_SZ /d \"" + value
                     + L"\" /f"),
          "reg add");
    check(WinRegistry::Store(kApplication).read(L"ID", L"ID70") == value, "a value written by reg add");
}

void rollback()
{
    WinRegistry::Store store(kApplication);
    check(store.commit({ { L"ID", L"ID5", L"old id" }, { L"PW", L"PW5", L"old pw" } }), "rollback: old slot");
    // The passwords' section may be read but not written, as the registry's access list says.
    check(setAccess(L"PW", L"D:P(A;;KR;;;WD)"), "rollback: section closed to writing");

    check(!store.commit({ { L"ID", L"ID5", L"new id" }, { L"PW", L"PW5", L"new pw" } }),
          "a slot whose password cannot be written fails");
    check(store.read(L"ID", L"ID5") == L"old id", "the ID written before the failure is put back");
    check(store.read(L"PW", L"PW5") == L"old pw", "the password stays");

    check(!store.commit({ { L"ID", L"ID6", L"new id" }, { L"PW", L"PW6", L"new pw" } }),
          "a new slot whose password cannot be written fails");
    check(!store.read(L"ID", L"ID6"), "the new ID written before the failure is removed again");

    check(!store.commit({ { L"ID", L"ID5", std::nullopt }, { L"PW", L"PW5", std::nullopt } }),
          "removing a slot whose password cannot be removed fails");
    check(store.read(L"ID", L"ID5") == L"old id", "the ID removed before the failure is put back");

    check(setAccess(L"PW", L"D:(A;;KA;;;WD)"), "rollback: section open again");
    check(store.commit({ { L"ID", L"ID5", L"new id" }, { L"PW", L"PW5", L"new pw" } }),
          "the slot is written once the section may be written");
}

} // namespace

int main()
{
    for (void (*group)() : { trickyValues, hundredSlots, removing, writtenByRegAdd, rollback }) {
        startClean();
        group();
    }
    startClean();
    if (failures) {
        std::printf("%d checks failed\n", failures);
        return 1;
    }
    std::printf("registry store: every check passed\n");
    return 0;
}
