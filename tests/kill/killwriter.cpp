// A real writer for the kill test: runs one catalogue operation of ours on a data folder and may
// be killed at any moment. It prints "ready" just before the operation and "done <µs>" after it.
//
//   reelshelf-killwriter HOME commit TREE NUMBER   the wizard's commit of every file below TREE
//   reelshelf-killwriter HOME delete-disc NUMBER   a disc deletion with its movies
//   reelshelf-killwriter HOME save-movie NUMBER    a new movie saved on a disc
//   reelshelf-killwriter HOME backup               a backup of the catalogue
//   reelshelf-killwriter HOME restore BACKUP       a restore, keeping the current state first
//   reelshelf-killwriter HOME prepare              a new catalogue made where there is none
//   reelshelf-killwriter HOME import-mdb FILE MODE an old catalogue with its pictures, MODE add or replace

#include "legacy/legacyimport.h"
#include "movies/movieform.h"
#include "movies/moviesaving.h"
#include "scan/wizardcommit.h"
#include "store/backups.h"
#include "store/catalogue.h"
#include "store/datafolder.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

QList<WizardCommit::PreparedRow> rowsBelow(const QString& tree)
{
    QList<WizardCommit::PreparedRow> rows;
    QDirIterator it(tree, { QStringLiteral("*.avi") }, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        rows.append({ info.fileName(), QStringLiteral("700"), info.absolutePath(), QStringLiteral("avi"),
            info.fileName(), QFile::encodeName(info.fileName()), QFile::encodeName(info.absolutePath()), {} });
    }
    std::sort(
        rows.begin(), rows.end(), [](const WizardCommit::PreparedRow& a, const WizardCommit::PreparedRow& b) {
            return a.folder < b.folder;
        });
    return rows;
}

int usage()
{
    std::fputs("usage: reelshelf-killwriter HOME (commit TREE NUMBER | delete-disc NUMBER | save-movie NUMBER"
               " | backup | restore BACKUP | prepare | import-mdb FILE (add | replace))\n",
        stderr);
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2)
        return usage();
    const DataFolder folder(args.at(0));
    const QString op = args.at(1);
    Catalogue catalogue(folder.catalogueFile());
    QString error;
    std::function<bool()> run;
    if (op == QLatin1String("commit") && args.size() == 4) {
        const auto rows = rowsBelow(args.at(2));
        const WizardCommit::Disc disc { args.at(3), QStringLiteral("kill"), QStringLiteral("DVD"),
            args.at(2) };
        run = [&, rows, disc] {
            const WizardCommit::Result result
                = WizardCommit::commit(catalogue, folder, QString(), disc, rows);
            error = result.error;
            return result.stored;
        };
    } else if (op == QLatin1String("delete-disc") && args.size() == 3) {
        run = [&] {
            const DiscOutcome outcome = catalogue.deleteDiscWithMovies(args.at(2));
            error = outcome.error;
            return outcome.ok();
        };
    } else if (op == QLatin1String("save-movie") && args.size() == 3) {
        MovieForm form;
        form.discNumber = args.at(2);
        form.name = QStringLiteral("被中断的影片");
        form.year = QStringLiteral("2026");
        run = [&, form] {
            const MovieSaving::Outcome outcome = MovieSaving::saveNewMovie(catalogue, folder, form);
            error = outcome.error;
            return outcome.saved;
        };
    } else if (op == QLatin1String("backup") && args.size() == 2) {
        run = [&] { return CatalogueBackups(folder).take(QDateTime::currentDateTime(), &error); };
    } else if (op == QLatin1String("restore") && args.size() == 3) {
        run = [&] {
            return CatalogueBackups(folder).restore(args.at(2), QDateTime::currentDateTime(), &error);
        };
    } else if (op == QLatin1String("prepare") && args.size() == 2) {
        run = [&] { return catalogue.prepare(&error); };
    } else if (op == QLatin1String("import-mdb") && args.size() == 4
        && (args.at(3) == QLatin1String("add") || args.at(3) == QLatin1String("replace"))) {
        const LegacyImport::Mode mode
            = args.at(3) == QLatin1String("add") ? LegacyImport::Mode::Add : LegacyImport::Mode::Replace;
        run = [&, mode] {
            return LegacyImport::importFile(folder, args.at(2), mode, QDateTime::currentDateTime(), &error)
                .has_value();
        };
    } else {
        return usage();
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    QElapsedTimer timer;
    timer.start();
    if (!run()) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 1;
    }
    std::printf("done %lld\n", static_cast<long long>(timer.nsecsElapsed() / 1000));
    return 0;
}
