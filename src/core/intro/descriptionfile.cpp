#include "descriptionfile.h"

#include "store/textrules.h"

#include <QFile>
#include <QFileInfo>

namespace Intro {

namespace {

QString missingMessage(const QString& path)
{
    return QStringLiteral("找不到简介文件 %1，没有导入。").arg(path);
}

QString unreadableMessage(const QString& path)
{
    return QStringLiteral("无法读取简介文件 %1，没有导入。").arg(path);
}

QString tooLargeMessage(const QString& path)
{
    return QStringLiteral("简介文件 %1 太大（超过 4 MB），没有导入。").arg(path);
}

} // namespace

QStringList splitLines(const QString& text)
{
    QStringList lines;
    const QStringView all(text);
    qsizetype start = 0;
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QChar c = all[i];
        if (c != u'\n' && c != u'\r')
            continue;
        lines.append(all.sliced(start, i - start).toString());
        if (c == u'\r' && i + 1 < all.size() && all[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < all.size())
        lines.append(all.sliced(start).toString());
    return lines;
}

DescriptionFile readDescriptionFile(const QString& path)
{
    DescriptionFile out;
    const QFileInfo info(path);
    if (!info.exists()) {
        out.error = missingMessage(path);
        return out;
    }
    // A folder, a pipe or a device is no text file; opening a pipe would wait for a writer.
    if (!info.isFile()) {
        out.error = unreadableMessage(path);
        return out;
    }
    if (info.size() > MaxDescriptionBytes) {
        out.error = tooLargeMessage(path);
        return out;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out.error = unreadableMessage(path);
        return out;
    }
    // One byte more than allowed tells a file that grew since it was measured.
    const QByteArray bytes = file.read(MaxDescriptionBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        out.error = unreadableMessage(path);
        return out;
    }
    if (bytes.size() > MaxDescriptionBytes) {
        out.error = tooLargeMessage(path);
        return out;
    }
    out.lines = splitLines(TextRules::decodeText(bytes).text);
    return out;
}

} // namespace Intro
