#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

// The text of an INI file as the account store reads and changes it, one line at a time.
//
// Lines are "[section]" headers, "key=value" entries, comments starting with ';', blank lines,
// and anything else (kept, never read). A key read twice in one section takes its last value.
// Values are written and read the way QSettings writes and reads a single text, so the file
// stays readable by QSettings; a hand-written value that QSettings would not read as one text
// (unquoted commas or semicolons, an unclosed quote, "@Rect(...)" and the like) reads as
// exactly what was written, without its surrounding blanks.
//
// A change rewrites only the lines of the keys it names: every other byte of the file stays as
// it was, comments, unknown sections, damaged lines and bytes that are not UTF-8 included.
class IniDocument
{
public:
    IniDocument() = default;
    explicit IniDocument(const QByteArray &contents);

    const QByteArray &contents() const { return m_contents; }

    // The value of a key, or none when the section has no such key.
    std::optional<QString> value(const QString &section, const QString &key) const;

    struct Change
    {
        QString section;
        QString key;
        std::optional<QString> value; // none: remove the key
    };
    // The file's bytes after the changes, made in order: a changed key's line is rewritten in
    // place, a removed key loses all its lines, a new key goes after the last entry of its
    // section (a new section goes at the end of the file).
    QByteArray changed(const QList<Change> &changes) const;

private:
    enum class Kind { Blank, Comment, Section, Entry, Other };
    struct Line
    {
        qsizetype start = 0;
        qsizetype length = 0;    // without the line end
        qsizetype eolLength = 0; // "\n", "\r" or "\r\n"; 0 on a last line without one
        Kind kind = Kind::Other;
        int section = -1;        // index into m_sections; -1 before the first header
        qsizetype valueStart = 0; // entries: the first byte after '='
        QString key;             // entries: the key, without surrounding blanks
    };

    QByteArrayView lineBytes(const Line &line) const;
    // Where a new key of a section goes: the index of the line after which it is written, or
    // -1 when the section has no header (the top of the file for the unnamed section).
    qsizetype insertionLine(const QString &section) const;

    QByteArray m_contents;
    std::vector<Line> m_lines;
    QStringList m_sections;
    QByteArray m_eol = "\n";
    // The last entry line of each section and key.
    QHash<std::pair<QString, QString>, qsizetype> m_lastEntry;
};

// A value as QSettings writes a text: quoted when it holds ';', ',' or '=' or starts or ends
// with a blank, control characters escaped, a leading '@' doubled, everything else in UTF-8.
QByteArray iniEscapedValue(const QString &text);

// The text of a value as written after '=' (one line, without its line end).
QString iniValueText(QByteArrayView raw);
