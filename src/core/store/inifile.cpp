#include "inifile.h"

#include "safewrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace IniFile {

namespace {

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

// Only ';' starts a comment; a line beginning with '#' is a key line like any other.
bool isComment(const QString& line)
{
    return stripSpaces(line).startsWith(u';');
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

bool isWide(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be;
}

QString decodeLine(QByteArrayView bytes, TextEncoding encoding)
{
    if (isWide(encoding)) {
        QStringDecoder utf16(
            encoding == TextEncoding::Utf16Le ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
            QStringDecoder::Flag::Stateless);
        return utf16.decode(bytes);
    }
    if (encoding == TextEncoding::Gb18030) {
        QStringDecoder gb("GB18030", QStringDecoder::Flag::Stateless);
        if (gb.isValid())
            return gb.decode(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    return utf8.decode(bytes);
}

// Whether a line's bytes end in a carriage return of the file's encoding.
bool endsWithCr(QByteArrayView line, TextEncoding encoding)
{
    if (!isWide(encoding))
        return line.endsWith('\r');
    return line.size() % 2 == 0 && line.endsWith(TextRules::encodeText(u"\r", encoding));
}

// The mark that makes a text read as `encoding`; GB18030 has none that readers know.
QByteArray byteOrderMark(TextEncoding encoding)
{
    return encoding == TextEncoding::Gb18030 ? QByteArray() : TextRules::encodeText(u"\uFEFF", encoding);
}

bool readsAs(QByteArrayView bytes, TextEncoding encoding)
{
    const TextEncoding found = TextRules::decodeText(bytes).encoding;
    return found == encoding || (found == TextEncoding::Utf8Bom && encoding == TextEncoding::Utf8);
}

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString tooLarge(const QString& path, qint64 size, Moment moment)
{
    const QString what = QStringLiteral("设置文件 %1 太大（%2 KB，设置文件不会超过 %3 KB），")
                             .arg(nativePath(path))
                             .arg(size / 1024)
                             .arg(MaxFileSize / 1024);
    switch (moment) {
    case Moment::Start:
        return what + QStringLiteral("程序没有读取它，暂时按默认设置运行。请检查或移走这个文件。");
    case Moment::Open:
        return what
            + QStringLiteral(
                "无法读取。这里显示的是默认设置，在移走或修好这个文件之前，按“确定”也无法保存设置。");
    case Moment::Save:
        break;
    }
    return what + QStringLiteral("无法改写。请移走或修好这个文件后再试。");
}

QString unreadable(const QString& path, const QFileInfo& info, const QString& openError, Moment moment)
{
    if (info.isDir() && moment == Moment::Save)
        return QStringLiteral("无法写入设置文件 %1：那里已有一个同名的文件夹。请移走这个文件夹后再试。")
            .arg(nativePath(path));
    const QString cause = info.isDir() ? QStringLiteral("这是一个文件夹")
        : !info.isFile()               ? QStringLiteral("这不是普通文件（可能是管道或设备）")
        : !info.isReadable()           ? QStringLiteral("没有读取它的权限")
                                       : QStringLiteral("读取时出错（%1）").arg(openError);
    const QString what = QStringLiteral("无法读取设置文件 %1：%2").arg(nativePath(path), cause);
    switch (moment) {
    case Moment::Start:
        return what + QStringLiteral("。暂时按默认设置运行。");
    case Moment::Open:
        return what + QStringLiteral("。这里显示的是默认设置，在修好这个文件之前，按“确定”也无法保存设置。");
    case Moment::Save:
        break;
    }
    return what + QStringLiteral("，因此无法改写它。请检查这个文件后再试。");
}

} // namespace

Document Document::fromBytes(const QByteArray& bytes)
{
    Document doc;
    const DecodedText decoded = TextRules::decodeText(bytes);
    doc.encoding_ = decoded.encoding;
    if (bytes.isEmpty())
        return doc;
    doc.bom_ = bytes.left(decoded.markBytes);
    QByteArrayView body = QByteArrayView(bytes).sliced(decoded.markBytes);
    // Two-byte text has its line ends at even offsets only. Lines keep their bytes here too, so
    // that half a character survives a write; a byte left over at the end stays the last byte,
    // where it shifts no line that a write adds.
    const qsizetype step = isWide(doc.encoding_) ? 2 : 1;
    if (body.size() % step != 0) {
        doc.tail_ = body.last(1).toByteArray();
        body.chop(1);
    }
    const QByteArray newline = TextRules::encodeText(u"\n", doc.encoding_);
    doc.finalNewline_ = body.endsWith(newline);
    if (doc.finalNewline_)
        body.chop(newline.size());
    if (body.isEmpty() && !doc.finalNewline_)
        return doc;
    qsizetype from = 0;
    for (;;) {
        qsizetype nl = body.indexOf(newline, from);
        while (nl >= 0 && (nl - from) % step != 0)
            nl = body.indexOf(newline, nl + 1);
        const QByteArrayView raw = body.sliced(from, (nl < 0 ? body.size() : nl) - from);
        const bool cr = endsWithCr(raw, doc.encoding_);
        doc.crlf_ = doc.crlf_ || cr;
        doc.lines_.append({ raw.toByteArray(), decodeLine(cr ? raw.chopped(step) : raw, doc.encoding_) });
        if (nl < 0)
            break;
        from = nl + newline.size();
    }
    return doc;
}

Document::Found Document::find(const QString& section, const QString& key) const
{
    Found found;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const QString& text = lines_.at(i).text;
        const QString name = sectionOf(text);
        if (!name.isNull()) {
            if (found.section >= 0)
                break; // a second section of the same name is not read
            if (sameName(name, section))
                found.section = found.lastEntry = i;
            continue;
        }
        if (found.section < 0)
            continue;
        if (!stripSpaces(text).isEmpty())
            found.lastEntry = i;
        QString k;
        if (splitEntry(text, &k, nullptr) && sameName(k, key)) {
            found.key = i;
            break;
        }
    }
    return found;
}

std::optional<QString> Document::value(const QString& section, const QString& key) const
{
    const Found found = find(section, key);
    if (found.key < 0)
        return std::nullopt;
    QString k, v;
    splitEntry(lines_.at(found.key).text, &k, &v);
    return unquote(v).left(MaxValueLength);
}

Document::Line Document::makeLine(const QString& text) const
{
    const QString withEnd = crlf_ ? text + u'\r' : text;
    return { TextRules::encodeText(withEnd, encoding_), text };
}

void Document::setValue(const QString& section, const QString& key, const QString& value, bool keepExisting)
{
    const Found found = find(section, key);
    if (found.key >= 0) {
        const Line& old = lines_.at(found.key);
        QString k, v;
        splitEntry(old.text, &k, &v);
        // A value written as it reads keeps its bytes, quotes and blanks: a byte in no encoding
        // read back as U+FFFD must not be written as U+FFFD.
        if (keepExisting || unquote(v).left(MaxValueLength) == value)
            return;
        modified_ = true;
        // Keep the key's spelling and the line's own ending as they stand in the file.
        const QString text = k + u'=' + value;
        const bool cr = endsWithCr(old.bytes, encoding_);
        lines_[found.key] = { TextRules::encodeText(cr ? text + u'\r' : text, encoding_), text };
        return;
    }
    modified_ = true;
    if (found.section >= 0) {
        if (found.lastEntry + 1 == lines_.size())
            finalNewline_ = true;
        lines_.insert(found.lastEntry + 1, makeLine(key + u'=' + value));
        return;
    }
    if (!lines_.isEmpty() && !stripSpaces(lines_.last().text).isEmpty())
        lines_.append(makeLine(QString()));
    lines_.append(makeLine(u'[' + section + u']'));
    lines_.append(makeLine(key + u'=' + value));
    finalNewline_ = true;
}

QByteArray Document::toBytes() const
{
    const QByteArray newline = TextRules::encodeText(u"\n", encoding_);
    QByteArray out = bom_;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        if (i > 0)
            out += newline;
        out += lines_.at(i).bytes;
    }
    if (finalNewline_ && !lines_.isEmpty())
        out += newline;
    out += tail_;
    // Without a mark the encoding is told from the text itself, which the written lines may have
    // changed (a short UTF-16 file that gained Cyrillic no longer looks like UTF-16); then the
    // mark keeps the file reading as it was written.
    if (modified_ && bom_.isEmpty() && !readsAs(out, encoding_))
        out.prepend(byteOrderMark(encoding_));
    return out;
}

bool Document::readsBackAsWritten() const
{
    const QByteArray bytes = toBytes();
    return bytes.isEmpty() || readsAs(bytes, encoding_);
}

LoadResult load(const QString& path, Document* document, QString* problem, Moment moment)
{
    *document = Document();
    const QFileInfo info(path);
    if (!info.exists())
        return LoadResult::Missing;
    if (info.size() > MaxFileSize) {
        if (problem)
            *problem = tooLarge(path, info.size(), moment);
        return LoadResult::TooLarge;
    }
    // A pipe or a device under the file's name would never end, or never stop giving bytes.
    if (!info.isFile()) {
        if (problem)
            *problem = unreadable(path, info, QString(), moment);
        return LoadResult::Unreadable;
    }
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.read(MaxFileSize + 1) : QByteArray();
    // A read that broke off must not become a file that a save writes back shortened.
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        if (problem)
            *problem = unreadable(path, info, file.errorString(), moment);
        return LoadResult::Unreadable;
    }
    // Grown since its size was read.
    if (bytes.size() > MaxFileSize) {
        if (problem)
            *problem = tooLarge(path, bytes.size(), moment);
        return LoadResult::TooLarge;
    }
    *document = Document::fromBytes(bytes);
    return LoadResult::Loaded;
}

QString readIniString(const QString& section, const QString& key, const QString& path)
{
    Document doc;
    load(path, &doc);
    return doc.value(section, key).value_or(QString(QLatin1String("")));
}

bool writeIniString(
    const QString& section, const QString& key, const QString& value, const QString& path, QString* problem)
{
    return writeIniStrings({ { section, key, value } }, path, problem);
}

bool writeIniStrings(const QList<Write>& writes, const QString& path, QString* problem)
{
    for (const Write& w : writes) {
        if (w.value.contains(u'\n') || w.value.contains(u'\r') || w.key.contains(u'=')
            || w.key.trimmed().isEmpty() || w.section.contains(u']') || w.section.contains(u'\n')) {
            if (problem)
                *problem = QStringLiteral("设置项 %1 的值含有换行等无法保存的字符，没有写入。").arg(w.key);
            return false;
        }
    }
    Document doc;
    const LoadResult loaded = load(path, &doc, problem, Moment::Save);
    if (loaded == LoadResult::TooLarge || loaded == LoadResult::Unreadable)
        return false;
    for (const Write& w : writes)
        doc.setValue(w.section, w.key, w.value, w.keepExisting);
    // What is already on the disk needs no write, which a full disk would refuse.
    if (loaded == LoadResult::Loaded && !doc.isModified())
        return true;
    if (!doc.readsBackAsWritten()) {
        if (problem)
            *problem
                = QStringLiteral("设置文件 %1 已损坏（含有空字节等不属于文本的内容），写入后将无法正确读取，"
                                 "因此没有写入。请检查或移走这个文件后再试。")
                      .arg(nativePath(path));
        return false;
    }
    const auto written = SafeWrite::writeFile(path, doc.toBytes());
    if (!written.ok()) {
        if (problem)
            *problem = QStringLiteral("无法写入设置文件 %1：").arg(nativePath(path)) + written.reason;
        return false;
    }
    return true;
}

} // namespace IniFile
