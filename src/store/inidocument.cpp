#include "store/inidocument.h"

namespace {

bool isBlank(char ch)
{
    return ch == ' ' || ch == '\t';
}

QByteArrayView trimmedBlanks(QByteArrayView bytes)
{
    while (!bytes.isEmpty() && isBlank(bytes.front()))
        bytes = bytes.sliced(1);
    while (!bytes.isEmpty() && isBlank(bytes.back()))
        bytes.chop(1);
    return bytes;
}

int hexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

int octValue(char ch)
{
    return ch >= '0' && ch <= '7' ? ch - '0' : -1;
}

// Values that QSettings turns into something other than a text when they start with '@'.
bool isSpecialAtValue(const QString &text)
{
    if (!text.endsWith(QLatin1Char(')')))
        return false;
    if (text == QLatin1String("@Invalid()"))
        return true;
    for (const char *prefix : { "@ByteArray(", "@Variant(", "@DateTime(", "@Rect(", "@Size(", "@Point(" })
        if (text.startsWith(QLatin1String(prefix)))
            return true;
    return false;
}

// Reads a value the way QSettings reads one text. None when QSettings would read something
// else: a list (an unquoted comma), a line cut short by a comment (an unquoted ';'), a line that
// goes on to the next one (an unclosed quote, a backslash at the end) or a value of another
// type ("@Rect(1 2 3 4)").
std::optional<QString> settingsText(QByteArrayView raw)
{
    static constexpr char kEscapes[][2] = { { 'a', '\a' }, { 'b', '\b' }, { 'f', '\f' },
                                            { 'n', '\n' }, { 'r', '\r' }, { 't', '\t' },
                                            { 'v', '\v' }, { '"', '"' },  { '?', '?' },
                                            { '\'', '\'' }, { '\\', '\\' } };
    QString text;
    bool inQuotes = false;
    bool quoted = false;
    qsizetype i = 0;
    const qsizetype size = raw.size();
    while (i < size && isBlank(raw[i]))
        ++i;
    // Trailing blanks of an unquoted value are dropped, but never those written as escapes.
    qsizetype chopLimit = 0;

    while (i < size) {
        const char ch = raw[i];
        if (ch == '\\') {
            if (++i >= size)
                return std::nullopt;
            const char code = raw[i++];
            bool known = false;
            for (const auto &escape : kEscapes) {
                if (code == escape[0]) {
                    text += QLatin1Char(escape[1]);
                    known = true;
                    break;
                }
            }
            if (!known && code == 'x' && i < size && hexValue(raw[i]) >= 0) {
                char16_t value = 0;
                while (i < size && hexValue(raw[i]) >= 0)
                    value = char16_t((value << 4) + hexValue(raw[i++]));
                text += QChar(value);
            } else if (!known && octValue(code) >= 0) {
                char16_t value = char16_t(octValue(code));
                while (i < size && octValue(raw[i]) >= 0)
                    value = char16_t((value << 3) + octValue(raw[i++]));
                text += QChar(value);
            }
            // Any other escaped character is dropped, as QSettings drops it.
            chopLimit = text.size();
        } else if (ch == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                while (i < size && isBlank(raw[i]))
                    ++i;
                chopLimit = text.size();
            }
        } else if ((ch == ',' || ch == ';') && !inQuotes) {
            return std::nullopt;
        } else {
            qsizetype end = i + 1;
            while (end < size && raw[end] != '\\' && raw[end] != '"' && raw[end] != ','
                   && raw[end] != ';')
                ++end;
            text += QString::fromUtf8(raw.sliced(i, end - i));
            i = end;
        }
    }
    if (inQuotes)
        return std::nullopt;
    if (!quoted) {
        qsizetype end = text.size();
        while (end > chopLimit && (text[end - 1] == QLatin1Char(' ') || text[end - 1] == QLatin1Char('\t')))
            --end;
        text.truncate(end);
    }

    if (text.startsWith(QLatin1Char('@'))) {
        if (text.startsWith(QLatin1String("@@")))
            return text.mid(1);
        // How QSettings writes a text that holds a NUL character.
        if (text.startsWith(QLatin1String("@String(")) && text.endsWith(QLatin1Char(')')))
            return text.mid(8, text.size() - 9);
        if (isSpecialAtValue(text))
            return std::nullopt;
    }
    return text;
}

} // namespace

QString iniValueText(QByteArrayView raw)
{
    if (std::optional<QString> text = settingsText(raw))
        return *text;
    return QString::fromUtf8(trimmedBlanks(raw));
}

QByteArray iniEscapedValue(const QString &text)
{
    const QString value = text.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + text : text;
    QByteArray out;
    out.reserve(value.size() * 3 / 2 + 2);
    bool needsQuotes = false;
    // After a numeric escape a hex digit would be read as part of it, so it is escaped too.
    bool escapeNextIfDigit = false;
    qsizetype i = 0;
    while (i < value.size()) {
        const char16_t ch = value[i].unicode();
        if (ch == ';' || ch == ',' || ch == '=')
            needsQuotes = true;
        if (escapeNextIfDigit && ch < 0x80 && hexValue(char(ch)) >= 0) {
            out += "\\x" + QByteArray::number(ch, 16);
            ++i;
            continue;
        }
        escapeNextIfDigit = false;
        switch (ch) {
        case '\0':
            out += "\\0";
            escapeNextIfDigit = true;
            break;
        case '\a':
            out += "\\a";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\v':
            out += "\\v";
            break;
        case '"':
        case '\\':
            out += '\\';
            out += char(ch);
            break;
        default:
            if (ch <= 0x1F) {
                out += "\\x" + QByteArray::number(ch, 16);
                escapeNextIfDigit = true;
            } else {
                // A run of ordinary characters at once, so that surrogate pairs stay together.
                qsizetype end = i + 1;
                while (end < value.size() && value[end].unicode() > 0x1F && value[end] != u'"'
                       && value[end] != u'\\' && value[end] != u';' && value[end] != u','
                       && value[end] != u'=')
                    ++end;
                out += QStringView(value).sliced(i, end - i).toUtf8();
                i = end;
                continue;
            }
        }
        ++i;
    }
    if (needsQuotes || out.startsWith(' ') || out.endsWith(' ')) {
        out.prepend('"');
        out.append('"');
    }
    return out;
}

IniDocument::IniDocument(const QByteArray &contents)
    : m_contents(contents)
{
    const qsizetype size = m_contents.size();
    bool eolFound = false;
    qsizetype pos = 0;
    while (pos < size) {
        Line line;
        line.start = pos;
        qsizetype end = pos;
        while (end < size && m_contents[end] != '\n' && m_contents[end] != '\r')
            ++end;
        line.length = end - pos;
        if (end < size)
            line.eolLength = (m_contents[end] == '\r' && end + 1 < size && m_contents[end + 1] == '\n') ? 2 : 1;
        if (!eolFound && line.eolLength > 0) {
            m_eol = m_contents.mid(end, line.eolLength);
            eolFound = true;
        }
        pos = end + line.eolLength;

        const QByteArrayView text = trimmedBlanks(lineBytes(line));
        line.section = m_sections.size() - 1;
        if (text.isEmpty()) {
            line.kind = Kind::Blank;
        } else if (text.front() == ';') {
            line.kind = Kind::Comment;
        } else if (text.front() == '[') {
            line.kind = Kind::Section;
            qsizetype close = text.indexOf(']');
            if (close < 0)
                close = text.size();
            m_sections.append(QString::fromUtf8(trimmedBlanks(text.sliced(1, close - 1))));
            line.section = m_sections.size() - 1;
        } else if (const qsizetype equals = text.indexOf('='); equals >= 0) {
            line.kind = Kind::Entry;
            line.key = QString::fromUtf8(trimmedBlanks(text.first(equals)));
            line.valueStart = (text.data() - m_contents.constData()) + equals + 1;
            const QString section = line.section >= 0 ? m_sections[line.section] : QString();
            m_lastEntry.insert({ section, line.key }, qsizetype(m_lines.size()));
        } else {
            line.kind = Kind::Other;
        }
        m_lines.push_back(std::move(line));
    }
}

QByteArrayView IniDocument::lineBytes(const Line &line) const
{
    return QByteArrayView(m_contents).sliced(line.start, line.length);
}

std::optional<QString> IniDocument::value(const QString &section, const QString &key) const
{
    const auto found = m_lastEntry.constFind({ section, key });
    if (found == m_lastEntry.cend())
        return std::nullopt;
    const Line &line = m_lines[*found];
    return iniValueText(QByteArrayView(m_contents).sliced(line.valueStart,
                                                          line.start + line.length - line.valueStart));
}

qsizetype IniDocument::insertionLine(const QString &section) const
{
    // After the last entry of the section's last block, or after its header when it has none.
    qsizetype at = -1;
    for (qsizetype i = 0; i < qsizetype(m_lines.size()); ++i) {
        const Line &line = m_lines[i];
        const QString name = line.section >= 0 ? m_sections[line.section] : QString();
        if (name != section)
            continue;
        if (line.kind == Kind::Section || line.kind == Kind::Entry)
            at = i;
    }
    return at;
}

QByteArray IniDocument::changed(const QList<Change> &changes) const
{
    using Key = std::pair<QString, QString>;
    // The final value of every key named, and the new keys of each section in the order given.
    QHash<Key, std::optional<QString>> finalValues;
    QList<Key> newKeys;
    for (const Change &change : changes) {
        const Key key{ change.section, change.key };
        if (!finalValues.contains(key) && !m_lastEntry.contains(key))
            newKeys.append(key);
        finalValues.insert(key, change.value);
    }
    QStringList sectionsToAdd;
    QHash<QString, QList<Key>> newKeysBySection;
    for (const Key &key : std::as_const(newKeys)) {
        if (!finalValues.value(key))
            continue;
        if (!newKeysBySection.contains(key.first))
            sectionsToAdd.append(key.first);
        newKeysBySection[key.first].append(key);
    }
    QHash<qsizetype, QString> insertAfter;
    QStringList sectionsAtEnd;
    for (const QString &section : std::as_const(sectionsToAdd)) {
        const qsizetype at = insertionLine(section);
        if (at >= 0)
            insertAfter.insert(at, section);
        else if (!section.isEmpty())
            sectionsAtEnd.append(section);
    }

    QByteArray out;
    out.reserve(m_contents.size() + 64 * changes.size());
    const auto endLine = [&out, this] {
        if (!out.isEmpty() && !out.endsWith('\n') && !out.endsWith('\r'))
            out += m_eol;
    };
    const auto writeEntry = [&out, this](const QString &key, const QString &value) {
        out += key.toUtf8() + '=' + iniEscapedValue(value) + m_eol;
    };
    const auto writeNewKeys = [&](const QString &section) {
        endLine();
        for (const Key &key : newKeysBySection.value(section))
            writeEntry(key.second, *finalValues.value(key));
    };

    // Keys of the unnamed section that it does not have yet go to the top of the file.
    if (newKeysBySection.contains(QString()) && insertionLine(QString()) < 0)
        writeNewKeys(QString());

    for (qsizetype i = 0; i < qsizetype(m_lines.size()); ++i) {
        const Line &line = m_lines[i];
        bool keep = true;
        if (line.kind == Kind::Entry) {
            const Key key{ line.section >= 0 ? m_sections[line.section] : QString(), line.key };
            const auto found = finalValues.constFind(key);
            if (found != finalValues.cend()) {
                if (!*found) {
                    keep = false; // every line of a removed key goes
                } else if (m_lastEntry.value(key) == i) {
                    keep = false;
                    out += line.key.toUtf8() + '=' + iniEscapedValue(**found);
                    out += line.eolLength > 0 ? m_contents.mid(line.start + line.length, line.eolLength)
                                              : QByteArray();
                }
                // An earlier line of a key read twice stays as it is: the last one wins.
            }
        }
        if (keep)
            out += QByteArrayView(m_contents).sliced(line.start, line.length + line.eolLength);
        if (const auto section = insertAfter.constFind(i); section != insertAfter.cend())
            writeNewKeys(*section);
    }

    for (const QString &section : std::as_const(sectionsAtEnd)) {
        endLine();
        if (!out.isEmpty())
            out += m_eol;
        out += '[' + section.toUtf8() + ']' + m_eol;
        for (const Key &key : newKeysBySection.value(section))
            writeEntry(key.second, *finalValues.value(key));
    }
    return out;
}
