#include "clicommand.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

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
            u"旧版数据库 %1 "
            u"不完整，没有导入任何内容：\n缺少表：DiskState、ReelShelfIndex、MovieFileType。\n" },
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

// The real program, as a shell or a script starts it.
struct Started
{
    int code = -1;
    QString out;
    QString err;
};

std::vector<Started> startTogether(const QList<QStringList>& runs, int timeoutMs = 30000)
{
    std::vector<std::unique_ptr<QProcess>> processes;
    for (const QStringList& args : runs) {
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral(REELSHELF_CLI_PROGRAM), args);
        processes.push_back(std::move(p));
    }
    std::vector<Started> results;
    for (auto& p : processes) {
        Started r;
        if (p->waitForFinished(timeoutMs) && p->exitStatus() == QProcess::NormalExit)
            r.code = p->exitCode();
        else
            p->kill();
        r.out = QString::fromUtf8(p->readAllStandardOutput());
        r.err = QString::fromUtf8(p->readAllStandardError());
        results.push_back(r);
    }
    return results;
}

// Two or three starts at once on a folder copied from Windows: one imports, the others wait and
// then work on the catalogue it made.
TEST(CliImportMdb, FirstStartsAtOnceAllWorkOnOneImportedCatalogue)
{
    const QByteArray old = readBytes(fixtures + QStringLiteral("/catalogue40.mdb"));
    for (int round = 0; round < 8; ++round) {
        QTemporaryDir dir;
        writeBytes(dir.filePath(QStringLiteral("ShelfIndex.mdb")), old);
        const QStringList discs
            = { QStringLiteral("--home"), dir.path(), QStringLiteral("discs"), QStringLiteral("--json") };
        const auto results = startTogether({ discs, discs, discs });
        int reported = 0;
        for (const Started& r : results) {
            EXPECT_EQ(r.code, 0) << "round " << round << ": " << r.err.toStdString();
            EXPECT_EQ(r.out.count(u'\n'), 5) << r.out.toStdString();
            if (r.err.contains(QStringLiteral("已从旧版数据库导入 5 张光盘、40 部影片。")))
                ++reported;
        }
        EXPECT_EQ(reported, 1) << "round " << round;
        EXPECT_EQ(QDir(dir.path()).entryList({ QStringLiteral("ShelfIndex.db*") }, QDir::Files),
            QStringList({ QStringLiteral("ShelfIndex.db") }));
    }
}

// Each damaged file once hung the import, crashed it or took part of it with exit 0; now each is
// refused in a few seconds, in Chinese, naming the file, with libmdb's English kept away.
TEST(CliImportMdb, DamagedFilesAreRefusedWithinSecondsInChinese)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    for (const char* name : { "damaged-memo-self-chain.mdb", "damaged-flip-crash.mdb",
             "damaged-cut-last-page.mdb", "damaged-flip-rows-lost.mdb", "damaged-memo-cycle.mdb" }) {
        const QString file = fixtures + u'/' + QString::fromLatin1(name);
        QElapsedTimer timer;
        timer.start();
        const auto results = startTogether(
            { { QStringLiteral("--home"), home.path(), QStringLiteral("import-mdb"), file } }, 20000);
        EXPECT_LT(timer.elapsed(), 15000) << name;
        const Started& r = results.front();
        EXPECT_EQ(r.code, 1) << name;
        EXPECT_TRUE(r.err.contains(QDir::toNativeSeparators(file))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("没有导入任何内容"))) << r.err.toStdString();
        static const QRegularExpression english(QStringLiteral("\\b(warning|error|mdb_\\w+|Unable)\\b"),
            QRegularExpression::CaseInsensitiveOption);
        EXPECT_FALSE(r.err.contains(english)) << r.err.toStdString();
        EXPECT_EQ(home.discRows().size(), 1);
    }
}

} // namespace
