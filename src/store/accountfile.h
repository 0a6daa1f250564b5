#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <variant>

// The accounts in other programs' files, and the accounts in a file for them. Browsers and
// password managers export their passwords as CSV files (Chromium's and Firefox's, KeePassXC's,
// Bitwarden's), each told apart by its first line, the names of its columns; only the rows whose
// address is on the portal's login hosts (livedoor.com and below) are the portal's accounts. The
// Windows edition keeps its accounts in the registry, which regedit exports as a .reg file:
// "Windows Registry Editor Version 5.00" in UTF-16, or the older "REGEDIT4" in the Japanese
// ANSI code page.

// One account found in a file, at the line its row (or its ID value) starts on.
struct ImportedAccount
{
    QString id;
    QString password;
    int line = 0;
};

enum class ImportFormat { Chromium, Firefox, KeePassXc, Bitwarden, Registry };

struct ImportedFile
{
    ImportFormat format = ImportFormat::Chromium;
    // In the order of the file (a registry export's in slot order).
    QList<ImportedAccount> accounts;
    // Rows of other sites, left out.
    int otherSites = 0;
};

// Why a file could not be read, and where: the line (from 1) it went wrong on, 0 for the whole
// file.
struct ImportFailure
{
    enum class Reason {
        // Not a plain file that can be read: missing, a folder, a pipe, not the user's to read.
        Unreadable,
        // Larger than kImportFileLimit.
        TooLarge,
        // None of the formats: the line is the one that should have named the columns or the
        // registry editor.
        UnknownFormat,
        // A quoted field that does not end, or text after its closing quote.
        BrokenQuoting,
        // A row with another number of fields than its header, or a registry value that cannot
        // be read.
        BrokenLine,
        // Bytes that are not text in the file's encoding.
        WrongEncoding,
    };
    Reason reason = Reason::Unreadable;
    int line = 0;

    bool operator==(const ImportFailure &) const = default;
};

using ImportResult = std::variant<ImportedFile, ImportFailure>;

// The largest file taken in: a password manager's export of thousands of passwords with their
// notes is far smaller.
inline constexpr qint64 kImportFileLimit = 16 * 1024 * 1024;

// The accounts in a file's contents.
ImportResult readAccountFile(const QByteArray &contents);
// The accounts in the file at the path, which is read only if it is a plain file within the
// limit.
ImportResult readAccountFile(const QString &path);

// The accounts as Chromium exports its passwords ("name,url,username,password"), which every
// password manager imports: each at the login page `loginUrl`, named by its host. UTF-8, CRLF
// line ends, fields quoted where they hold a comma, a quote, a line end or blanks at an end.
QByteArray chromiumCsv(const QString &loginUrl, const QStringList &ids, const QStringList &passwords);
