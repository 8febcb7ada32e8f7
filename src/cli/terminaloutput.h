#pragma once

#include <QByteArray>
#include <QFile>
#include <QIODevice>

// What reaches a terminal from the catalogue or a scanned disc is text, never commands to the
// terminal: a file named with escape sequences would otherwise recolour it, set its title or
// move the cursor. Control characters other than line breaks and tabs are shown as "?".
QByteArray terminalSafe(QByteArray utf8);

// A write-only device over an open file descriptor (stdout, stderr) that passes everything
// through terminalSafe().
class TerminalOutput final : public QIODevice
{
public:
    explicit TerminalOutput(int fd);

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    QFile file_;
    QByteArray pending_; // the start of a two-byte sequence split between writes
};
