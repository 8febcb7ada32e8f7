#include "clicommand.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

const QString fixtures = QStringLiteral(REELSHELF_TEST_DATA "/mdb");

CliRun run(const QStringList& args)
{
    return runCliCaptured(args);
}

TEST(CliImportMdb, RefusesWhatItCannotImportAndChangesNothing)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    QTemporaryDir dir;
    const struct
    {
        QString file;
        const char16_t* message;
    } cases[] = {
        { fixtures + QStringLiteral("/test2V1997.mdb"),
            u"旧版数据库 %1 不完整，没有导入任何内容：\n缺少表：DiskState、ReelShelfIndex、MovieFileType。\n" },
        { dir.filePath(QStringLiteral("missing.mdb")), nullptr },
        { dir.path(), nullptr },
    };
    for (const auto& c : cases) {
        const CliRun r = run({ QStringLiteral("--home"), home.path(), QStringLiteral("import-mdb"), c.file });
        EXPECT_EQ(r.code, 1) << c.file.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        if (c.message)
            EXPECT_EQ(r.err, QString::fromUtf16(c.message).arg(QDir::toNativeSeparators(c.file)));
        else
            EXPECT_TRUE(r.err.contains(QDir::toNativeSeparators(c.file))) << r.err.toStdString();
        EXPECT_EQ(home.discRows().size(), 1);
    }
}

TEST(CliImportMdb, BadUsageExitsWithTwo)
{
    TestHome home;
    for (const QStringList& args : { QStringList(), QStringList({ QStringLiteral("--nope") }),
             QStringList({ QStringLiteral("a.mdb"), QStringLiteral("b.mdb") }) }) {
        const CliRun r = run(
            QStringList({ QStringLiteral("--home"), home.path(), QStringLiteral("import-mdb") }) + args);
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.contains(QStringLiteral("import-mdb FILE [--json]"))) << r.err.toStdString();
    }
}

// Any command, run first on a folder copied from Windows, imports the old file before it would
// make an empty catalogue beside it; an old file it cannot read stops it with no catalogue made.
TEST(CliImportMdb, AFolderWithOnlyTheOldFileIsImportedFirst)
{
    QTemporaryDir dir;
    writeBytes(dir.filePath(QStringLiteral("ShelfIndex.mdb")),
        readBytes(fixtures + QStringLiteral("/test2V1997.mdb")));
    const CliRun r = run({ QStringLiteral("--home"), dir.path(), QStringLiteral("discs") });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("缺少表：DiskState"))) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("ShelfIndex.db"))));
}

} // namespace
