#pragma once

#include <QString>
#include <QStringList>

namespace Intro {

// Larger files are no description texts; refusing them keeps a stray video file from being read.
inline constexpr qint64 MaxDescriptionBytes = 4 * 1024 * 1024;

struct DescriptionFile
{
    QStringList lines;
    QString error; // the message for the user when the file was not read

    bool ok() const { return error.isEmpty(); }
};

// Reads a description file in whichever encoding it comes (UTF-8, UTF-16 with or without a
// byte-order mark, GBK, GBK with parts in UTF-8) as lines. An empty file has no lines. A binary
// file, a folder, a pipe or a device is refused with a message naming it; the lines never hold
// NULs or other control characters.
DescriptionFile readDescriptionFile(const QString& path);

// Splits at LF, CR LF or a lone CR; a break at the very end starts no further line.
QStringList splitLines(const QString& text);

} // namespace Intro
