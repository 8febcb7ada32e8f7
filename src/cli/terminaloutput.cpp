#include "terminaloutput.h"

QByteArray terminalSafe(QByteArray utf8)
{
    qsizetype out = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        // C1 controls come as U+0080..U+009F, two bytes in UTF-8; some terminals obey them too.
        if (c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0
            && static_cast<unsigned char>(utf8[i + 1]) >= 0x80) {
            utf8[out++] = '?';
            ++i;
            continue;
        }
        const bool control = (c < 0x20 && c != '\n' && c != '\t') || c == 0x7F;
        utf8[out++] = control ? '?' : char(c);
    }
    utf8.truncate(out);
    return utf8;
}

TerminalOutput::TerminalOutput(int fd)
{
    file_.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 TerminalOutput::writeData(const char* data, qint64 size)
{
    QByteArray chunk = pending_ + QByteArray(data, size);
    pending_.clear();
    // A lead byte at the very end waits for the byte that says whether it starts a C1 control.
    if (!chunk.isEmpty() && static_cast<unsigned char>(chunk.back()) == 0xC2) {
        pending_ = chunk.right(1);
        chunk.chop(1);
    }
    const QByteArray safe = terminalSafe(std::move(chunk));
    return file_.write(safe) == safe.size() ? size : -1;
}
