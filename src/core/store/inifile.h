#pragma once

#include "textrules.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// A small private-profile (INI) reader and writer with the semantics the settings rely on:
// section and key names match without regard to letter case, anything missing reads as the
// empty text, and a write replaces one line while keeping every other line byte for byte.
namespace IniFile {

using TextRules::DecodedText;
using TextRules::TextEncoding;

inline constexpr int MaxValueLength = 9999;
// A settings file is a few hundred bytes; anything this large is not one.
inline constexpr qint64 MaxFileSize = 1024 * 1024;

// The text of one settings file, read once. Lines keep their bytes, so a file in GBK, one with
// a stray byte or one in no encoding at all is never re-encoded by a write.
class Document
{
public:
    Document() = default;
    static Document fromBytes(const QByteArray& bytes);

    // The value as the file holds it (blanks around '=' and surrounding quotes removed, cut to
    // 9,999 characters); nullopt when the section or key is missing. Only the first section of a
    // name counts.
    std::optional<QString> value(const QString& section, const QString& key) const;
    // Replaces the key's line, or adds the key (and the section) where missing. A line whose value
    // already reads as `value`, or any line of the key when `keepExisting`, is left byte for byte.
    void setValue(
        const QString& section, const QString& key, const QString& value, bool keepExisting = false);
    QByteArray toBytes() const;
    // Whether a setValue changed anything since the file was read.
    bool isModified() const { return modified_; }
    // Whether toBytes() reads back in the encoding the file was read in. Only a damaged file
    // without a byte-order mark (GB18030 with NULs in it) can fail to.
    bool readsBackAsWritten() const;

private:
    struct Line
    {
        QByteArray bytes; // without the line end
        QString text;
    };
    struct Found
    {
        qsizetype section = -1;
        qsizetype lastEntry = -1; // the last non-blank line of the section
        qsizetype key = -1;
    };
    Found find(const QString& section, const QString& key) const;
    Line makeLine(const QString& text) const;

    QList<Line> lines_;
    QByteArray bom_;
    QByteArray tail_; // a byte after the last whole character of a two-byte text
    TextEncoding encoding_ = TextEncoding::Utf8;
    bool crlf_ = false;
    bool finalNewline_ = true;
    bool modified_ = false;
};

enum class LoadResult { Loaded, Missing, Unreadable, TooLarge };

// When a file that cannot be read is met, which decides what the user is told it means: at the
// start (the defaults are used), when the settings dialog opens (it shows the defaults and cannot
// save), or when the settings are saved (nothing is written).
enum class Moment { Start, Open, Save };

// Reads the file at `path`; on anything but Loaded the document is empty and `problem` (when
// given) says what went wrong in a sentence for the user, in the words of `moment`.
LoadResult load(
    const QString& path, Document* document, QString* problem = nullptr, Moment moment = Moment::Start);

// The value of `key` in `section` of the file at `path`; the empty text for a missing, unreadable
// or oversized file, section or key.
QString readIniString(const QString& section, const QString& key, const QString& path);

// Writes one key. Creates the file, the section or the key when missing, replaces an existing
// value in place and keeps every other line as it was; a file that would not change is not
// written. Returns false (and changes nothing) when the file cannot be read or written, is too
// large, or the value holds a line break.
bool writeIniString(const QString& section, const QString& key, const QString& value, const QString& path,
    QString* problem = nullptr);

// One key to write.
struct Write
{
    QString section;
    QString key;
    QString value;
    bool keepExisting = false; // only adds the key when missing; a stored value stays
};

// Writes all the keys in the given order and saves the file once, replacing it whole: either
// every key is written or the file stays as it was. The same rules as writeIniString.
bool writeIniStrings(const QList<Write>& writes, const QString& path, QString* problem = nullptr);

} // namespace IniFile
