#include "store/registryexport.h"

#include "platform/codepage.h"
#include "store/accountlist.h"
#include "store/accounttable.h"
#include "store/settingsstore.h"

#include <optional>

namespace {

using Reason = ImportFailure::Reason;

// Where the Windows edition keeps its accounts (the per-user settings of Visual Basic programs).
const QString kRegistryKeyOfIds = QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\YRMLD\\ID");
const QString kRegistryKeyOfPasswords =
        QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\YRMLD\\PW");

// A string in double quotes as regedit writes it, from its opening quote at `from`: a backslash
// and a double quote are escaped by a backslash. The text, and where it ended, past its closing
// quote; none when it does not close on the line.
std::optional<std::pair<QString, qsizetype>> registryString(const QString &line, qsizetype from)
{
    QString text;
    for (qsizetype at = from + 1; at < line.size(); ++at) {
        const QChar c = line[at];
        if (c == QLatin1Char('"'))
            return std::pair(text, at + 1);
        if (c == QLatin1Char('\\') && at + 1 < line.size()
            && (line[at + 1] == QLatin1Char('\\') || line[at + 1] == QLatin1Char('"')))
            ++at;
        text.append(line[at]);
    }
    return std::nullopt;
}

// A string value written as its bytes ("hex(1):41,00,..."): UTF-16 in a version 5 export, the
// ANSI code page in a REGEDIT4 one, up to its ending NUL.
std::optional<QString> registryHexString(const QString &bytesText, bool unicode)
{
    QByteArray bytes;
    for (const QString &pair : bytesText.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const uint value = pair.trimmed().toUInt(&ok, 16);
        if (!ok || value > 0xFF)
            return std::nullopt;
        bytes.append(char(value));
    }
    if (unicode) {
        QString text;
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
            text.append(QChar(char16_t(uchar(bytes[i + 1]) << 8 | uchar(bytes[i]))));
        const qsizetype end = text.indexOf(QChar(0));
        return end < 0 ? text : text.first(end);
    }
    const qsizetype end = bytes.indexOf('\0');
    return fromJapaneseCodePage(end < 0 ? bytes : bytes.first(end));
}

} // namespace

ImportResult readRegistryExport(const QString &text, bool unicode)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    // Each value of the two keys by its name (upper case, as the store names them), with the
    // line it is on.
    QHash<QString, std::pair<QString, int>> ids;
    QHash<QString, std::pair<QString, int>> passwords;
    QHash<QString, std::pair<QString, int>> *values = nullptr;
    for (qsizetype index = 1; index < lines.size(); ++index) {
        const int lineNumber = int(index) + 1;
        const QString line = lines[index].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const QString key = line.mid(1, line.lastIndexOf(QLatin1Char(']')) - 1);
            values = key.compare(kRegistryKeyOfIds, Qt::CaseInsensitive) == 0         ? &ids
                    : key.compare(kRegistryKeyOfPasswords, Qt::CaseInsensitive) == 0 ? &passwords
                                                                                      : nullptr;
            continue;
        }
        // Values of other keys are passed over, whatever they hold; those of the two keys are
        // read, and one that cannot be is the file's fault.
        const auto continued = [&] {
            QString data = line;
            while (data.endsWith(QLatin1Char('\\')) && index + 1 < lines.size()) {
                data.chop(1);
                data += lines[++index].trimmed();
            }
            return data;
        };
        if (!values) {
            continued();
            continue;
        }
        // The value's name, in quotes ("@" for the key's default value).
        QString name;
        qsizetype at = 1;
        if (!line.startsWith(QLatin1Char('@'))) {
            const auto quoted = line.startsWith(QLatin1Char('"')) ? registryString(line, 0) : std::nullopt;
            if (!quoted)
                return ImportFailure{ Reason::BrokenLine, lineNumber };
            name = quoted->first.toUpper();
            at = quoted->second;
        }
        if (at >= line.size() || line[at] != QLatin1Char('='))
            return ImportFailure{ Reason::BrokenLine, lineNumber };
        ++at;
        std::optional<QString> value;
        if (line.mid(at).startsWith(QLatin1Char('"'))) {
            const auto quoted = registryString(line, at);
            if (!quoted || !line.mid(quoted->second).trimmed().isEmpty())
                return ImportFailure{ Reason::BrokenLine, lineNumber };
            value = quoted->first;
        } else {
            const QString data = continued().mid(at);
            if (data.startsWith(QLatin1String("hex(1):"))) {
                value = registryHexString(data.mid(7), unicode);
                if (!value)
                    return ImportFailure{ Reason::BrokenLine, lineNumber };
            }
            // Values of other kinds (numbers, bytes) and removals are no account's.
        }
        if (value)
            values->insert(name, { *value, lineNumber });
    }
    const AccountList listed = listedIn(
            [&](const QString &section, const QString &key) -> std::optional<QString> {
                const auto &found = section == kIdSection ? ids : passwords;
                const auto value = found.constFind(key);
                return value == found.cend() ? std::nullopt : std::optional(value->first);
            },
            AccountTable::kSlots);
    ImportedFile file;
    file.format = ImportFormat::Registry;
    for (int slot = 0; slot < listed.size(); ++slot)
        file.accounts.append({ listed.ids[slot], listed.passwords[slot], ids.value(idKey(slot)).second });
    return file;
}
