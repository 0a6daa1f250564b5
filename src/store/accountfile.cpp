#include "store/accountfile.h"

#include "platform/codepage.h"
#include "store/registryexport.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>

#include <functional>
#include <optional>

namespace {

using Reason = ImportFailure::Reason;
using Text = std::variant<QString, ImportFailure>;

const QString kRegistryHeader = QStringLiteral("Windows Registry Editor Version 5.00");
const QString kRegedit4Header = QStringLiteral("REGEDIT4");

// The bytes' text, line by line where it fails: the first line (from `firstLine`) that is not
// text in the encoding that `decode` reads.
Text decodedLines(QByteArrayView bytes, int firstLine, const std::function<std::optional<QString>(QByteArrayView)> &decode)
{
    if (std::optional<QString> text = decode(bytes))
        return *text;
    // A line end is the same byte in every encoding read this way, and never part of another
    // character.
    int line = firstLine;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = bytes.indexOf('\n', start);
        if (!decode(bytes.sliced(start, (end < 0 ? bytes.size() : end) - start)))
            return ImportFailure{ Reason::WrongEncoding, line };
        if (end < 0)
            return ImportFailure{ Reason::WrongEncoding, line };
        start = end + 1;
        ++line;
    }
}

std::optional<QString> fromUtf8(QByteArrayView bytes)
{
    // Stateless: a character cut short at the end is an error, not one waiting for more bytes.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    return decoder.hasError() ? std::nullopt : std::optional(text);
}

// UTF-16 as regedit writes it (little-endian after its byte order mark), or big-endian: whole
// code units, each surrogate in its pair.
Text fromUtf16(QByteArrayView bytes, bool bigEndian)
{
    QString text;
    text.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto high = uchar(bytes[bigEndian ? i : i + 1]);
        const auto low = uchar(bytes[bigEndian ? i + 1 : i]);
        text.append(QChar(char16_t(high << 8 | low)));
    }
    if (bytes.size() % 2 != 0)
        return ImportFailure{ Reason::WrongEncoding, int(text.count(QLatin1Char('\n'))) + 1 };
    int line = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        line += c == QLatin1Char('\n') ? 1 : 0;
        const bool paired = c.isHighSurrogate() ? i + 1 < text.size() && text[i + 1].isLowSurrogate()
                                                : !c.isLowSurrogate() || (i > 0 && text[i - 1].isHighSurrogate());
        if (!paired)
            return ImportFailure{ Reason::WrongEncoding, line };
    }
    return text;
}

// The file's text: UTF-16 or UTF-8 after their byte order marks, a REGEDIT4 export in the
// Japanese ANSI code page, anything else UTF-8.
Text textOfFile(const QByteArray &contents)
{
    if (contents.startsWith("\xFF\xFE") || contents.startsWith("\xFE\xFF"))
        return fromUtf16(QByteArrayView(contents).sliced(2), contents.startsWith("\xFE"));
    if (contents.startsWith("\xEF\xBB\xBF"))
        return decodedLines(QByteArrayView(contents).sliced(3), 1, fromUtf8);
    if (contents.startsWith(kRegedit4Header.toLatin1()))
        return decodedLines(contents, 1, fromJapaneseCodePage);
    return decodedLines(contents, 1, fromUtf8);
}

// CSV as RFC 4180 writes it: fields apart by commas, a field in double quotes where it holds a
// comma, a quote (doubled) or a line end; rows end with CRLF or LF. Blank lines are passed over.
struct CsvRow
{
    QStringList fields;
    int line = 0;
};

std::variant<QList<CsvRow>, ImportFailure> csvRowsOf(const QString &text)
{
    QList<CsvRow> rows;
    const qsizetype size = text.size();
    const auto endsField = [&](qsizetype at) {
        return at == size || text[at] == QLatin1Char(',') || text[at] == QLatin1Char('\n')
                || text[at] == QLatin1Char('\r');
    };
    qsizetype at = 0;
    int line = 1;
    while (at < size) {
        CsvRow row{ {}, line };
        for (;;) {
            QString field;
            if (at < size && text[at] == QLatin1Char('"')) {
                const int opened = line;
                ++at;
                // Up to the quote that is not doubled.
                while (at == size || text[at] != QLatin1Char('"') || (at + 1 < size && text[at + 1] == QLatin1Char('"'))) {
                    if (at == size)
                        return ImportFailure{ Reason::BrokenQuoting, opened };
                    if (text[at] == QLatin1Char('"'))
                        ++at;
                    else if (text[at] == QLatin1Char('\n'))
                        ++line;
                    field.append(text[at++]);
                }
                ++at;
                if (!endsField(at))
                    return ImportFailure{ Reason::BrokenQuoting, line };
            } else {
                const qsizetype from = at;
                while (!endsField(at))
                    ++at;
                field = text.mid(from, at - from);
            }
            row.fields.append(field);
            if (at == size || text[at] != QLatin1Char(','))
                break;
            ++at;
        }
        if (at < size && text[at] == QLatin1Char('\r'))
            ++at;
        if (at < size && text[at] == QLatin1Char('\n'))
            ++at;
        ++line;
        if (row.fields.size() > 1 || !row.fields.first().isEmpty())
            rows.append(row);
    }
    return rows;
}

// Whether an address is on one of the portal's login hosts: livedoor.com or a host below it,
// over http or https. KeePassXC keeps the address as typed, often without its scheme.
bool onPortalLoginHost(const QString &address)
{
    const QString trimmed = address.trimmed();
    QUrl url(trimmed);
    if (url.scheme().isEmpty())
        url = QUrl::fromUserInput(trimmed);
    if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))
        return false;
    QString host = url.host().toLower();
    if (host.endsWith(QLatin1Char('.')))
        host.chop(1);
    return host == QLatin1String("livedoor.com") || host.endsWith(QLatin1String(".livedoor.com"));
}

// The columns a password manager's CSV file names in its first row.
struct CsvColumns
{
    ImportFormat format;
    qsizetype address;
    qsizetype id;
    qsizetype password;
    // Bitwarden's kind of item ("login", "note", "card"...), where it names one.
    qsizetype kind = -1;
};

std::optional<CsvColumns> csvColumnsOf(const QStringList &header)
{
    QStringList names;
    for (const QString &name : header)
        names.append(name.trimmed().toLower());
    const auto column = [&names](const char *name) { return names.indexOf(QLatin1String(name)); };
    const auto all = [&column](std::initializer_list<const char *> wanted) {
        return std::all_of(wanted.begin(), wanted.end(), [&column](const char *name) { return column(name) >= 0; });
    };
    if (all({ "login_uri", "login_username", "login_password" }))
        return CsvColumns{ ImportFormat::Bitwarden, column("login_uri"), column("login_username"),
                           column("login_password"), column("type") };
    if (all({ "group", "title", "username", "password", "url" }))
        return CsvColumns{ ImportFormat::KeePassXc, column("url"), column("username"), column("password") };
    if (all({ "url", "username", "password" })
        && (column("httprealm") >= 0 || column("formactionorigin") >= 0 || column("guid") >= 0))
        return CsvColumns{ ImportFormat::Firefox, column("url"), column("username"), column("password") };
    if (all({ "name", "url", "username", "password" }))
        return CsvColumns{ ImportFormat::Chromium, column("url"), column("username"), column("password") };
    return std::nullopt;
}

ImportResult readCsv(const QString &text)
{
    auto parsed = csvRowsOf(text);
    if (const auto *failure = std::get_if<ImportFailure>(&parsed))
        return *failure;
    const QList<CsvRow> &rows = std::get<QList<CsvRow>>(parsed);
    if (rows.isEmpty())
        return ImportFailure{ Reason::UnknownFormat, 1 };
    const std::optional<CsvColumns> columns = csvColumnsOf(rows.first().fields);
    if (!columns)
        return ImportFailure{ Reason::UnknownFormat, rows.first().line };
    ImportedFile file;
    file.format = columns->format;
    const qsizetype width = rows.first().fields.size();
    for (const CsvRow &row : rows.mid(1)) {
        if (row.fields.size() != width)
            return ImportFailure{ Reason::BrokenLine, row.line };
        // Bitwarden's notes, cards and identities have no login.
        const QString kind = columns->kind >= 0 ? row.fields[columns->kind].trimmed() : QString();
        if (!kind.isEmpty() && kind.compare(QLatin1String("login"), Qt::CaseInsensitive) != 0)
            continue;
        // Bitwarden puts every address of a login into one field, apart by commas.
        const QString addresses = row.fields[columns->address];
        const QStringList each = columns->format == ImportFormat::Bitwarden ? addresses.split(QLatin1Char(','))
                                                                            : QStringList{ addresses };
        if (std::none_of(each.begin(), each.end(), onPortalLoginHost)) {
            ++file.otherSites;
            continue;
        }
        file.accounts.append({ row.fields[columns->id], row.fields[columns->password], row.line });
    }
    return file;
}

// A field as the CSV needs it: quoted where it holds a comma, a quote, a line end, or blanks at
// an end (which some readers trim).
QString csvField(const QString &value)
{
    const bool quoted = value.contains(QLatin1Char(',')) || value.contains(QLatin1Char('"'))
            || value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')) || value != value.trimmed();
    if (!quoted)
        return value;
    return QLatin1Char('"') + QString(value).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

} // namespace

ImportResult readAccountFile(const QByteArray &contents)
{
    if (contents.size() > kImportFileLimit)
        return ImportFailure{ Reason::TooLarge, 0 };
    const Text decoded = textOfFile(contents);
    if (const auto *failure = std::get_if<ImportFailure>(&decoded))
        return *failure;
    const QString &text = std::get<QString>(decoded);
    const QString firstLine = text.left(text.indexOf(QLatin1Char('\n'))).trimmed();
    if (firstLine == kRegistryHeader || firstLine == kRegedit4Header)
        return readRegistryExport(text, firstLine == kRegistryHeader);
    return readCsv(text);
}

ImportResult readAccountFile(const QString &path)
{
    // A pipe or a device is never opened: reading one could wait for ever.
    const QFileInfo info(path);
    if (!info.isFile())
        return ImportFailure{ Reason::Unreadable, 0 };
    if (info.size() > kImportFileLimit)
        return ImportFailure{ Reason::TooLarge, 0 };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ImportFailure{ Reason::Unreadable, 0 };
    // One byte more than the limit tells a file that has grown since it was looked at.
    const QByteArray contents = file.read(kImportFileLimit + 1);
    if (file.error() != QFileDevice::NoError)
        return ImportFailure{ Reason::Unreadable, 0 };
    return readAccountFile(contents);
}

QByteArray chromiumCsv(const QString &loginUrl, const QStringList &ids, const QStringList &passwords)
{
    const QString name = QUrl(loginUrl).host();
    QString text = QStringLiteral("name,url,username,password\r\n");
    for (qsizetype slot = 0; slot < ids.size(); ++slot) {
        text += csvField(name) + QLatin1Char(',') + csvField(loginUrl) + QLatin1Char(',') + csvField(ids[slot])
                + QLatin1Char(',') + csvField(passwords.value(slot)) + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}
