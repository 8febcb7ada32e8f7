#include "descriptionfile.h"

#include "store/textrules.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

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

QString notAFileMessage(const QString& path)
{
    return QStringLiteral("简介文件 %1 不是普通文件（可能是文件夹、管道或设备），没有导入。").arg(path);
}

QString binaryMessage(const QString& path)
{
    return QStringLiteral("简介文件 %1 不是文本文件（大多是空字节、控制字符或无法识别的字节），没有导入。"
                          "请选择下载附带的 .txt 简介文件。")
        .arg(path);
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

namespace {

// Closes the descriptor unless a QFile took it over.
struct Descriptor
{
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Reads at most one byte more than a description may hold, from a regular file only. Opening
// without waiting tells a pipe or a device behind a text's name without hanging on it, even
// when it took the place of a file after the name was listed.
std::optional<QByteArray> readRegularFile(const QString& path, QString* error)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info = {};
    // Some devices act when opened (a tape rewinds): refuse what is no file before opening it.
    if (::stat(name.constData(), &info) == 0 && !S_ISREG(info.st_mode)) {
        *error = notAFileMessage(path);
        return std::nullopt;
    }
    Descriptor d;
    d.fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (d.fd < 0 || ::fstat(d.fd, &info) != 0) {
        *error = errno == ENOENT ? missingMessage(path) : unreadableMessage(path);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = notAFileMessage(path);
        return std::nullopt;
    }
    if (info.st_size > MaxDescriptionBytes) {
        *error = tooLargeMessage(path);
        return std::nullopt;
    }
    QFile file;
    if (!file.open(d.fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        *error = unreadableMessage(path);
        return std::nullopt;
    }
    d.fd = -1;
    // One byte more than allowed tells a file that grew since it was measured.
    QByteArray bytes = file.read(MaxDescriptionBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        *error = unreadableMessage(path);
        return std::nullopt;
    }
    if (bytes.size() > MaxDescriptionBytes) {
        *error = tooLargeMessage(path);
        return std::nullopt;
    }
    return bytes;
}

} // namespace

DescriptionFile readDescriptionFile(const QString& path)
{
    DescriptionFile out;
    const std::optional<QByteArray> bytes = readRegularFile(path, &out.error);
    if (!bytes)
        return out;
    const TextRules::DecodedText decoded = TextRules::decodeText(*bytes);
    if (decoded.looksBinary()) {
        out.error = binaryMessage(path);
        return out;
    }
    out.lines = splitLines(TextRules::storableText(decoded.text));
    return out;
}

} // namespace Intro
