#include "diskconditions.h"
#include "report/collectionreport.h"
#include "store/safewrite.h"
#include "testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using SafeWrite::Cause;
using SafeWrite::Existing;

namespace {

QStringList entriesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

mode_t modeOf(const QString& path)
{
    struct stat st = {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st.st_mode & 07777;
}

} // namespace

TEST(SafeWrite, ReplacesOrKeepsAnExistingFileAsAsked)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("列表.txt"));
    EXPECT_TRUE(SafeWrite::writeFile(path, QByteArray("one")).ok());
    EXPECT_TRUE(SafeWrite::writeFile(path, QByteArray("two")).ok());
    EXPECT_EQ(readBytes(path), QByteArray("two"));
    const auto kept = SafeWrite::writeFile(path, QByteArray("three"), Existing::Keep);
    EXPECT_EQ(kept.cause, Cause::AlreadyExists);
    EXPECT_EQ(kept.message, QStringLiteral("无法写入文件 %1：同名的文件已经存在，没有替换它。").arg(path));
    EXPECT_EQ(readBytes(path), QByteArray("two"));
    EXPECT_EQ(entriesIn(dir.path()), QStringList { QStringLiteral("列表.txt") });
}

TEST(SafeWrite, AFileBeingWrittenHasNoNameUntilItIsComplete)
{
    // A writer killed halfway then leaves nothing behind.
    QTemporaryDir dir;
    const int probe = ::open(QFile::encodeName(dir.path()).constData(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0)
        GTEST_SKIP() << "this file system has no unnamed files";
    ::close(probe);
    const QString path = dir.filePath(QStringLiteral("ReelShelfIndex.xls"));
    writeBytes(path, "old");
    for (Existing existing : { Existing::Replace, Existing::Keep }) {
        const QString target = existing == Existing::Keep ? dir.filePath(QStringLiteral("new.xls")) : path;
        QStringList seen;
        const auto out = SafeWrite::writeFile(
            target,
            [&](QIODevice& d) {
                seen = entriesIn(dir.path());
                return d.write(QByteArray(300 * 1024, 'x')) == 300 * 1024;
            },
            existing);
        EXPECT_TRUE(out.ok()) << out.message.toStdString();
        EXPECT_EQ(seen, QStringList { QStringLiteral("ReelShelfIndex.xls") });
    }
    EXPECT_EQ(entriesIn(dir.path()),
        (QStringList { QStringLiteral("ReelShelfIndex.xls"), QStringLiteral("new.xls") }));
    EXPECT_EQ(readBytes(path).size(), 300 * 1024);
}

TEST(SafeWrite, WritesThroughALinkAndUnderTheLongestName)
{
    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("real.ini"));
    const QString link = dir.filePath(QStringLiteral("link.ini"));
    writeBytes(real, "old");
    ASSERT_TRUE(QFile::link(real, link));
    ASSERT_TRUE(SafeWrite::writeFile(link, QByteArray("new")).ok());
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readBytes(real), QByteArray("new"));
    // The longest name a folder holds leaves no room for a longer hidden one beside it.
    const QString longest = dir.filePath(QString(85, u'长'));
    ASSERT_EQ(QFile::encodeName(QFileInfo(longest).fileName()).size(), 255);
    for (Existing existing : { Existing::Keep, Existing::Replace })
        EXPECT_TRUE(SafeWrite::writeFile(longest, QByteArray("long"), existing).ok());
    EXPECT_EQ(readBytes(longest), QByteArray("long"));
}

TEST(SafeWrite, EachCauseIsNamedAndNothingIsLeftBehind)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("gone"));
    const QString plain = dir.filePath(QStringLiteral("plain"));
    writeBytes(plain, "x");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("taken")));
    const struct
    {
        QString path;
        Cause cause;
        QString reason;
    } cases[] = {
        { missing + QStringLiteral("/a.txt"), Cause::MissingFolder,
            QStringLiteral("文件夹 %1 不存在。请换一个文件夹后再试。").arg(missing) },
        { plain + QStringLiteral("/a.txt"), Cause::MissingFolder,
            QStringLiteral("文件夹 %1 不存在。请换一个文件夹后再试。").arg(plain) },
        { dir.filePath(QStringLiteral("taken")), Cause::FolderInTheWay,
            QStringLiteral("那里已有一个同名的文件夹。请换一个文件名或文件夹后再试。") },
    };
    for (const auto& c : cases) {
        const auto out = SafeWrite::writeFile(c.path, QByteArray("data"));
        EXPECT_EQ(out.cause, c.cause) << c.path.toStdString();
        EXPECT_EQ(out.reason, c.reason);
        EXPECT_EQ(out.message, QStringLiteral("无法写入文件 %1：").arg(c.path) + c.reason);
    }
    // A writer that gives up without a device error.
    const QString refused = dir.filePath(QStringLiteral("refused.png"));
    const auto out
        = SafeWrite::writeFile(refused, [](QIODevice& d) { return d.write("half") == 4 && false; });
    EXPECT_EQ(out.cause, Cause::Unknown);
    EXPECT_EQ(out.reason, QStringLiteral("文件的内容没有能完整写出。"));
    EXPECT_EQ(entriesIn(dir.path()), (QStringList { QStringLiteral("plain"), QStringLiteral("taken") }));
}

TEST(SafeWrite, ReadOnlyFilesAndFoldersStopAPlainUser)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("kept.txt"));
    writeBytes(file, "kept");
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0444), 0);
    const QString folder = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    SafeWrite::Outcome onFile, inFolder;
    ASSERT_TRUE(runAsPlainUser([&] {
        onFile = SafeWrite::writeFile(file, QByteArray("new"));
        inFolder = SafeWrite::writeFile(folder + QStringLiteral("/new.txt"), QByteArray("new"));
    }));
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    EXPECT_EQ(onFile.cause, Cause::ReadOnlyFile);
    EXPECT_EQ(readBytes(file), QByteArray("kept"));
    EXPECT_EQ(inFolder.cause, Cause::ReadOnlyFolder);
    EXPECT_EQ(inFolder.reason,
        QStringLiteral("没有在文件夹 %1 中写入的权限。请检查这个文件夹的权限，或换一个文件夹后再试。")
            .arg(folder));
    EXPECT_TRUE(entriesIn(folder).isEmpty());
    EXPECT_EQ(modeOf(file), 0444u);
}

TEST(SafeWrite, AFullDiskFailsAtTheFlushOfASmallFile)
{
    FullDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a small disk needs root";
    const QString old = disk.path(QStringLiteral("old.txt"));
    writeBytes(old, "previous");
    disk.fill();
    for (const QString& path : { old, disk.path(QStringLiteral("new.txt")) }) {
        const auto out = SafeWrite::writeFile(path, QByteArray(739, 'a'));
        EXPECT_EQ(out.cause, Cause::DiskFull) << path.toStdString();
        EXPECT_EQ(out.message, QStringLiteral("无法写入文件 %1：磁盘已满。请腾出磁盘空间后再试。").arg(path));
    }
    // A large one fails in the middle, through the writer's own device.
    bool writerSawTheFailure = false;
    const auto big = SafeWrite::writeFile(disk.path(QStringLiteral("big.bin")), [&](QIODevice& d) {
        const QByteArray block(256 * 1024, 'b');
        writerSawTheFailure = d.write(block) != block.size();
        return !writerSawTheFailure;
    });
    EXPECT_TRUE(writerSawTheFailure);
    EXPECT_EQ(big.cause, Cause::DiskFull);
    EXPECT_EQ(readBytes(old), QByteArray("previous"));
    EXPECT_EQ(entriesIn(disk.path()), (QStringList { QStringLiteral(".filler"), QStringLiteral("old.txt") }));
}

TEST(ReportText, AFullDiskIsSaidAndWritesNoEmptyFile)
{
    FullDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a small disk needs root";
    disk.fill();
    const QString path = disk.path(QStringLiteral("重复.txt"));
    QString error;
    EXPECT_FALSE(CollectionReport::writeText(path, QStringLiteral("重复影片\n"), &error));
    EXPECT_EQ(error, QStringLiteral("无法写入文件 %1：磁盘已满。请腾出磁盘空间后再试。").arg(path));
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(SafeWrite, CopiesALargeFileWholeAndRefusesWhatIsNoPlainFile)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("big.jpg"));
    // Several pieces and a ragged end: every byte in its place.
    QByteArray bytes(3 * 1024 * 1024 + 17, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 % 251);
    writeBytes(source, bytes);
    bool readFailed = true;
    const SafeWrite::Outcome copied = SafeWrite::copyFile(
        source, dir.filePath(QStringLiteral("copy.jpg")), SafeWrite::Existing::Keep, &readFailed);
    ASSERT_TRUE(copied.ok()) << copied.message.toStdString();
    EXPECT_FALSE(readFailed);
    EXPECT_EQ(readBytes(dir.filePath(QStringLiteral("copy.jpg"))), bytes);

    // A pipe named like a picture would never end: refused as unreadable, nothing written.
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("pipe.jpg")));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0644), 0);
    const SafeWrite::Outcome piped = SafeWrite::copyFile(QFile::decodeName(fifo),
        dir.filePath(QStringLiteral("piped.jpg")), SafeWrite::Existing::Keep, &readFailed);
    EXPECT_FALSE(piped.ok());
    EXPECT_TRUE(readFailed);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("piped.jpg"))));
}
