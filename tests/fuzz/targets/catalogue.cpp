// Bytes as ShelfIndex.db in a data folder of its own, opened as the programs open it at their start:
// either a refusal that tells the user why, with the file left byte for byte as it was and nothing
// beside it, or a catalogue whose discs, movies and file types can be listed (or whose damage is
// told when listed) and that opens again.
#include "store/catalogue.h"
#include "fuzzfiles.h"
#include "fuzztarget.h"

#include <QDir>
#include <QTemporaryDir>

namespace {

void checkListing(const Catalogue& catalogue, const QString& path)
{
    QString error;
    if (!catalogue.discs(&error))
        FUZZ_REQUIRE(FuzzSupport::isUserMessage(error, path));
    error.clear();
    if (!catalogue.forEachMovie([](const MovieRecord&) { return true; }, &error))
        FUZZ_REQUIRE(FuzzSupport::isUserMessage(error, path));
    error.clear();
    if (!catalogue.fileTypes(&error))
        FUZZ_REQUIRE(FuzzSupport::isUserMessage(error, path));
    error.clear();
    if (catalogue.movieCount(&error) < 0)
        FUZZ_REQUIRE(FuzzSupport::isUserMessage(error, path));
}

} // namespace

REELSHELF_FUZZ_TARGET(catalogue)
{
    FuzzSupport::ensureApplication();
    QTemporaryDir folder(FuzzSupport::scratchPath(QStringLiteral("catalogue-XXXXXX")));
    FUZZ_REQUIRE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("ShelfIndex.db"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    FUZZ_REQUIRE(FuzzSupport::writeFile(path, bytes));

    Catalogue catalogue(path);
    QString error;
    if (!catalogue.prepare(&error)) {
        FUZZ_REQUIRE(FuzzSupport::isUserMessage(error, path));
        FUZZ_REQUIRE(FuzzSupport::readFile(path) == bytes);
        const QStringList left
            = QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        FUZZ_REQUIRE(left == QStringList { QStringLiteral("ShelfIndex.db") });
        return 0;
    }
    checkListing(catalogue, path);
    // The next start finds a catalogue too.
    FUZZ_REQUIRE(catalogue.prepare(&error));
    return 0;
}
