#pragma once

// What the file targets share: a scratch file of this process for an input given as a file, and
// the test that a refusal speaks to the user.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <unistd.h>

namespace FuzzSupport {

// A path in the scratch folder both builds define, one for each process and `name`.
inline QString scratchPath(const QString& name)
{
    const QString folder = QStringLiteral(REELSHELF_FUZZ_SCRATCH);
    QDir().mkpath(folder);
    return folder + QStringLiteral("/%1-%2").arg(qint64(::getpid())).arg(name);
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size()
        && file.flush();
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A message for the user: a Chinese sentence that names `path`.
inline bool isUserMessage(const QString& message, const QString& path)
{
    bool chinese = false;
    for (QChar c : message)
        chinese = chinese || (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF);
    return chinese && message.contains(QDir::toNativeSeparators(path));
}

// Qt's SQL drivers and plugins want an application object; the targets that need one make it once
// and keep it for the life of the process (the ordinary suite has its own already).
inline void ensureApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "reelshelf-fuzz";
    static char* argv[] = { name, nullptr };
    static QCoreApplication app(argc, argv);
    Q_UNUSED(app);
}

} // namespace FuzzSupport
