// Bytes as a settings file, and a few keys to write into it: the file read and written unchanged
// is the same bytes; after the writes every key reads as written, every other key as before, and
// every line the writes did not touch keeps its bytes. Now and then the same goes through the file
// itself, as the settings dialog and the typed reads use it.
#include "store/inifile.h"
#include "fuzztarget.h"
#include "store/settings.h"
#include "store/textrules.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <unistd.h>

using IniFile::Document;

namespace {

struct Key
{
    QString section;
    QString key;

    bool sameAs(const Key& other) const
    {
        return section.compare(other.section, Qt::CaseInsensitive) == 0
            && key.compare(other.key, Qt::CaseInsensitive) == 0;
    }
};

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool hasOuterBlanks(const QString& s)
{
    return !s.isEmpty() && (isBlank(s.front()) || isBlank(s.back()));
}

bool hasLineBreak(const QString& s)
{
    return s.contains(u'\n') || s.contains(u'\r');
}

// The names the program writes: a key is a plain word, a section a name in brackets.
bool isWritableKey(const Key& k)
{
    return !k.key.trimmed().isEmpty() && !k.key.contains(u'=') && !hasLineBreak(k.key)
        && !hasOuterBlanks(k.key) && !k.key.startsWith(u';') && !k.key.startsWith(u'[')
        && !k.section.contains(u']') && !hasLineBreak(k.section) && !hasOuterBlanks(k.section);
}

// A value that reads back as itself: no surrounding blanks or quotes, not cut by the length limit.
bool readsAsWritten(const QString& v)
{
    const bool quoted = v.size() >= 2
        && ((v.startsWith(u'"') && v.endsWith(u'"')) || (v.startsWith(u'\'') && v.endsWith(u'\'')));
    return !hasOuterBlanks(v) && !quoted && v.size() <= IniFile::MaxValueLength && !hasLineBreak(v);
}

// The lines of a settings file as bytes, split where the file's own encoding has its line ends.
QList<QByteArray> byteLines(const QByteArray& bytes)
{
    const TextRules::DecodedText decoded = TextRules::decodeText(bytes);
    const bool wide = decoded.encoding == TextRules::TextEncoding::Utf16Le
        || decoded.encoding == TextRules::TextEncoding::Utf16Be;
    const QByteArray newline = TextRules::encodeText(u"\n", decoded.encoding);
    QList<QByteArray> lines;
    qsizetype from = decoded.markBytes;
    // A byte after the last whole character of a two-byte text belongs to no line.
    const qsizetype end = wide ? bytes.size() - (bytes.size() - from) % 2 : bytes.size();
    for (qsizetype i = from; i + newline.size() <= end;) {
        if (bytes.sliced(i, newline.size()) == newline) {
            lines.append(bytes.sliced(from, i - from));
            i += newline.size();
            from = i;
        } else {
            i += wide ? 2 : 1;
        }
    }
    if (from < end)
        lines.append(bytes.sliced(from, end - from));
    if (end < bytes.size())
        lines.append(bytes.sliced(end));
    return lines;
}

// One write changes one line or adds at most three (a blank, a section, the key); every other
// line stays as it was, in its place.
void checkUntouchedLines(const QByteArray& before, const QByteArray& after)
{
    const QList<QByteArray> a = byteLines(before);
    const QList<QByteArray> b = byteLines(after);
    qsizetype head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    qsizetype tail = 0;
    while (
        tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    const qsizetype changedBefore = a.size() - head - tail;
    const qsizetype changedAfter = b.size() - head - tail;
    FUZZ_REQUIRE(changedBefore <= 1);
    FUZZ_REQUIRE(changedBefore == 1 ? changedAfter == 1 : changedAfter <= 3);
}

// Sections and keys in the file, found as a reader of the file would see them, to check that a
// write leaves them alone.
QList<Key> keysIn(const QByteArray& bytes)
{
    QList<Key> keys;
    QString section;
    for (const QString& raw : TextRules::decodeText(bytes).text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[') && line.contains(u']'))
            section = line.sliced(1, line.indexOf(u']') - 1).trimmed();
        else if (line.contains(u'='))
            keys.append({ section, line.left(line.indexOf(u'=')).trimmed() });
    }
    return keys;
}

struct Write
{
    Key at;
    QString value;
};

QList<Write> readWrites(FuzzSupport::Input& input, int count)
{
    QList<Write> writes;
    for (int i = 0; i < count; ++i) {
        Write w;
        w.at.section = QString::fromUtf8(input.until('\0'));
        w.at.key = QString::fromUtf8(input.until('\0'));
        w.value = QString::fromUtf8(input.until('\0'));
        if (isWritableKey(w.at) && !hasLineBreak(w.value))
            writes.append(w);
    }
    return writes;
}

// After the writes: each written key reads as its last write, each other key as before.
void checkValues(
    const Document& before, const Document& after, const QList<Key>& others, const QList<Write>& writes)
{
    for (qsizetype i = 0; i < writes.size(); ++i) {
        const Write& w = writes[i];
        const bool overwritten = std::any_of(writes.cbegin() + i + 1, writes.cend(),
            [&](const Write& later) { return later.at.sameAs(w.at); });
        if (!overwritten && readsAsWritten(w.value))
            FUZZ_REQUIRE(after.value(w.at.section, w.at.key) == w.value);
    }
    for (const Key& k : others) {
        if (std::none_of(writes.cbegin(), writes.cend(), [&](const Write& w) { return w.at.sameAs(k); }))
            FUZZ_REQUIRE(after.value(k.section, k.key) == before.value(k.section, k.key));
    }
}

// The same through a real file: what the settings read is what the document reads, before and
// after writeIniStrings.
// A settings file holding `bytes`, in a folder of this process's own.
QString scratchFile(const QByteArray& bytes)
{
    static const QString folder = [] {
        const QString f = QStringLiteral(REELSHELF_FUZZ_SCRATCH "/inifile-%1").arg(::getpid());
        QDir().mkpath(f);
        return f;
    }();
    const QString path = folder + QStringLiteral("/RSISet.ini");
    QFile::remove(path);
    QFile file(path);
    FUZZ_REQUIRE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    return path;
}

void checkFile(const QByteArray& bytes, const QList<Write>& writes, const QList<Key>& keys)
{
    const QString path = scratchFile(bytes);
    const Document document = Document::fromBytes(bytes);
    const Settings settings(path);
    for (const Key& k : keys)
        FUZZ_REQUIRE(settings.text(k.section, k.key) == document.value(k.section, k.key).value_or(QString()));
    QList<IniFile::Write> fileWrites;
    Document expected = document;
    for (const Write& w : writes) {
        fileWrites.append({ w.at.section, w.at.key, w.value });
        expected.setValue(w.at.section, w.at.key, w.value);
    }
    QString problem;
    FUZZ_REQUIRE(IniFile::writeIniStrings(fileWrites, path, &problem));
    QFile file(path);
    FUZZ_REQUIRE(file.open(QIODevice::ReadOnly));
    FUZZ_REQUIRE(file.readAll() == (writes.isEmpty() ? bytes : expected.toBytes()));
    for (const Write& w : writes)
        FUZZ_REQUIRE(settings.text(w.at.section, w.at.key)
            == expected.value(w.at.section, w.at.key).value_or(QString()));
}

// The file a refused write leaves is the file as it was.
int checkRefused(const QByteArray& bytes, const QList<Write>& writes, std::uint8_t flags)
{
    if (!(flags & 0x80))
        return 0;
    const QString path = scratchFile(bytes);
    QList<IniFile::Write> fileWrites;
    for (const Write& w : writes)
        fileWrites.append({ w.at.section, w.at.key, w.value });
    QString problem;
    FUZZ_REQUIRE(!IniFile::writeIniStrings(fileWrites, path, &problem) && !problem.isEmpty());
    QFile file(path);
    FUZZ_REQUIRE(file.open(QIODevice::ReadOnly) && file.readAll() == bytes);
    return 0;
}

} // namespace

REELSHELF_FUZZ_TARGET(inifile)
{
    FuzzSupport::Input input(data, size);
    const std::uint8_t flags = input.byte();
    const QList<Write> writes = readWrites(input, flags & 3);
    const QByteArray bytes = input.rest();
    if (bytes.size() > IniFile::MaxFileSize)
        return 0;

    const Document read = Document::fromBytes(bytes);
    FUZZ_REQUIRE(read.toBytes() == bytes);

    QList<Key> keys = keysIn(bytes);
    // A damaged file that would read differently once written is not written at all.
    Document all = read;
    for (const Write& w : writes)
        all.setValue(w.at.section, w.at.key, w.value);
    if (!all.readsBackAsWritten())
        return checkRefused(bytes, writes, flags);

    Document written = read;
    QByteArray last = bytes;
    bool splitAsWritten = true; // the lines of each step are found where they were written
    for (const Write& w : writes) {
        written.setValue(w.at.section, w.at.key, w.value);
        const QByteArray now = written.toBytes();
        splitAsWritten = splitAsWritten && written.readsBackAsWritten();
        if (splitAsWritten)
            checkUntouchedLines(last, now);
        last = now;
    }
    const Document reread = Document::fromBytes(last);
    FUZZ_REQUIRE(reread.toBytes() == last);
    checkValues(read, reread, keys, writes);

    // Writing through the file syncs it to the disk, which is slow: only some inputs do.
    if (flags & 0x80) {
        for (const Write& w : writes)
            keys.append(w.at);
        checkFile(bytes, writes, keys);
    }
    return 0;
}
