#include "reportcommand.h"

#include "jsonline.h"
#include "report/collectionreport.h"
#include "store/catalogue.h"
#include "store/datafolder.h"

#include <QTextStream>

namespace {

using CollectionReport::Movie;

JsonLine& addMovie(JsonLine& line, const Movie& m)
{
    return line.add(QStringLiteral("id"), m.id)
        .add(QStringLiteral("title"), m.title)
        .add(QStringLiteral("englishTitle"), m.englishTitle);
}

// Only rows of a disc whose last check failed carry these, so a catalogue never checked reads as before.
void addFailedCheck(JsonLine& line, const MediaTables::DiscCheckRecord& check)
{
    line.addBool(QStringLiteral("checkFailed"), true)
        .add(QStringLiteral("checked"), check.checked.toUTC().toString(Qt::ISODate))
        .add(QStringLiteral("files"), check.files)
        .add(QStringLiteral("ok"), check.ok)
        .add(QStringLiteral("missing"), check.missing)
        .add(QStringLiteral("changed"), check.changed)
        .add(QStringLiteral("unreadable"), check.unreadable);
}

void printJson(const CollectionReport::Report& report, QTextStream& out)
{
    for (const CollectionReport::DuplicateGroup& g : report.duplicates) {
        for (const Movie& m : g.movies) {
            JsonLine line;
            line.add(QStringLiteral("kind"), QStringLiteral("duplicate"))
                .add(QStringLiteral("group"), g.number)
                .addBool(QStringLiteral("sameDisc"), g.sameDisc);
            addMovie(line, m)
                .addNullable(QStringLiteral("disc"), m.disc.isEmpty() ? QVariant() : QVariant(m.disc))
                .addBool(QStringLiteral("discExists"), m.discExists);
            out << line.toString() << '\n';
        }
    }
    for (const CollectionReport::RiskDisc& d : report.risks) {
        for (const Movie& m : d.movies) {
            JsonLine line;
            line.add(QStringLiteral("kind"), QStringLiteral("risk"))
                .add(QStringLiteral("disc"), d.disc)
                .add(QStringLiteral("discName"), d.name)
                .add(QStringLiteral("condition"), d.condition)
                .add(QStringLiteral("note"), d.note);
            addMovie(line, m);
            if (d.failedCheck)
                addFailedCheck(line, *d.failedCheck);
            out << line.toString() << '\n';
        }
    }
}

} // namespace

int ReportCommand::run(const QStringList& args, const DataFolder& folder, CliIo& io) const
{
    bool json = false;
    for (const QString& a : args) {
        if (a != QStringLiteral("--json") || json) {
            io.err << "用法: reelshelf-cli [--home DIR] " << usage() << '\n';
            return ExitUsage;
        }
        json = true;
    }
    QString error;
    const auto report = CollectionReport::build(Catalogue(folder.catalogueFile()), &error);
    if (!report) {
        io.err << error << '\n';
        return ExitFailed;
    }
    if (json)
        printJson(*report, io.out);
    else
        io.out << CollectionReport::duplicatesText(*report) << CollectionReport::risksText(*report);
    return ExitOk;
}
