#include "importmdbcommand.h"

#include "jsonline.h"
#include "legacy/legacyimport.h"
#include "store/datafolder.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTextStream>

namespace {

QString jsonList(const QStringList& items)
{
    QStringList quoted;
    for (const QString& item : items)
        quoted.append(JsonLine::quoted(item));
    return u'[' + quoted.join(u',') + u']';
}

} // namespace

int ImportMdbCommand::run(const QStringList& args, const DataFolder& folder, CliIo& io) const
{
    QString file;
    bool json = false;
    for (const QString& a : args) {
        if (a == QStringLiteral("--json") && !json)
            json = true;
        else if (!a.startsWith(u"--") && file.isEmpty())
            file = a;
        else {
            io.err << "用法: reelshelf-cli [--home DIR] " << usage() << '\n';
            return ExitUsage;
        }
    }
    if (file.isEmpty()) {
        io.err << "用法: reelshelf-cli [--home DIR] " << usage() << '\n';
        return ExitUsage;
    }
    QString error;
    const auto report = LegacyImport::importFile(folder, QFileInfo(file).absoluteFilePath(),
        LegacyImport::Mode::Add, QDateTime::currentDateTime(), &error);
    if (!report) {
        io.err << error << '\n';
        return ExitFailed;
    }
    if (json) {
        io.out << "{\"discs\":" << report->discs << ",\"movies\":" << report->movies
               << ",\"fileTypes\":" << report->fileTypes
               << ",\"skippedDiscs\":" << jsonList(report->skippedDiscs)
               << ",\"skippedMovies\":" << report->skippedMovies
               << ",\"warnings\":" << jsonList(report->warnings) << "}\n";
    } else {
        io.out << LegacyImport::reportText(*report) << '\n';
    }
    return ExitOk;
}
