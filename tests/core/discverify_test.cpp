// A disc's check as a whole, its words, which disc a folder is, and what playing a movie opens, on
// real files and real catalogues.
#include "media/discverify.h"
#include "media/identify.h"
#include "media/mediatext.h"
#include "media/playtarget.h"
#include "store/catalogue.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString media = QStringLiteral(REELSHELF_TEST_DATA "/media");

MediaTables::DiscCheckRecord checkOf(int files, int ok, int missing, int changed, int unreadable)
{
    MediaTables::DiscCheckRecord c;
    c.checked = QDateTime(QDate(2026, 12, 8), QTime(12, 0)).toUTC();
    c.files = files;
    c.ok = ok;
    c.missing = missing;
    c.changed = changed;
    c.unreadable = unreadable;
    return c;
}

MovieFileRecord fileAt(int part, const QByteArray& path)
{
    MovieFileRecord f;
    f.part = part;
    f.path = path;
    return f;
}

} // namespace

TEST(DiscVerify, AMediumTakenOutDuringTheCheckLeavesNothingStored)
{
    TestHome home;
    TestTree tree;
    for (const char* name : { "a/first.mkv", "b/second.mkv", "c/third.mkv" }) {
        QDir().mkpath(QFileInfo(tree.path(QString::fromLatin1(name))).absolutePath());
        ASSERT_TRUE(
            QFile::copy(media + QStringLiteral("/feature.mkv"), tree.path(QString::fromLatin1(name))));
    }
    const QString root = tree.path(QStringLiteral("disc"));
    ASSERT_TRUE(QDir(tree.path()).mkpath(QStringLiteral("disc")));
    for (const char* folder : { "a", "b", "c" })
        ASSERT_TRUE(
            QDir(tree.path())
                .rename(QString::fromLatin1(folder), QStringLiteral("disc/") + QString::fromLatin1(folder)));
    ASSERT_EQ(runCliCaptured(home,
                  { QStringLiteral("add-disc"), QStringLiteral("--number"), QStringLiteral("5"),
                      QStringLiteral("--no-facts"), root })
                  .code,
        0);

    // The medium goes while its first file is read: the files after it are not "missing".
    bool taken = false;
    const DiscVerify::Result r = DiscVerify::run(home.folder().catalogueFile(), QStringLiteral("5"), root,
        nullptr, [&](const DiscVerify::Progress& p) {
            if (!taken && p.bytesDone > 0)
                taken = QDir(tree.path()).rename(QStringLiteral("disc"), QStringLiteral("gone"));
        });
    ASSERT_TRUE(taken);
    EXPECT_EQ(r.status, DiscVerify::Result::Failed);
    EXPECT_TRUE(r.error.contains(QStringLiteral("光盘被取出"))) << r.error.toStdString();
    RawDb raw(home.folder().catalogueFile());
    EXPECT_EQ(raw.rows(QStringLiteral(
                  "SELECT (SELECT count(*) FROM ShelfDiscChecks), (SELECT count(*) FROM "
                  "ShelfFileChecks), (SELECT count(*) FROM ShelfMovieFiles WHERE Hash IS NOT NULL "
                  "AND Hash <> '')")),
        QStringList { QStringLiteral("0|0|0") });

    // Back in the drive, the same check runs through and is kept.
    ASSERT_TRUE(QDir(tree.path()).rename(QStringLiteral("gone"), QStringLiteral("disc")));
    const DiscVerify::Result again
        = DiscVerify::run(home.folder().catalogueFile(), QStringLiteral("5"), root);
    EXPECT_EQ(again.status, DiscVerify::Result::Done) << again.error.toStdString();
    EXPECT_EQ(again.check.ok, 3);
    std::optional<MediaTables::DiscCheckRecord> last;
    ASSERT_TRUE(MediaTables::lastCheck(home.folder().catalogueFile(), QStringLiteral("5"), &last, nullptr));
    ASSERT_TRUE(last);
    EXPECT_TRUE(last->passed());
}

// A medium unmounted during the check leaves its mount point behind, an empty folder: the files
// after it are not "missing" either.
TEST(DiscVerify, AMediumUnmountedDuringTheCheckLeavesNothingStored)
{
    if (!QFileInfo::exists(QStringLiteral("/dev/fuse")))
        GTEST_SKIP() << "no FUSE here";
    TestHome home;
    TestTree tree;
    for (const char* name : { "a/first.mkv", "b/second.mkv", "c/third.mkv" }) {
        QDir().mkpath(QFileInfo(tree.path(QString::fromLatin1(name))).absolutePath());
        ASSERT_TRUE(
            QFile::copy(media + QStringLiteral("/feature.mkv"), tree.path(QString::fromLatin1(name))));
    }
    QTemporaryDir mnt;
    const QString root = mnt.filePath(QStringLiteral("disc"));
    const FailingMount mount(tree.path(), root, {});
    ASSERT_TRUE(mount.ok());
    ASSERT_EQ(runCliCaptured(home,
                  { QStringLiteral("add-disc"), QStringLiteral("--number"), QStringLiteral("5"),
                      QStringLiteral("--no-facts"), root })
                  .code,
        0);
    bool taken = false;
    const DiscVerify::Result r = DiscVerify::run(home.folder().catalogueFile(), QStringLiteral("5"), root,
        nullptr, [&](const DiscVerify::Progress& p) {
            if (!taken && p.bytesDone > 0)
                taken = QProcess::execute(QStringLiteral("umount"), { QStringLiteral("-l"), root }) == 0;
        });
    ASSERT_TRUE(taken);
    ASSERT_TRUE(QFileInfo(root).isDir());
    EXPECT_EQ(r.status, DiscVerify::Result::Failed);
    EXPECT_TRUE(r.error.contains(QStringLiteral("光盘被取出"))) << r.error.toStdString();
    RawDb raw(home.folder().catalogueFile());
    EXPECT_EQ(raw.rows(QStringLiteral("SELECT (SELECT count(*) FROM ShelfDiscChecks), (SELECT count(*) FROM "
                                      "ShelfFileChecks)")),
        QStringList { QStringLiteral("0|0") });

    // Checked again at the empty mount point (the drive is empty, or holds another disc): not one
    // file is there, which says nothing of the disc itself.
    const DiscVerify::Result empty
        = DiscVerify::run(home.folder().catalogueFile(), QStringLiteral("5"), root);
    EXPECT_EQ(empty.status, DiscVerify::Result::Failed);
    EXPECT_TRUE(empty.error.contains(QStringLiteral("找不到 碟#5 的任何文件"))) << empty.error.toStdString();
    EXPECT_EQ(raw.rows(QStringLiteral("SELECT count(*) FROM ShelfDiscChecks")),
        QStringList { QStringLiteral("0") });
}

// A disc deleted while it is checked keeps no check: a disc given its number later would show it.
TEST(DiscVerify, ADiscDeletedDuringItsCheckKeepsNoCheck)
{
    TestHome home;
    TestTree tree;
    for (const char* name : { "a/first.mkv", "b/second.mkv" }) {
        QDir().mkpath(QFileInfo(tree.path(QString::fromLatin1(name))).absolutePath());
        ASSERT_TRUE(
            QFile::copy(media + QStringLiteral("/feature.mkv"), tree.path(QString::fromLatin1(name))));
    }
    ASSERT_EQ(runCliCaptured(home,
                  { QStringLiteral("add-disc"), QStringLiteral("--number"), QStringLiteral("5"),
                      QStringLiteral("--no-facts"), tree.path() })
                  .code,
        0);
    bool deleted = false;
    const DiscVerify::Result r = DiscVerify::run(home.folder().catalogueFile(), QStringLiteral("5"),
        tree.path(), nullptr, [&](const DiscVerify::Progress& p) {
            if (!deleted && p.bytesDone > 0)
                deleted
                    = Catalogue(home.folder().catalogueFile()).deleteDiscWithMovies(QStringLiteral("5")).ok();
        });
    ASSERT_TRUE(deleted);
    EXPECT_EQ(r.status, DiscVerify::Result::Failed);
    EXPECT_EQ(r.error, Catalogue::missingDiscMessage(QStringLiteral("5")));
    RawDb raw(home.folder().catalogueFile());
    EXPECT_EQ(raw.rows(QStringLiteral("SELECT (SELECT count(*) FROM ShelfDiscChecks), (SELECT count(*) FROM "
                                      "ShelfFileChecks)")),
        QStringList { QStringLiteral("0|0") });
}

TEST(DiscVerify, ChecksAndTheirProgressAreSaidInWords)
{
    EXPECT_EQ(MediaText::check(checkOf(12, 12, 0, 0, 0)), QStringLiteral("2026-12-08，12 个文件全部完好"));
    EXPECT_EQ(MediaText::lastCheck(std::nullopt), QStringLiteral("还没有校验过"));
    EXPECT_TRUE(DiscVerify::looksDamaged(checkOf(2, 1, 1, 0, 0)));
    EXPECT_FALSE(DiscVerify::looksDamaged(checkOf(2, 1, 0, 1, 0))) << "a changed file still reads";

    EXPECT_EQ(MediaText::fileStatus(QStringLiteral("unreadable"), 65536),
        QStringLiteral("无法读取（从第 65536 字节起）"));
    EXPECT_EQ(MediaText::size(40000), QStringLiteral("40 KB"));
    EXPECT_EQ(MediaText::size(0), QStringLiteral("0 KB"));
    EXPECT_EQ(MediaText::size(169530), QStringLiteral("0.2 MB"));
    EXPECT_EQ(MediaText::duration(0.2), QStringLiteral("约 1 秒"));
    EXPECT_EQ(MediaText::duration(150), QStringLiteral("约 3 分钟"));
    EXPECT_EQ(MediaText::duration(4800), QStringLiteral("约 1 小时 20 分钟"));

    DiscVerify::Progress p;
    p.files = 12;
    p.filesDone = 3;
    p.bytes = 4LL * 1024 * 1024 * 1024;
    p.bytesDone = 1024LL * 1024 * 1024;
    EXPECT_EQ(DiscVerify::progressText(p, 0.1), QStringLiteral("已校验 3 / 12 个文件，1 GB / 4 GB"));
    // A gigabyte in 100 seconds: three more take five minutes.
    EXPECT_EQ(DiscVerify::progressText(p, 100),
        QStringLiteral("已校验 3 / 12 个文件，1 GB / 4 GB，速度 10.2 MB/s，还需约 5 分钟"));
}

TEST(PlayTarget, OneFileIsOpenedAndPartsBecomeAPlaylistInTheirOrder)
{
    TestTree tree;
    tree.file(QStringLiteral("电影/英雄.mkv"), 10);
    const PlayTarget::Target one = PlayTarget::forFiles(tree.path(), { fileAt(1, "电影/英雄.mkv") });
    EXPECT_EQ(one.file, QUrl::fromLocalFile(tree.path(QStringLiteral("电影/英雄.mkv"))));
    EXPECT_TRUE(one.playlist.isEmpty());
    EXPECT_TRUE(one.missing.isEmpty());

    // Parts remembered out of order, one with a name in GBK: the playlist holds the bytes as they are.
    const QByteArray gbk = QStringEncoder("GB18030").encode(QStringLiteral("英雄")) + ".CD2.avi";
    tree.rawFile(gbk, "x");
    tree.file(QStringLiteral("a.CD1.avi"), 1);
    const PlayTarget::Target parts
        = PlayTarget::forFiles(tree.path() + u'/', { fileAt(2, gbk), fileAt(1, "a.CD1.avi") });
    EXPECT_TRUE(parts.file.isEmpty());
    EXPECT_EQ(parts.playlist, "#EXTM3U\n" + tree.rawPath("a.CD1.avi") + '\n' + tree.rawPath(gbk) + '\n');
    // A line break in a name cannot stand in a playlist line: that part goes as an escaped file URL.
    tree.rawFile("b\nc.CD2.avi", "x");
    const PlayTarget::Target broken
        = PlayTarget::forFiles(tree.path(), { fileAt(1, "a.CD1.avi"), fileAt(2, "b\nc.CD2.avi") });
    EXPECT_EQ(broken.playlist.split('\n').size(), 4) << broken.playlist.toStdString();
    EXPECT_TRUE(broken.playlist.endsWith("b%0Ac.CD2.avi\n")) << broken.playlist.toStdString();
    EXPECT_TRUE(broken.playlist.contains("\nfile:///")) << broken.playlist.toStdString();
    // A lone file whose name is not text is played through a playlist too.
    EXPECT_FALSE(PlayTarget::forFiles(tree.path(), { fileAt(1, gbk) }).playlist.isEmpty());

    const PlayTarget::Target gone
        = PlayTarget::forFiles(tree.path(), { fileAt(1, "a.CD1.avi"), fileAt(2, "b.CD2.avi") });
    EXPECT_EQ(gone.missing, tree.path(QStringLiteral("b.CD2.avi")));
    EXPECT_TRUE(gone.file.isEmpty() && gone.playlist.isEmpty());
}

// A real file system of its own, with a UUID: an ext4 image of `source`, mounted through a loop
// device at `at`. Needs root and mkfs.ext4; ok() says whether it is mounted.
class Ext4Mount
{
public:
    Ext4Mount(const QString& source, const QString& image, const QString& at)
        : at_(at)
    {
        QDir().mkpath(at);
        mounted_ = QProcess::execute(QStringLiteral("mkfs.ext4"),
                       { QStringLiteral("-q"), QStringLiteral("-d"), source, image, QStringLiteral("16M") })
                == 0
            && QProcess::execute(
                   QStringLiteral("mount"), { QStringLiteral("-o"), QStringLiteral("loop,ro"), image, at })
                == 0;
    }
    ~Ext4Mount()
    {
        if (mounted_)
            QProcess::execute(QStringLiteral("umount"), { at_ });
    }
    bool ok() const { return mounted_; }

private:
    QString at_;
    bool mounted_ = false;
};

TEST(Identify, FoldersOfOneFileSystemAreToldApartByTheirFilesAndAWholeMediumByItsUuid)
{
    TestHome home;
    TestTree tree;
    for (const char* name : { "source/one/a.mkv", "source/two/b.mkv" }) {
        QDir().mkpath(QFileInfo(tree.path(QString::fromLatin1(name))).absolutePath());
        ASSERT_TRUE(
            QFile::copy(media + QStringLiteral("/feature.mkv"), tree.path(QString::fromLatin1(name))));
    }
    const QString at = tree.path(QStringLiteral("mnt"));
    const Ext4Mount disk(tree.path(QStringLiteral("source")), tree.path(QStringLiteral("disk.img")), at);
    if (!disk.ok())
        GTEST_SKIP() << "cannot make and mount an ext4 image here (needs root and mkfs.ext4)";
    // Two discs copied to folders of the same hard disk: its UUID is no mark of either.
    const auto add = [&](const char* number, const QString& root) {
        return runCliCaptured(home,
            { QStringLiteral("add-disc"), QStringLiteral("--number"), QString::fromLatin1(number),
                QStringLiteral("--no-facts"), root })
            .code;
    };
    ASSERT_EQ(add("1", at + QStringLiteral("/one")), 0);
    ASSERT_EQ(add("2", at + QStringLiteral("/two")), 0);
    for (const auto& [number, folder] : { std::pair { "1", "/one" }, std::pair { "2", "/two" } }) {
        const Identify::Result r
            = Identify::identify(home.folder().catalogueFile(), at + QString::fromLatin1(folder));
        ASSERT_EQ(r.status, Identify::Result::Found) << folder;
        EXPECT_EQ(r.candidates.first().disc, QString::fromLatin1(number));
        EXPECT_EQ(r.candidates.first().by, QStringLiteral("files"));
    }
    // The whole medium, scanned at its mount point, is its UUID.
    ASSERT_EQ(add("3", at), 0);
    RawDb raw(home.folder().catalogueFile());
    EXPECT_EQ(raw.rows(QStringLiteral(
                  "SELECT DiskNum, coalesce(length(Uuid), 0) > 0 FROM ShelfDiscMedia ORDER BY DiskNum")),
        (QStringList { QStringLiteral("1|0"), QStringLiteral("2|0"), QStringLiteral("3|1") }));
    const Identify::Result whole = Identify::identify(home.folder().catalogueFile(), at);
    ASSERT_EQ(whole.status, Identify::Result::Found);
    EXPECT_EQ(whole.candidates.first().disc, QStringLiteral("3"));
    EXPECT_EQ(whole.candidates.first().by, QStringLiteral("uuid"));
}
