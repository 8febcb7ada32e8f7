#include "diskconditions.h"
#include "export/catalogueexport.h"
#include "export/compoundfile.h"
#include "export/xlsworkbook.h"
#include "fuzz/xlscheck.h"
#include "testsupport.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using CatalogueExport::Format;
using CatalogueExport::Request;

const QDateTime stampTime(QDate(2007, 12, 6), QTime(19, 15, 3));
const QString today = QStringLiteral("2007/12/6");

CatalogueExport::Result exportTo(const TestHome& home, Format format, bool overwrite = true,
    const QString& folder = {}, const QDateTime& now = stampTime)
{
    return CatalogueExport::run(home.folder(), Request { format, overwrite, folder }, now, today);
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Reads a workbook with xlrd and gives each sheet as {name, rows: [[cell, ...], ...]}, a cell
// as null (empty), a number or a string; `summary` keeps only the first and last two rows.
const char* const readBack = R"(
import json, sys, xlrd
book = xlrd.open_workbook(sys.argv[1])
summary = sys.argv[2] == '1'
def cell(c):
    if c.ctype == xlrd.XL_CELL_EMPTY: return None
    if c.ctype == xlrd.XL_CELL_NUMBER: return c.value
    if c.ctype == xlrd.XL_CELL_TEXT: return c.value
    return ['type', c.ctype]
out = []
for s in book.sheets():
    rows = [[cell(s.cell(r, c)) for c in range(s.ncols)] for r in range(s.nrows)
            if not summary or r < 2 or r >= s.nrows - 2]
    out.append({'name': s.name, 'nrows': s.nrows, 'ncols': s.ncols, 'rows': rows})
sys.stdout.write(json.dumps(out))
)";

QJsonArray readWorkbook(const QString& path, bool summary = false)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
        { QStringLiteral("-c"), QString::fromUtf8(readBack), path,
            summary ? QStringLiteral("1") : QStringLiteral("0") });
    EXPECT_TRUE(python.waitForFinished(120000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

QJsonArray headerRow()
{
    QJsonArray row;
    for (int c = 0; c < MovieFieldCount; ++c)
        row.append(movieFieldName(MovieField(c)));
    return row;
}

} // namespace

TEST(TextExport, ListMatchesExpectedBytes)
{
    TestHome home;
    home.addDisc(QStringLiteral("12"), QStringLiteral(" Films A "));
    home.addDisc(QStringLiteral("3 ")); // a trailing blank still collects disc 3's movies
    home.addDisc(QStringLiteral("7"), QStringLiteral("空碟"));
    home.addDisc(QStringLiteral("12"), QStringLiteral("副本")); // the same number lists the same movies
    home.addMovie(1, QStringLiteral(" 大话西游 "), 12);
    home.addMovie(2, QStringLiteral("Heat"), 3);
    home.addMovie(3, QStringLiteral("无主之片"), 99);
    home.addMovie(4, QStringLiteral("English\tTab"), 12);
    const auto r = exportTo(home, Format::Text);
    ASSERT_TRUE(r.ok) << r.message.toStdString();
    EXPECT_EQ(r.message, QStringLiteral("数据转换成功!"));
    EXPECT_EQ(r.path, home.folder().outputsDir() + QStringLiteral("/ReelShelfIndex.txt"));
    const QByteArray expected = QStringLiteral("*以下数据由ReelShelf Index V1.02建立* ^_^\r\n"
                                               "－－－－－－－－－－－－－－－－－－-\r\n"
                                               "*共有4张光碟数据.\r\n"
                                               "*本文件建立日期： 2007/12/6\r\n"
                                               "－－－－－－－－－－－－－－－－－－-\r\n"
                                               "⊙碟号12【Films A】\r\n"
                                               "      ◎大话西游\r\n"
                                               "      ◎English\tTab\r\n"
                                               "⊙碟号3\r\n"
                                               "      ◎Heat\r\n"
                                               "⊙碟号7【空碟】\r\n"
                                               "⊙碟号12【副本】\r\n"
                                               "      ◎大话西游\r\n"
                                               "      ◎English\tTab\r\n"
                                               "\r\n")
                                    .toUtf8();
    EXPECT_EQ(readBytes(r.path), expected);
}

TEST(TextExport, DiscsWithoutMoviesGiveHeaderAndDiscLines)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    home.addDisc(QStringLiteral("2"), QStringLiteral("B"));
    const auto r = exportTo(home, Format::Text);
    ASSERT_TRUE(r.ok) << r.message.toStdString();
    EXPECT_TRUE(
        readBytes(r.path).endsWith(QStringLiteral("*共有2张光碟数据.\r\n*本文件建立日期： 2007/12/6\r\n"
                                                  "－－－－－－－－－－－－－－－－－－-\r\n"
                                                  "⊙碟号1\r\n⊙碟号2【B】\r\n\r\n")
                                       .toUtf8()));
}

TEST(ExportNames, FixedAndStampedNamesAndFolders)
{
    EXPECT_EQ(CatalogueExport::fileName(Format::Text, true, stampTime), QStringLiteral("ReelShelfIndex.txt"));
    EXPECT_EQ(
        CatalogueExport::fileName(Format::Excel, true, stampTime), QStringLiteral("ReelShelfIndex.xls"));
    EXPECT_EQ(CatalogueExport::fileName(Format::Text, false, stampTime),
        QStringLiteral("ReelShelfIndex_071206191503.txt"));
    EXPECT_EQ(CatalogueExport::fileName(Format::Excel, false, QDateTime(QDate(2010, 1, 2), QTime(3, 4, 5))),
        QStringLiteral("ReelShelfIndex_100102030405.xls"));
    const DataFolder data(QStringLiteral("/data"));
    EXPECT_EQ(
        CatalogueExport::outputFolder(data, QStringLiteral("/srv/Share")), QStringLiteral("/srv/Share"));
    EXPECT_EQ(
        CatalogueExport::outputFolder(data, QStringLiteral("/srv/Share/")), QStringLiteral("/srv/Share"));
    EXPECT_EQ(CatalogueExport::outputFolder(data, QString()), QStringLiteral("/data/Outputs"));
    EXPECT_EQ(CatalogueExport::sheetName(0), QStringLiteral("ReelShelfIndex"));
    EXPECT_EQ(CatalogueExport::sheetName(2), QStringLiteral("ReelShelfIndex_3"));
}

TEST(TextExport, OverwriteKeepsOneFileStampedMakesMore)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    ASSERT_TRUE(exportTo(home, Format::Text).ok);
    home.addDisc(QStringLiteral("2"));
    ASSERT_TRUE(exportTo(home, Format::Text).ok);
    const QString outputs = home.folder().outputsDir();
    EXPECT_EQ(filesIn(outputs), QStringList { QStringLiteral("ReelShelfIndex.txt") });
    EXPECT_TRUE(readBytes(outputs + QStringLiteral("/ReelShelfIndex.txt")).contains("*共有2张"));

    ASSERT_TRUE(exportTo(home, Format::Text, false).ok);
    ASSERT_TRUE(exportTo(home, Format::Text, false, {}, stampTime.addSecs(1)).ok);
    EXPECT_EQ(filesIn(outputs),
        (QStringList { QStringLiteral("ReelShelfIndex.txt"),
            QStringLiteral("ReelShelfIndex_071206191503.txt"),
            QStringLiteral("ReelShelfIndex_071206191504.txt") }));
}

TEST(ExportFailures, EachIsReportedAndLeavesNoFile)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    QTemporaryDir other;
    const QString stamped = other.path() + QStringLiteral("/ReelShelfIndex_071206191503.xls");
    writeBytes(stamped, "earlier");
    QDir(other.path()).mkdir(QStringLiteral("ReelShelfIndex.txt")); // a folder where the file would go
    writeBytes(other.path() + QStringLiteral("/plain"), "x");

    struct Case
    {
        const char* what;
        Format format;
        bool overwrite;
        QString folder;
        QString message;
    };
    const QString missing = other.path() + QStringLiteral("/gone");
    const Case cases[] = {
        { "missing folder", Format::Text, true, missing,
            QStringLiteral("文件夹 %1 不存在,无法保存文件 %1/ReelShelfIndex.txt 。数据没有转换。")
                .arg(missing) },
        { "folder is a file", Format::Excel, true, other.path() + QStringLiteral("/plain"),
            QStringLiteral("文件夹 %1/plain 不存在,无法保存文件 %1/plain/ReelShelfIndex.xls 。数据没有转换。")
                .arg(other.path()) },
        { "stamped name of the same second", Format::Excel, false, other.path(),
            QStringLiteral("文件 %1 已经存在,无法替换。数据没有转换。").arg(stamped) },
        { "name taken by a folder", Format::Text, true, other.path() + u'/',
            QStringLiteral(
                "无法写入文件 %1/ReelShelfIndex.txt：那里已有一个同名的文件夹。请换一个文件名或文件夹后再试。"
                "数据没有转换。")
                .arg(other.path()) },
    };
    for (const Case& c : cases) {
        const auto r = exportTo(home, c.format, c.overwrite, c.folder);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.message, c.message) << c.what;
    }
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_EQ(readBytes(stamped), QByteArray("earlier"));
    EXPECT_EQ(filesIn(other.path()),
        (QStringList { QStringLiteral("ReelShelfIndex_071206191503.xls"), QStringLiteral("plain") }));
}

TEST(ExportFailures, UnreadableCatalogueKeepsThePreviousFile)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    ASSERT_TRUE(exportTo(home, Format::Text).ok);
    const QString previous = home.folder().outputsDir() + QStringLiteral("/ReelShelfIndex.txt");
    const QByteArray before = readBytes(previous);
    writeBytes(home.folder().catalogueFile(), QByteArray(4096, 'z'));
    for (Format f : { Format::Text, Format::Excel }) {
        const auto r = exportTo(home, f);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.message.startsWith(QStringLiteral("读取影片数据库失败,文件 %1 没有生成:").arg(r.path)))
            << r.message.toStdString();
    }
    EXPECT_EQ(readBytes(previous), before);
    EXPECT_EQ(filesIn(home.folder().outputsDir()), QStringList { QStringLiteral("ReelShelfIndex.txt") });
}

TEST(ExcelExport, ValuesReadBackAsStored)
{
    TestHome home;
    home.addDisc(QStringLiteral("12"));
    MovieRecord extra;
    const QString longText = QStringLiteral("第一行\r\n第二行 \n😀 emoji ");
    extra[MovieField::PS] = longText;
    extra[MovieField::Lastfor] = 128.5;
    extra[MovieField::Score] = 7;
    extra[MovieField::Year] = QStringLiteral("2007 ");
    home.addMovie(1, QStringLiteral(" 大话西游 "), 12, extra);
    MovieRecord huge;
    huge[MovieField::Role] = QString(40000, u'演');
    huge[MovieField::Direct] = QString(32766, u'a') + QStringLiteral("😀"); // the pair would straddle the cut
    home.addMovie(2, QStringLiteral("Long"), 3, huge);

    const auto r = exportTo(home, Format::Excel);
    ASSERT_TRUE(r.ok) << r.message.toStdString();
    EXPECT_EQ(r.cutCells, 2);
    EXPECT_EQ(r.message,
        QStringLiteral("数据转换成功!\n有 2 个单元格的文字超过了 Excel 单元格的 32767 个字符,已被截断。"));
    const QJsonArray sheets = readWorkbook(r.path);
    ASSERT_EQ(sheets.size(), 1);
    const QJsonObject sheet = sheets[0].toObject();
    EXPECT_EQ(sheet[QStringLiteral("name")].toString(), QStringLiteral("ReelShelfIndex"));
    const QJsonArray rows = sheet[QStringLiteral("rows")].toArray();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].toArray(), headerRow());
    const QJsonArray first = rows[1].toArray();
    ASSERT_EQ(first.size(), MovieFieldCount);
    EXPECT_EQ(first[0], QJsonValue(1.0));
    EXPECT_EQ(first[1], QJsonValue(QStringLiteral(" 大话西游 ")));
    EXPECT_EQ(first[2], QJsonValue(QStringLiteral("2007 ")));
    EXPECT_TRUE(first[3].isNull());
    EXPECT_EQ(first[14], QJsonValue(128.5));
    EXPECT_EQ(first[15], QJsonValue(longText));
    EXPECT_EQ(first[17], QJsonValue(12.0));
    EXPECT_EQ(first[18], QJsonValue(7.0));
    const QJsonArray second = rows[2].toArray();
    EXPECT_EQ(second[12].toString(), QString(32767, u'演'));
    EXPECT_EQ(second[11].toString(), QString(32766, u'a'));
}

TEST(ExcelExport, MoreMoviesThanASheetHoldsContinueOnFurtherSheets)
{
    TestHome home;
    // One statement, so the catalogue is built in one transaction.
    home.exec(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 65537) "
        "INSERT INTO ReelShelfIndex (ID, MovieName, DiskNum) SELECT i, 'Movie ' || i, 1 FROM n"));
    const auto r = exportTo(home, Format::Excel, false);
    ASSERT_TRUE(r.ok) << r.message.toStdString();
    const QJsonArray sheets = readWorkbook(r.path, true);
    ASSERT_EQ(sheets.size(), 2);
    const QJsonObject a = sheets[0].toObject();
    const QJsonObject b = sheets[1].toObject();
    EXPECT_EQ(a[QStringLiteral("name")].toString(), QStringLiteral("ReelShelfIndex"));
    EXPECT_EQ(a[QStringLiteral("nrows")].toInt(), 65536);
    EXPECT_EQ(b[QStringLiteral("name")].toString(), QStringLiteral("ReelShelfIndex_2"));
    EXPECT_EQ(b[QStringLiteral("nrows")].toInt(), 3);
    const QJsonArray aRows = a[QStringLiteral("rows")].toArray();
    const QJsonArray bRows = b[QStringLiteral("rows")].toArray();
    EXPECT_EQ(aRows[0].toArray(), headerRow());
    EXPECT_EQ(aRows[3].toArray()[0], QJsonValue(65535.0));
    EXPECT_EQ(aRows[3].toArray()[1], QJsonValue(QStringLiteral("Movie 65535")));
    EXPECT_EQ(bRows[0].toArray(), headerRow());
    EXPECT_EQ(bRows[1].toArray()[1], QJsonValue(QStringLiteral("Movie 65536")));
    EXPECT_EQ(bRows[2].toArray()[0], QJsonValue(65537.0));
}

TEST(ExcelExport, EmptyCatalogueHasTheHeaderRowOnly)
{
    TestHome home;
    const auto r = exportTo(home, Format::Excel);
    ASSERT_TRUE(r.ok) << r.message.toStdString();
    const QJsonArray sheets = readWorkbook(r.path);
    ASSERT_EQ(sheets.size(), 1);
    const QJsonArray rows = sheets[0].toObject()[QStringLiteral("rows")].toArray();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].toArray(), headerRow());
}

TEST(XlsWorkbook, RefusesCellsOutsideTheSheet)
{
    XlsWorkbook book;
    EXPECT_FALSE(book.setNumber(0, 0, 1)); // no sheet yet
    book.addSheet(QStringLiteral("S"));
    EXPECT_TRUE(book.setNumber(65535, 255, 1));
    EXPECT_FALSE(book.setNumber(65536, 0, 1));
    EXPECT_FALSE(book.setText(0, 256, u"x"));
}

TEST(XlsWorkbook, StringTableSplitsAcrossContinueRecords)
{
    // Many long strings, wide and narrow, force the table over several CONTINUE records.
    XlsWorkbook book;
    book.addSheet(QStringLiteral("S"));
    QStringList texts;
    for (int i = 0; i < 300; ++i)
        texts << QString(100 + i * 7, i % 2 ? u'字' : u'x') + QString::number(i);
    for (int i = 0; i < texts.size(); ++i)
        ASSERT_TRUE(book.setText(i, 0, texts[i]));
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/s.xls");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(book.save(file));
    file.close();
    const QJsonArray rows = readWorkbook(path)[0].toObject()[QStringLiteral("rows")].toArray();
    ASSERT_EQ(rows.size(), texts.size());
    for (int i = 0; i < texts.size(); ++i)
        EXPECT_EQ(rows[i].toArray()[0].toString(), texts[i]) << i;
}

TEST(CompoundFile, LargeStreamNeedsDifatAndReadsBack)
{
    // Past about 7 MB the FAT sector list no longer fits in the header.
    QByteArray stream(9 * 1024 * 1024 + 77, '\0');
    for (qsizetype i = 0; i < stream.size(); ++i)
        stream[i] = char((i * 131) >> 3);
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/big.cfb");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(CompoundFile::write(file, QStringLiteral("Workbook"), stream));
    file.close();
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
        { QStringLiteral("-c"),
            QStringLiteral("import sys, hashlib, xlrd.compdoc as c\n"
                           "d = c.CompDoc(open(sys.argv[1], 'rb').read(), logfile=open('/dev/null', 'w'))\n"
                           "s = d.get_named_stream('Workbook')\n"
                           "print(len(s), hashlib.md5(s).hexdigest())\n"),
            path });
    ASSERT_TRUE(python.waitForFinished(60000));
    EXPECT_EQ(python.readAllStandardError(), QByteArray());
    const QByteArray md5 = QCryptographicHash::hash(stream, QCryptographicHash::Md5).toHex();
    EXPECT_EQ(python.readAllStandardOutput().trimmed(), QByteArray::number(stream.size()) + ' ' + md5);
}

TEST(XlsWorkbook, RepeatedTextsAreStoredOnce)
{
    // A repeated long text must not grow the workbook by its size again.
    const QString summary = QString(5000, u'长');
    const auto size = [&](int repeats) {
        XlsWorkbook book;
        book.addSheet(QStringLiteral("S"));
        for (int i = 0; i < repeats; ++i) {
            book.setText(i, 0, summary);
            book.setText(i, 1, u"短");
        }
        return book.workbookStream().size();
    };
    EXPECT_EQ(size(10) - size(1), 9 * 2 * 14); // per row only its two cells, 14 bytes each
}

TEST(XlsWorkbook, CharactersOutsideTheBasicPlaneReadBackWhereverARecordEnds)
{
    // Texts of pairs behind an odd or even number of plain characters: the table's CONTINUE
    // records end at every position, between the two halves of a pair too.
    XlsWorkbook book;
    book.addSheet(QStringLiteral("S"));
    QStringList texts;
    for (int i = 0; i < 120; ++i) {
        QString text(i % 7, u'字');
        for (int n = 0; n < 300 + i * 13; ++n)
            text += n % 3 ? QStringLiteral("𠮷") : QStringLiteral("😀");
        texts << text;
    }
    texts << QStringLiteral("𠮷") << QStringLiteral("a😀b");
    for (int i = 0; i < texts.size(); ++i)
        ASSERT_TRUE(book.setText(i, 0, texts[i]));
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/pairs.xls");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(book.save(file));
    file.close();
    const QJsonArray sheets = readWorkbook(path);
    ASSERT_EQ(sheets.size(), 1);
    const QJsonArray rows = sheets[0].toObject()[QStringLiteral("rows")].toArray();
    ASSERT_EQ(rows.size(), texts.size());
    for (int i = 0; i < texts.size(); ++i)
        EXPECT_EQ(rows[i].toArray()[0].toString(), texts[i]) << i;
}

TEST(ExportFailures, AFullDiskIsSaidAndKeepsThePreviousFile)
{
    FullDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a small disk needs root";
    TestHome home;
    home.addDisc(QStringLiteral("1"), QStringLiteral("一"));
    home.addMovie(1, QStringLiteral("英雄"), 1);
    const QString previous = disk.path(QStringLiteral("ReelShelfIndex.txt"));
    writeBytes(previous, "earlier");
    disk.fill();
    for (Format f : { Format::Text, Format::Excel }) {
        for (bool overwrite : { true, false }) {
            const auto r = exportTo(home, f, overwrite, disk.path());
            EXPECT_FALSE(r.ok) << r.path.toStdString();
            EXPECT_EQ(r.message,
                QStringLiteral("无法写入文件 %1：磁盘已满。请腾出磁盘空间后再试。数据没有转换。")
                    .arg(r.path));
        }
    }
    EXPECT_EQ(readBytes(previous), QByteArray("earlier"));
    EXPECT_EQ(filesIn(disk.path()),
        (QStringList { QStringLiteral(".filler"), QStringLiteral("ReelShelfIndex.txt") }));

    disk.empty();
    const auto r = exportTo(home, Format::Excel, true, disk.path());
    EXPECT_TRUE(r.ok) << r.message.toStdString();
    EXPECT_EQ(readWorkbook(r.path)[0].toObject()[QStringLiteral("nrows")].toInt(), 2);
}

TEST(ExportFiles, NewFilesGetTheModeTheUmaskGivesAndReplacedOnesKeepTheirs)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    QTemporaryDir share;
    const mode_t before = ::umask(027);
    QStringList paths;
    for (Format f : { Format::Text, Format::Excel })
        for (bool overwrite : { true, false })
            paths << exportTo(home, f, overwrite, share.path()).path;
    const QString fixed = share.path() + QStringLiteral("/ReelShelfIndex.txt");
    ASSERT_EQ(::chmod(QFile::encodeName(fixed).constData(), 0604), 0);
    const auto again = exportTo(home, Format::Text, true, share.path());
    ::umask(before);
    ASSERT_TRUE(again.ok) << again.message.toStdString();
    const auto modeOf = [](const QString& path) {
        struct stat st = {};
        EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
        return st.st_mode & 07777;
    };
    for (const QString& path : paths.mid(1))
        EXPECT_EQ(modeOf(path), 0640u) << path.toStdString();
    EXPECT_EQ(modeOf(fixed), 0604u);
}

TEST(ExportFailures, AReadOnlyFileOrFolderIsNamedAsTheCause)
{
    TestHome home;
    home.addDisc(QStringLiteral("1"));
    QTemporaryDir share;
    const QString file = share.path() + QStringLiteral("/ReelShelfIndex.txt");
    writeBytes(file, "kept");
    ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QString folder = share.path() + QStringLiteral("/locked");
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    CatalogueExport::Result readOnlyFile, readOnlyFolder;
    ASSERT_TRUE(runAsPlainUser([&] {
        readOnlyFile = exportTo(home, Format::Text, true, share.path());
        readOnlyFolder = exportTo(home, Format::Excel, false, folder);
    }));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(readOnlyFile.ok);
    EXPECT_EQ(readOnlyFile.message,
        QStringLiteral("无法写入文件 %1：这个文件是只读的。请去掉它的只读属性后再试。数据没有转换。")
            .arg(file));
    EXPECT_EQ(readBytes(file), QByteArray("kept"));
    EXPECT_FALSE(readOnlyFolder.ok);
    EXPECT_EQ(readOnlyFolder.message,
        QStringLiteral(
            "无法写入文件 %1：没有在文件夹 %2 中写入的权限。请检查这个文件夹的权限，或换一个文件夹后再试。"
            "数据没有转换。")
            .arg(readOnlyFolder.path, folder));
    EXPECT_TRUE(filesIn(folder).isEmpty());
}

namespace {

// A title as users type them: Chinese, Latin, accented, characters outside the basic plane.
QString randomTitle(QRandomGenerator& random, qsizetype length)
{
    static const char16_t* const pieces[] = { u"影", u"片", u"a", u"Z", u"é", u"😀", u"𠮷", u" ", u"\u00ff", u"–" };
    QString title;
    while (title.size() < length)
        title += QString::fromUtf16(pieces[random.bounded(int(std::size(pieces)))]);
    return title;
}

} // namespace

// Workbooks of random titles, the longest a cell holds among them, pass our own structural check
// and read back in xlrd exactly as written.
TEST(XlsWorkbook, RandomTitlesPassTheStructuralCheckAndReadBackInXlrd)
{
    QRandomGenerator random(20071206);
    QTemporaryDir dir;
    for (int book = 0; book < 4; ++book) {
        XlsWorkbook workbook;
        QStringList written;
        const int sheets = 1 + book % 2;
        for (int s = 0; s < sheets; ++s) {
            workbook.addSheet(QStringLiteral("影片目录_%1").arg(s + 1));
            const int rows = 20 + random.bounded(200);
            for (int r = 0; r < rows; ++r) {
                const qsizetype length = random.bounded(10) == 0 ? XlsWorkbook::maxTextLength + random.bounded(3)
                                                                 : random.bounded(80);
                QString title = randomTitle(random, length);
                bool cut = false;
                ASSERT_TRUE(workbook.setText(r, 0, title, &cut));
                ASSERT_TRUE(workbook.setNumber(r, 1, r + 0.5));
                if (cut) {
                    const qsizetype keep = title.at(XlsWorkbook::maxTextLength - 1).isHighSurrogate()
                        ? XlsWorkbook::maxTextLength - 1
                        : XlsWorkbook::maxTextLength;
                    title.truncate(keep);
                }
                written.append(title);
            }
        }
        const QString path = dir.filePath(QStringLiteral("random%1.xls").arg(book));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(workbook.save(file));
        file.close();

        XlsCheck::Workbook checked;
        const auto problem = XlsCheck::problem(readBytes(path), &checked);
        ASSERT_FALSE(problem) << problem->toStdString();
        ASSERT_EQ(checked.sheets.size(), sheets);

        const QJsonArray read = readWorkbook(path);
        ASSERT_EQ(read.size(), sheets);
        qsizetype next = 0;
        for (int s = 0; s < sheets; ++s) {
            const QJsonArray rows = read[s].toObject()[QStringLiteral("rows")].toArray();
            EXPECT_EQ(read[s].toObject()[QStringLiteral("name")].toString(), checked.sheets[s].name);
            for (const QJsonValue& row : rows) {
                ASSERT_LT(next, written.size());
                EXPECT_EQ(row.toArray()[0].toString(), written[next]) << book << ' ' << next;
                ++next;
            }
        }
        EXPECT_EQ(next, written.size());
    }
}

// The checker itself finds what a reader would trip on: a cut file, a string table that counts
// more strings than it holds, a cell that refers past the table.
TEST(XlsCheck, FindsDamageAReaderWouldTripOn)
{
    XlsWorkbook workbook;
    workbook.addSheet(QStringLiteral("S"));
    workbook.setText(0, 0, u"影片");
    workbook.setNumber(0, 1, 2);
    QByteArray good;
    {
        QBuffer buffer(&good);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(workbook.save(buffer));
    }
    XlsCheck::Workbook read;
    ASSERT_FALSE(XlsCheck::problem(good, &read));
    ASSERT_EQ(read.sheets.size(), 1);
    ASSERT_EQ(read.sheets[0].cells.size(), 2);
    EXPECT_EQ(read.sheets[0].cells[0].value.toString(), QStringLiteral("影片"));

    EXPECT_TRUE(XlsCheck::problem(good.left(good.size() - 512), &read));
    const qsizetype sst = good.indexOf(QByteArray("\xFC\x00", 2));
    ASSERT_GT(sst, 0);
    QByteArray moreStrings = good;
    moreStrings[sst + 8] = char(2); // unique strings: 2, one there
    EXPECT_TRUE(XlsCheck::problem(moreStrings, &read));
    const qsizetype label = good.indexOf(QByteArray("\xFD\x00\x0A\x00", 4));
    ASSERT_GT(label, 0);
    QByteArray pastTable = good;
    pastTable[label + 10] = char(5);
    EXPECT_TRUE(XlsCheck::problem(pastTable, &read));
}

// A sheet's name is cut to the 31 characters a workbook allows, never inside a character outside
// the basic plane: half of one made the name unreadable.
TEST(XlsWorkbook, ALongSheetNameIsCutBetweenCharacters)
{
    XlsWorkbook workbook;
    const QString name = QStringLiteral("影片") + QString(14, u'x') + QStringLiteral("😀").repeated(10);
    workbook.addSheet(name); // the 31st unit is the first half of a pair
    workbook.setText(0, 0, u"a");
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(workbook.save(buffer));
    }
    XlsCheck::Workbook read;
    const auto problem = XlsCheck::problem(bytes, &read);
    ASSERT_FALSE(problem) << problem->toStdString();
    ASSERT_EQ(read.sheets.size(), 1);
    EXPECT_EQ(read.sheets[0].name, name.left(30));
}
