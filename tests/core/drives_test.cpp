#include "scan/drives.h"
#include "scan/largestfile.h"
#include "testsupport.h"

#include <QStorageInfo>
#include <gtest/gtest.h>

namespace {

// An ISO 9660 image with a primary volume descriptor and, when asked, a Joliet one.
QByteArray isoImage(const QByteArray& primaryName, const QString& jolietName = QString())
{
    QByteArray image(16 * 2048, '\0');
    const auto descriptor = [](quint8 type) {
        QByteArray d(2048, '\0');
        d[0] = char(type);
        d.replace(1, 5, "CD001");
        d[6] = 1;
        return d;
    };
    QByteArray primary = descriptor(1);
    primary.replace(40, 32, primaryName.leftJustified(32, ' '));
    image += primary;
    if (!jolietName.isEmpty()) {
        QByteArray joliet = descriptor(2);
        joliet.replace(88, 3, "%/E");
        QByteArray name;
        for (QChar c : jolietName.leftJustified(16, u' ')) {
            name += char(c.unicode() >> 8);
            name += char(c.unicode() & 0xff);
        }
        joliet.replace(40, 32, name);
        image += joliet;
    }
    image += descriptor(255);
    return image;
}

} // namespace

TEST(Drives, IsoLabelPrefersJolietAndRefusesOtherFiles)
{
    TestTree tree;
    writeBytes(tree.path(QStringLiteral("plain.iso")), isoImage("MY_DISC"));
    writeBytes(tree.path(QStringLiteral("joliet.iso")), isoImage("MY_DISC", QStringLiteral("我的电影 2008")));
    writeBytes(tree.path(QStringLiteral("not.iso")), QByteArray(40000, 'x'));
    writeBytes(tree.path(QStringLiteral("short.iso")), QByteArray(100, '\0'));
    EXPECT_EQ(isoVolumeLabel(tree.path(QStringLiteral("plain.iso"))), QStringLiteral("MY_DISC"));
    EXPECT_EQ(isoVolumeLabel(tree.path(QStringLiteral("joliet.iso"))), QStringLiteral("我的电影 2008"));
    EXPECT_EQ(isoVolumeLabel(tree.path(QStringLiteral("not.iso"))), QString());
    EXPECT_EQ(isoVolumeLabel(tree.path(QStringLiteral("short.iso"))), QString());
    EXPECT_EQ(isoVolumeLabel(tree.path(QStringLiteral("missing.iso"))), QString());
}

TEST(Drives, VolumeInfoOfMountedAndEmptyDrives)
{
    TestTree tree;
    tree.folder(QStringLiteral("cdrom/films"));
    tree.folder(QStringLiteral("usb"));
    tree.folder(QStringLiteral("emptydrive"));
    writeBytes(tree.path(QStringLiteral("sr0")), isoImage("DISC_07"));
    MountTable mounts;
    mounts.mounted
        = { { QStringLiteral("/"), QStringLiteral("/dev/vda"), QStringLiteral("ext4"), QString(), true },
              { tree.path(QStringLiteral("cdrom")), tree.path(QStringLiteral("sr0")),
                  QStringLiteral("iso9660"), QString(), true },
              { tree.path(QStringLiteral("usb")), QStringLiteral("/dev/sdb1"), QStringLiteral("vfat"),
                  QStringLiteral("STICK"), true } };
    mounts.configured = { { QStringLiteral("/dev/sr1"), tree.path(QStringLiteral("emptydrive")),
        QStringLiteral("udf,iso9660") } };

    // Without a label from the system the disc's own is read from the device.
    const VolumeInfo disc = showVolumeInfo(tree.path(QStringLiteral("cdrom/films/")), mounts);
    EXPECT_FALSE(disc.readError);
    EXPECT_TRUE(disc.optical);
    EXPECT_EQ(disc.labelText(), QStringLiteral("*光盘卷标:DISC_07"));
    EXPECT_EQ(disc.fileSystemText(), QStringLiteral("*文件系统名称:iso9660"));

    const VolumeInfo stick = showVolumeInfo(tree.path(QStringLiteral("usb")), mounts);
    EXPECT_EQ(stick.label, QStringLiteral("STICK"));
    EXPECT_EQ(stick.fileSystem, QStringLiteral("vfat"));
    EXPECT_FALSE(stick.optical);

    const VolumeInfo empty = showVolumeInfo(tree.path(QStringLiteral("emptydrive")), mounts);
    EXPECT_TRUE(empty.readError);
    EXPECT_EQ(empty.labelText(), QStringLiteral("*光盘卷标:"));

    mounts.mounted[1].ready = false;
    EXPECT_TRUE(showVolumeInfo(tree.path(QStringLiteral("cdrom")), mounts).readError);

    // The machine's own table: the temporary folder's file system, as the system reports it.
    const VolumeInfo here = showVolumeInfo(tree.path());
    EXPECT_FALSE(here.readError);
    EXPECT_EQ(here.fileSystem, QString::fromUtf8(QStorageInfo(tree.path()).fileSystemType()));
}

TEST(Drives, DriveBoxListsRemovableAndOpticalMounts)
{
    for (const char* yes : { "/dev/sr0", "/dev/sr12", "/dev/scd1", "/dev/cdrom", "/dev/dvd1", "/dev/dvdrw" })
        EXPECT_TRUE(isOpticalDevice(QString::fromLatin1(yes))) << yes;
    for (const char* no : { "/dev/sr", "/dev/sra", "/dev/sda1", "/dev/dvdx", "sr0" })
        EXPECT_FALSE(isOpticalDevice(QString::fromLatin1(no))) << no;

    MountTable mounts;
    mounts.mounted = {
        { QStringLiteral("/"), QStringLiteral("/dev/vda"), QStringLiteral("ext4"), QString(), true },
        { QStringLiteral("/media/user/STICK"), QStringLiteral("/dev/sdb1"), QStringLiteral("vfat"),
            QStringLiteral("STICK"), true },
        { QStringLiteral("/home"), QStringLiteral("/dev/vda2"), QStringLiteral("ext4"), QString(), true },
        { QStringLiteral("/srv/disc"), QStringLiteral("/dev/sr0"), QStringLiteral("iso9660"),
            QStringLiteral("FILMS"), true },
        { QStringLiteral("/run/media/u/BD"), QStringLiteral("/dev/sdc1"), QStringLiteral("udf"), QString(),
            true },
        { QStringLiteral("/mnt/old"), QStringLiteral("/dev/sdd1"), QStringLiteral("ntfs"), QString(), true }
    };
    mounts.configured
        = MountTable::parseFstab("# optical drives\n/dev/sr0 /srv/disc udf,iso9660 user,noauto 0 0\n"
                                 "/dev/sr1   /media/cd\\040rom  udf,iso9660 user,noauto 0 0\n\nUUID=1234 / "
                                 "ext4 defaults 0 1\nbroken line\n");
    ASSERT_EQ(mounts.configured.size(), 3);
    EXPECT_EQ(mounts.configured[1].mountPoint, QStringLiteral("/media/cd rom"));

    QStringList roots;
    for (const DriveChoice& c : removableDrives(mounts))
        roots << c.root + (c.mounted ? QString() : QStringLiteral(" (empty)"));
    EXPECT_EQ(roots,
        QStringList({ QStringLiteral("/media/user/STICK"), QStringLiteral("/srv/disc"),
            QStringLiteral("/run/media/u/BD"), QStringLiteral("/mnt/old"),
            QStringLiteral("/media/cd rom (empty)") }));
}

TEST(LargestFile, StrictlyLargestIgnoringCaseWithTheMoviesOwnFirst)
{
    TestTree tree;
    tree.file(QStringLiteral("a.jpg"), 10 * 1024);
    tree.file(QStringLiteral("B.JPG"), 50 * 1024);
    tree.file(QStringLiteral("c.jpg"), 50 * 1024);
    tree.file(QStringLiteral("huge.png"), 900 * 1024);
    tree.file(QStringLiteral("sub/giant.jpg"), 900 * 1024);
    tree.folder(QStringLiteral("folder.jpg"));
    tree.file(QStringLiteral("Movie.JPG"), 1024);
    tree.file(QStringLiteral("empty.txt"), 0);
    tree.file(QStringLiteral("Other.txt"), 0);

    // Ties keep the first in name order; subfolders are not searched.
    EXPECT_EQ(findLargestFile(tree.path(), QStringLiteral("*.jpg")), tree.path(QStringLiteral("B.JPG")));
    EXPECT_EQ(
        findLargestFile(tree.path() + u'/', QStringLiteral("*.JPG")), tree.path(QStringLiteral("B.JPG")));
    EXPECT_EQ(findLargestFile(tree.path(), QStringLiteral("*.jpg"), QStringLiteral("movie")),
        tree.path(QStringLiteral("Movie.JPG")));
    EXPECT_EQ(findLargestFile(tree.path(), QStringLiteral("*.jpg"), QStringLiteral("Nobody")),
        tree.path(QStringLiteral("B.JPG")));
    // Empty files are never chosen, not even the movie's own.
    EXPECT_EQ(findLargestFile(tree.path(), QStringLiteral("*.txt")), QString());
    EXPECT_EQ(findLargestFile(tree.path(), QStringLiteral("*.txt"), QStringLiteral("other")), QString());
    EXPECT_EQ(findLargestFile(tree.path(QStringLiteral("none")), QStringLiteral("*.jpg")), QString());
    EXPECT_EQ(findLargestFile(QString(), QStringLiteral("*.jpg")), QString());
}
