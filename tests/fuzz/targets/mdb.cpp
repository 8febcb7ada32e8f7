// Bytes as an old catalogue (.mdb), read as the import reads it: a refusal that tells the user why,
// or the tables whole, which then cross the helper's pipe (MdbWire) and arrive equal. In the import
// a helper process under memory and time limits does the reading; here it runs in-process, so a
// hang or a memory blow-up shows as a finding.
#include "fuzzfiles.h"
#include "fuzztarget.h"
#include "legacy/mdbreader.h"
#include "legacy/mdbwire.h"
#include "legacytables.h"

#include <QBuffer>

namespace {

const QStringList importedTables
    = { QStringLiteral("DiskState"), QStringLiteral("ReelShelfIndex"), QStringLiteral("MovieFileType") };

// The tables through the wire as the helper writes them, read back in small pieces.
void checkWire(const QStringList& names, const QList<std::pair<QString, LegacyTable>>& tables)
{
    QByteArray sent;
    {
        QBuffer out(&sent);
        out.open(QIODevice::WriteOnly);
        FUZZ_REQUIRE(MdbWire::writeNames(out, names));
        for (const auto& [name, table] : tables)
            FUZZ_REQUIRE(MdbWire::writeProgress(out) && MdbWire::writeTable(out, name, table));
        FUZZ_REQUIRE(MdbWire::writeDone(out));
    }
    MdbWire::FrameReader reader;
    QList<MdbWire::Frame> frames;
    for (qsizetype at = 0; at < sent.size(); at += 4093) {
        reader.append(sent.mid(at, 4093));
        while (auto frame = reader.next())
            frames << *frame;
    }
    FUZZ_REQUIRE(!reader.broken() && !reader.hasPartialFrame());
    FUZZ_REQUIRE(frames.size() == 2 + 2 * tables.size());
    FUZZ_REQUIRE(frames.first().kind == MdbWire::Kind::Names && frames.first().names == names);
    for (qsizetype i = 0; i < tables.size(); ++i) {
        const MdbWire::Frame& frame = frames[2 + 2 * i];
        FUZZ_REQUIRE(frame.kind == MdbWire::Kind::Table && frame.text == tables[i].first);
        FUZZ_REQUIRE(FuzzSupport::sameTable(frame.table, tables[i].second));
    }
    FUZZ_REQUIRE(frames.last().kind == MdbWire::Kind::Done);
}

} // namespace

REELSHELF_FUZZ_TARGET(mdb)
{
    const QString path = FuzzSupport::scratchPath(QStringLiteral("ShelfIndex.mdb"));
    FUZZ_REQUIRE(
        FuzzSupport::writeFile(path, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size))));
    const std::optional<QString> problem = MdbReader::fileProblem(path);
    QString error;
    const std::unique_ptr<MdbReader> reader = MdbReader::open(path, &error);
    if (problem)
        FUZZ_REQUIRE(FuzzSupport::isUserMessage(*problem, path));
    FUZZ_REQUIRE(!(problem && reader));
    if (!reader) {
        FUZZ_REQUIRE(FuzzSupport::isUserMessage(error, path));
        QFile::remove(path);
        return 0;
    }
    const QStringList names = reader->tableNames();
    QList<std::pair<QString, LegacyTable>> tables;
    for (const QString& wanted : importedTables) {
        const auto actual = std::find_if(names.cbegin(), names.cend(),
            [&](const QString& n) { return n.compare(wanted, Qt::CaseInsensitive) == 0; });
        if (actual == names.cend())
            continue;
        QString tableError;
        const std::optional<LegacyTable> table = reader->readTable(*actual, &tableError);
        if (!table) {
            FUZZ_REQUIRE(FuzzSupport::isUserMessage(tableError, path));
            continue;
        }
        for (const QVariantList& row : table->rows)
            FUZZ_REQUIRE(row.size() == table->columns.size());
        tables.append({ *actual, *table });
    }
    checkWire(names, tables);
    QFile::remove(path);
    return 0;
}
