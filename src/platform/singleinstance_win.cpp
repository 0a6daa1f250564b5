#include "platform/singleinstance.h"

#include <qt_windows.h>
#include <sddl.h>

#include <vector>

QByteArray SingleInstance::userIdentity()
{
    // The user's security identifier: local servers are named pipes, whose names every session
    // on the machine shares.
    QByteArray identity;
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::vector<char> user(size);
        wchar_t *text = nullptr;
        if (size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size)
            && ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid, &text)) {
            identity = QString::fromWCharArray(text).toUtf8();
            LocalFree(text);
        }
        CloseHandle(token);
    }
    return identity.isEmpty() ? qgetenv("USERNAME") : identity;
}
