// A disc added with its movie files' facts, as reelshelf-cli add-disc and files show it, on small
// real movie files (tests/data/media).
#include "media/mediumidentity.h"
#include "store/catalogue.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString media = QStringLiteral(REELSHELF_TEST_DATA "/media");

class FilesCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        copy(QStringLiteral("feature.mkv"), QStringLiteral("Feature/feature.mkv"));
        for (const char* s : { "feature.chs.srt", "feature.eng.ass" })
            copy(QString::fromLatin1(s), QStringLiteral("Feature/") + QString::fromLatin1(s));
        copy(QStringLiteral("parts.CD1.mp4"), QStringLiteral("Parts/parts.CD1.mp4"));
        copy(QStringLiteral("parts.CD2.mp4"), QStringLiteral("Parts/parts.CD2.mp4"));
        copy(QStringLiteral("plain.avi"), QStringLiteral("Plain/plain.avi"));
        // The text beside it gives a running time and a language: they win over the file's.
        writeBytes(tree_.path(QStringLiteral("Plain/plain.txt")),
            QStringLiteral("◎片　　长　88分钟\n◎语　　言　国语\n").toUtf8());
        copy(QStringLiteral("random.mkv"), QStringLiteral("Broken/broken.mkv"));
        const QByteArray gbk = QStringEncoder("GB18030").encode(QStringLiteral("英雄"));
        tree_.rawFile("Gbk/" + gbk + ".mkv", readBytes(media + QStringLiteral("/feature.mkv")));
    }

    void copy(const QString& from, const QString& to)
    {
        QDir().mkpath(QFileInfo(tree_.path(to)).absolutePath());
        ASSERT_TRUE(QFile::copy(media + u'/' + from, tree_.path(to))) << to.toStdString();
    }

    CliRun run(const QStringList& args) { return runCliCaptured(home_, args); }

    // The stored fields of the movie with `title`, quoted as SQLite quotes them.
    QString stored(const QString& title, const QString& fields)
    {
        RawDb raw(home_.folder().catalogueFile());
        return raw
            .rows(QStringLiteral("SELECT %1 FROM ReelShelfIndex WHERE MovieName = '%2'").arg(fields, title))
            .value(0);
    }

    TestHome home_;
    TestTree tree_;
};

} // namespace

TEST_F(FilesCli, AnAddedDiscRemembersEveryFileWithItsFactsAndFillsOnlyEmptyFields)
{
    const CliRun added
        = run({ QStringLiteral("add-disc"), QStringLiteral("--number"), QStringLiteral("4"), tree_.path() });
    ASSERT_EQ(added.code, 0) << added.err.toStdString();
    // The damaged file costs one warning and nothing else.
    EXPECT_TRUE(added.err.contains(QStringLiteral(
        "无法读取影片文件 %1 的媒体信息（无法识别的文件，可能已损坏），它的时长、清晰度和语言留空。")
                                       .arg(tree_.path(QStringLiteral("Broken/broken.mkv")))))
        << added.err.toStdString();
    EXPECT_EQ(added.lines().size(), 2 + 5) << added.out.toStdString();

    const QString fields
        = QStringLiteral("quote(Lastfor), quote(Definition), quote(Audio), quote(SubTitile)");
    EXPECT_EQ(stored(QStringLiteral("feature"), fields),
        QStringLiteral("90.0|'1080P '|'国语/英文原声 '|'英文/中文'"));
    EXPECT_EQ(stored(QStringLiteral("parts"), fields), QStringLiteral("95.0|'720P '|'日本语 '|NULL"));
    EXPECT_EQ(stored(QStringLiteral("plain"), fields), QStringLiteral("88.0|'标清 '|'国语'|NULL"));
    EXPECT_EQ(stored(QStringLiteral("broken"), fields), QStringLiteral("NULL|NULL|NULL|NULL"));
    EXPECT_EQ(
        stored(QStringLiteral("英雄"), fields), QStringLiteral("90.0|'1080P '|'国语/英文原声 '|'中文'"));

    const CliRun files = run(
        { QStringLiteral("files"), QStringLiteral("--disc"), QStringLiteral("4"), QStringLiteral("--json") });
    ASSERT_EQ(files.code, 0) << files.err.toStdString();
    QStringList seen;
    for (const QString& line : files.lines()) {
        const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
        seen << QStringLiteral("%1 %2 %3 %4")
                    .arg(o.value(QStringLiteral("part")).toInt())
                    .arg(o.value(QStringLiteral("path")).toString())
                    .arg(o.value(QStringLiteral("container")).toString(QStringLiteral("-")))
                    .arg(QString::number(o.value(QStringLiteral("duration")).toDouble(), 'g', 10));
        EXPECT_EQ(o.value(QStringLiteral("disc")).toString(), QStringLiteral("4"));
        EXPECT_TRUE(o.value(QStringLiteral("modified")).toString().endsWith(u'Z')) << line.toStdString();
    }
    seen.sort();
    EXPECT_EQ(seen,
        (QStringList { QStringLiteral("1 Broken/broken.mkv - 0"),
            QStringLiteral("1 Feature/feature.mkv Matroska 5400.128"),
            QStringLiteral("1 Gbk/英雄.mkv Matroska 5400.128"),
            QStringLiteral("1 Parts/parts.CD1.mp4 MPEG-4 3000"), QStringLiteral("1 Plain/plain.avi AVI 120"),
            QStringLiteral("2 Parts/parts.CD2.mp4 MPEG-4 2700") }));
    // A subtitle file is remembered where it lies on the medium.
    EXPECT_TRUE(files.out.contains(QStringLiteral("\"path\":\"Feature/feature.chs.srt\"")))
        << files.out.toStdString();

    // The medium: every file under the root counted.
    RawDb raw(home_.folder().catalogueFile());
    EXPECT_EQ(raw.rows(QStringLiteral("SELECT DiskNum, FileCount, length(Fingerprint) FROM ShelfDiscMedia")),
        QStringList { QStringLiteral("4|9|40") });
}

TEST_F(FilesCli, WithoutFactsTheFilesAreStillRememberedAndTheFieldsLeftAsTheTextsGiveThem)
{
    const CliRun added = run({ QStringLiteral("add-disc"), QStringLiteral("--number"), QStringLiteral("5"),
        QStringLiteral("--no-facts"), tree_.path() });
    ASSERT_EQ(added.code, 0) << added.err.toStdString();
    EXPECT_FALSE(added.err.contains(QStringLiteral("媒体信息"))) << added.err.toStdString();
    EXPECT_EQ(stored(QStringLiteral("feature"), QStringLiteral("quote(Lastfor), quote(Definition)")),
        QStringLiteral("NULL|NULL"));
    EXPECT_EQ(stored(QStringLiteral("plain"), QStringLiteral("quote(Lastfor), quote(Audio)")),
        QStringLiteral("88.0|'国语'"));
    const CliRun files = run({ QStringLiteral("files"), QStringLiteral("--movie"), QStringLiteral("3"),
        QStringLiteral("--json") });
    ASSERT_EQ(files.code, 0) << files.err.toStdString();
    ASSERT_EQ(files.lines().size(), 1);
    EXPECT_TRUE(files.lines()[0].contains(QStringLiteral("\"container\":null")));
}

TEST_F(FilesCli, DeletingTheDiscOrAMovieTakesItsFilesAlong)
{
    ASSERT_EQ(run({ QStringLiteral("add-disc"), QStringLiteral("--number"), QStringLiteral("4"),
                      QStringLiteral("--no-facts"), tree_.path() })
                  .code,
        0);
    RawDb raw(home_.folder().catalogueFile());
    const auto count = [&](const char* table) {
        return raw.rows(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table))).value(0).toInt();
    };
    ASSERT_EQ(count("ShelfMovieFiles"), 6);
    Catalogue catalogue(home_.folder().catalogueFile());
    QString error;
    ASSERT_TRUE(catalogue.deleteMovie(2, &error)) << error.toStdString();
    EXPECT_EQ(count("ShelfMovieFiles"), 5);
    EXPECT_TRUE(catalogue.deleteDiscWithMovies(QStringLiteral("4")).ok());
    EXPECT_EQ(count("ShelfMovieFiles"), 0);
    EXPECT_EQ(count("ShelfDiscMedia"), 0);
    const CliRun files = run({ QStringLiteral("files"), QStringLiteral("--disc"), QStringLiteral("4") });
    EXPECT_EQ(files.code, 1);
}

// A catalogue from before our tables: it opens and lists as it did, and a rescan gives its movies
// their files, filling only what is empty.
TEST_F(FilesCli, AnOlderCatalogueGainsFilesAndFactsByARescanAndKeepsWhatWasTyped)
{
    home_.addDisc(QStringLiteral("7"), QStringLiteral("旧碟"));
    home_.addMovie(1, QStringLiteral("feature "), 7, movieWith({ { MovieField::Lastfor, 100.0 } }));
    home_.addMovie(2, QStringLiteral("Parts"), 7);
    home_.addMovie(3, QStringLiteral("不在盘上"), 7);
    home_.exec(QStringLiteral("DROP TABLE ShelfMovieFiles"));
    home_.exec(QStringLiteral("DROP TABLE ShelfDiscMedia"));
    const CliRun listed = run({ QStringLiteral("list"), QStringLiteral("--disc"), QStringLiteral("7") });
    EXPECT_EQ(listed.code, 0) << listed.err.toStdString();
    const CliRun none = run({ QStringLiteral("files"), QStringLiteral("--movie"), QStringLiteral("1") });
    EXPECT_EQ(none.code, 0) << none.err.toStdString();

    const CliRun rescan
        = run({ QStringLiteral("rescan"), QStringLiteral("--disc"), QStringLiteral("7"), tree_.path() });
    ASSERT_EQ(rescan.code, 0) << rescan.err.toStdString();
    const QStringList lines = rescan.lines();
    ASSERT_GE(lines.size(), 1);
    EXPECT_EQ(
        lines[0], QStringLiteral("找到 2 部影片的文件；3 个文件没有对应的影片；1 部影片没有找到文件。"));
    EXPECT_TRUE(
        lines.contains(QStringLiteral("【feature】Feature/feature.mkv（填写了：清晰度、配音、字幕）")))
        << rescan.out.toStdString();
    EXPECT_TRUE(lines.contains(
        QStringLiteral("【Parts】Parts/parts.CD1.mp4、Parts/parts.CD2.mp4（填写了：时长、清晰度、配音）")))
        << rescan.out.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("没有找到文件：【不在盘上】")));
    // What was typed stays; what was empty is filled.
    EXPECT_EQ(stored(QStringLiteral("feature "), QStringLiteral("quote(Lastfor), quote(Definition)")),
        QStringLiteral("100.0|'1080P '"));
    EXPECT_EQ(stored(QStringLiteral("Parts"), QStringLiteral("quote(Lastfor)")), QStringLiteral("95.0"));
    const CliRun files = run(
        { QStringLiteral("files"), QStringLiteral("--disc"), QStringLiteral("7"), QStringLiteral("--json") });
    EXPECT_EQ(files.lines().size(), 3) << files.out.toStdString();

    // A disc that is not there is said, and nothing changes.
    const CliRun unknown
        = run({ QStringLiteral("rescan"), QStringLiteral("--disc"), QStringLiteral("8"), tree_.path() });
    EXPECT_EQ(unknown.code, 1);
    EXPECT_FALSE(unknown.err.isEmpty());
}

TEST_F(FilesCli, AMediumIsToldByItsUuidOrByTheShareOfItsFilesAndATieIsSaid)
{
    ASSERT_EQ(run({ QStringLiteral("add-disc"), QStringLiteral("--number"), QStringLiteral("4"),
                      QStringLiteral("--name"), QStringLiteral("杂片"), QStringLiteral("--no-facts"),
                      tree_.path() })
                  .code,
        0);
    CliRun id = run({ QStringLiteral("identify"), tree_.path(), QStringLiteral("--json") });
    EXPECT_EQ(id.code, 0) << id.err.toStdString();
    EXPECT_EQ(id.lines(),
        QStringList { QStringLiteral("{\"disc\":\"4\",\"name\":\"杂片\",\"by\":\"files\",\"share\":1}") });

    // One of the six remembered files gone: 5/6 is below the 0.9 a match needs.
    ASSERT_TRUE(QFile::remove(tree_.path(QStringLiteral("Plain/plain.avi"))));
    id = run({ QStringLiteral("identify"), tree_.path() });
    EXPECT_EQ(id.code, 3);
    EXPECT_EQ(id.err.trimmed(), QStringLiteral("这张光盘还没有登记。"));
    copy(QStringLiteral("plain.avi"), QStringLiteral("Plain/plain.avi"));

    // Another disc that remembers the same files: neither is named.
    home_.addDisc(QStringLiteral("5"), QStringLiteral("副本"));
    ASSERT_EQ(run({ QStringLiteral("rescan"), QStringLiteral("--disc"), QStringLiteral("5"),
                      QStringLiteral("--no-facts"), tree_.path() })
                  .code,
        0);
    home_.exec(QStringLiteral(
        "INSERT INTO ReelShelfIndex (ID, MovieName, DiskNum) VALUES (90, 'feature', 5), (91, 'parts', 5), "
        "(92, 'plain', 5), (93, 'broken', 5), (94, '英雄', 5)"));
    ASSERT_EQ(run({ QStringLiteral("rescan"), QStringLiteral("--disc"), QStringLiteral("5"),
                      QStringLiteral("--no-facts"), tree_.path() })
                  .code,
        0);
    id = run({ QStringLiteral("identify"), tree_.path() });
    EXPECT_EQ(id.code, 3);
    EXPECT_EQ(
        id.err.trimmed(), QStringLiteral("这张光盘与 碟#4 [杂片]、碟#5 [副本] 同样相符，无法确定是哪一张。"));

    // A disc that remembers a UUID is the medium with that UUID, whatever files it holds.
    const QString image = media + QStringLiteral("/label.iso");
    id = run({ QStringLiteral("identify"), image });
    EXPECT_EQ(id.code, 3);
    const QString uuid = MediumIdentity::describe(QFile::encodeName(image)).uuid;
    ASSERT_FALSE(uuid.isEmpty());
    home_.exec(QStringLiteral("UPDATE ShelfDiscMedia SET Uuid = '%1' WHERE DiskNum = '5'").arg(uuid));
    id = run({ QStringLiteral("identify"), image, QStringLiteral("--json") });
    EXPECT_EQ(id.code, 0) << id.err.toStdString();
    EXPECT_EQ(id.lines(),
        QStringList { QStringLiteral("{\"disc\":\"5\",\"name\":\"副本\",\"by\":\"uuid\",\"share\":null}") });
    // A folder without a UUID (a copy of the disc) is still told by its files, disc 5's too.
    id = run({ QStringLiteral("identify"), tree_.path() });
    EXPECT_EQ(id.code, 3);
    EXPECT_TRUE(id.err.contains(QStringLiteral("同样相符"))) << id.err.toStdString();
}

TEST_F(FilesCli, AVerifiedDiscTellsFileByFileWhatIsStillReadable)
{
    ASSERT_EQ(run({ QStringLiteral("add-disc"), QStringLiteral("--number"), QStringLiteral("4"),
                      QStringLiteral("--no-facts"), tree_.path() })
                  .code,
        0);
    // The first check keeps each file's hash.
    CliRun v = run({ QStringLiteral("verify"), QStringLiteral("--disc"), QStringLiteral("4"),
        QStringLiteral("--json"), tree_.path() });
    EXPECT_EQ(v.code, 0) << v.err.toStdString();
    ASSERT_EQ(v.lines().size(), 7);
    EXPECT_TRUE(
        v.lines().last().startsWith(QStringLiteral("{\"summary\":true,\"disc\":\"4\",\"files\":6,\"ok\":6,"
                                                   "\"missing\":0,\"changed\":0,\"unreadable\":0,")))
        << v.lines().last().toStdString();
    RawDb raw(home_.folder().catalogueFile());
    EXPECT_EQ(raw.rows(QStringLiteral("SELECT count(*) FROM ShelfMovieFiles WHERE length(Hash) = 32")),
        QStringList { QStringLiteral("6") });

    // A byte changed in place, a file gone: said per file, and the exit says the disc is not whole.
    QByteArray avi = readBytes(tree_.path(QStringLiteral("Plain/plain.avi")));
    avi[20000] = char(avi[20000] ^ 1);
    writeBytes(tree_.path(QStringLiteral("Plain/plain.avi")), avi);
    ASSERT_TRUE(QFile::remove(tree_.path(QStringLiteral("Parts/parts.CD2.mp4"))));
    v = run({ QStringLiteral("verify"), QStringLiteral("--disc"), QStringLiteral("4"),
        QStringLiteral("--json"), tree_.path() });
    EXPECT_EQ(v.code, 4);
    EXPECT_TRUE(v.lines().contains(
        QStringLiteral("{\"path\":\"Plain/plain.avi\",\"size\":%1,\"status\":\"changed\"}").arg(avi.size())))
        << v.out.toStdString();
    EXPECT_TRUE(v.out.contains(
        QStringLiteral("\"path\":\"Parts/parts.CD2.mp4\",\"size\":59251,\"status\":\"missing\"}")));
    EXPECT_TRUE(
        v.lines().last().contains(QStringLiteral("\"ok\":4,\"missing\":1,\"changed\":1,\"unreadable\":0")));
    // A changed file keeps the hash of the first check.
    EXPECT_EQ(raw.rows(QStringLiteral("SELECT count(*) FROM ShelfMovieFiles WHERE length(Hash) = 32")),
        QStringList { QStringLiteral("6") });
    copy(QStringLiteral("parts.CD2.mp4"), QStringLiteral("Parts/parts.CD2.mp4"));
    copy(QStringLiteral("plain.avi"), QStringLiteral("Plain/plain.avi.new"));
    QFile::remove(tree_.path(QStringLiteral("Plain/plain.avi")));
    QFile::rename(
        tree_.path(QStringLiteral("Plain/plain.avi.new")), tree_.path(QStringLiteral("Plain/plain.avi")));

    // A read error in the middle of a file, on a file system that fails those bytes.
    if (QFileInfo::exists(QStringLiteral("/dev/fuse"))) {
        QTemporaryDir mnt;
        const FailingMount mount(tree_.path(), mnt.filePath(QStringLiteral("disc")),
            { QStringLiteral("Feature/feature.mkv:100000:10") });
        ASSERT_TRUE(mount.ok());
        v = run({ QStringLiteral("verify"), QStringLiteral("--disc"), QStringLiteral("4"),
            QStringLiteral("--json"), mnt.filePath(QStringLiteral("disc")) });
        EXPECT_EQ(v.code, 4) << v.err.toStdString();
        EXPECT_TRUE(v.lines().contains(QStringLiteral(
            "{\"path\":\"Feature/feature.mkv\",\"size\":169530,\"status\":\"unreadable\",\"offset\":65536}")))
            << v.out.toStdString();
        EXPECT_TRUE(v.lines().last().contains(
            QStringLiteral("\"ok\":5,\"missing\":0,\"changed\":0,\"unreadable\":1")));
    }

    // Without the medium, or for a disc without remembered files, the check cannot run.
    v = run({ QStringLiteral("verify"), QStringLiteral("--disc"), QStringLiteral("4"),
        tree_.path(QStringLiteral("不在")) });
    EXPECT_EQ(v.code, 1);
    EXPECT_TRUE(v.err.contains(QStringLiteral("无法校验 碟#4"))) << v.err.toStdString();
    home_.addDisc(QStringLiteral("8"), QStringLiteral("空碟"));
    v = run({ QStringLiteral("verify"), QStringLiteral("--disc"), QStringLiteral("8"), tree_.path() });
    EXPECT_EQ(v.code, 1);
    EXPECT_EQ(v.err.trimmed(),
        QStringLiteral(
            "碟#8 [空碟] 还没有记住任何文件，无法校验。请先在它的右键菜单中选择“重新读取光盘...”（或 "
            "reelshelf-cli rescan）。"));
}

// A root typed relative to the working folder (". ", "disc/") is the same root: the files are
// remembered below it, so the disc is known again wherever it is mounted later.
TEST_F(FilesCli, ARelativeRootRemembersThePathsBelowIt)
{
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QFileInfo(tree_.path()).absolutePath()));
    const QString relative = QFileInfo(tree_.path()).fileName() + u'/';
    const CliRun added = run({ QStringLiteral("add-disc"), QStringLiteral("--number"), QStringLiteral("4"),
        QStringLiteral("--no-facts"), relative });
    ASSERT_TRUE(QDir::setCurrent(tree_.path()));
    const CliRun rescanned = run(
        { QStringLiteral("rescan"), QStringLiteral("--disc"), QStringLiteral("4"), QStringLiteral(".") });
    QDir::setCurrent(before);
    ASSERT_EQ(added.code, 0) << added.err.toStdString();
    ASSERT_EQ(rescanned.code, 0) << rescanned.err.toStdString();
    RawDb raw(home_.folder().catalogueFile());
    EXPECT_EQ(raw.rows(QStringLiteral("SELECT CAST(Path AS TEXT) FROM ShelfMovieFiles WHERE Part = 2")),
        QStringList { QStringLiteral("Parts/parts.CD2.mp4") });
    const CliRun found = run({ QStringLiteral("identify"), QStringLiteral("--json"), tree_.path() });
    EXPECT_EQ(found.code, 0) << found.err.toStdString();
}
