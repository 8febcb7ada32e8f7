#include "inifile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringList>

namespace IniFile {

namespace {

struct IniText
{
    QStringList lines;
    QString newline = QStringLiteral("\n");
    bool hadBom = false;
};

// Settings are written in UTF-8; a file saved by an older tool in GB18030 is still read. A file
// that is neither is not understood, and so never rewritten.
bool decodeText(const QByteArray& bytes, QString* text)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    *text = utf8.decode(bytes);
    if (!utf8.hasError())
        return true;
    QStringDecoder gb("GB18030");
    if (gb.isValid()) {
        *text = gb.decode(bytes);
        if (!gb.hasError())
            return true;
    }
    return false;
}

bool loadText(const QString& path, IniText& out, bool* exists)
{
    QFile file(path);
    *exists = file.exists();
    if (!*exists)
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        out.hadBom = true;
        bytes.remove(0, 3);
    }
    QString text;
    if (!decodeText(bytes, &text))
        return false;
    if (text.contains(QStringLiteral("\r\n")))
        out.newline = QStringLiteral("\r\n");
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.lines = text.split(u'\n');
    // A final newline leaves one empty element behind; it is added back on save.
    if (!out.lines.isEmpty() && out.lines.last().isEmpty())
        out.lines.removeLast();
    return true;
}

QString stripSpaces(const QString& s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && (s.at(b) == u' ' || s.at(b) == u'\t'))
        ++b;
    while (e > b && (s.at(e - 1) == u' ' || s.at(e - 1) == u'\t' || s.at(e - 1) == u'\r'))
        --e;
    return s.mid(b, e - b);
}

// The section name of a header line, or a null string when the line is no header.
QString sectionOf(const QString& line)
{
    const QString t = stripSpaces(line);
    if (!t.startsWith(u'['))
        return QString();
    const qsizetype close = t.indexOf(u']');
    if (close < 0)
        return QString();
    return stripSpaces(t.mid(1, close - 1));
}

bool isComment(const QString& line)
{
    const QString t = stripSpaces(line);
    return t.startsWith(u';') || t.startsWith(u'#');
}

// Splits "key = value" into its parts; false when the line has no '='.
bool splitEntry(const QString& line, QString* key, QString* value)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0 || isComment(line))
        return false;
    *key = stripSpaces(line.left(eq));
    if (value)
        *value = stripSpaces(line.mid(eq + 1));
    return true;
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString unquote(const QString& v)
{
    if (v.size() >= 2
        && ((v.startsWith(u'"') && v.endsWith(u'"')) || (v.startsWith(u'\'') && v.endsWith(u'\''))))
        return v.mid(1, v.size() - 2);
    return v;
}

} // namespace

QString readIniString(const QString& section, const QString& key, const QString& path)
{
    IniText ini;
    bool exists = false;
    if (!loadText(path, ini, &exists) || !exists)
        return QString(QLatin1String(""));
    bool inSection = false;
    for (const QString& line : std::as_const(ini.lines)) {
        const QString name = sectionOf(line);
        if (!name.isNull()) {
            inSection = sameName(name, section);
            continue;
        }
        QString k, v;
        if (inSection && splitEntry(line, &k, &v) && sameName(k, key))
            return unquote(v).left(MaxValueLength);
    }
    return QString(QLatin1String(""));
}

bool writeIniString(const QString& section, const QString& key, const QString& value, const QString& path)
{
    if (value.contains(u'\n') || value.contains(u'\r') || key.contains(u'=') || key.trimmed().isEmpty())
        return false;
    IniText ini;
    bool exists = false;
    if (!loadText(path, ini, &exists))
        return false;

    qsizetype sectionLine = -1;
    qsizetype lastEntryLine = -1; // last non-blank line of the matching section
    qsizetype keyLine = -1;
    bool inSection = false;
    for (qsizetype i = 0; i < ini.lines.size(); ++i) {
        const QString& line = ini.lines.at(i);
        const QString name = sectionOf(line);
        if (!name.isNull()) {
            if (inSection)
                break; // only the first matching section is used, as a reader sees it
            inSection = sameName(name, section);
            if (inSection) {
                sectionLine = i;
                lastEntryLine = i;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (!stripSpaces(line).isEmpty())
            lastEntryLine = i;
        QString k;
        if (splitEntry(line, &k, nullptr) && sameName(k, key)) {
            keyLine = i;
            break;
        }
    }

    if (keyLine >= 0) {
        // Keep the key's spelling as it stands in the file.
        QString k;
        splitEntry(ini.lines.at(keyLine), &k, nullptr);
        ini.lines[keyLine] = k + u'=' + value;
    } else if (sectionLine >= 0) {
        ini.lines.insert(lastEntryLine + 1, key + u'=' + value);
    } else {
        if (!ini.lines.isEmpty() && !stripSpaces(ini.lines.last()).isEmpty())
            ini.lines.append(QString());
        ini.lines.append(u'[' + section + u']');
        ini.lines.append(key + u'=' + value);
    }

    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    QByteArray bytes;
    if (ini.hadBom)
        bytes = "\xEF\xBB\xBF";
    bytes += ini.lines.join(ini.newline).toUtf8();
    bytes += ini.newline.toUtf8();
    if (out.write(bytes) != bytes.size())
        return false;
    return out.commit();
}

} // namespace IniFile
