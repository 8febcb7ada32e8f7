#include "legacy/mdbreader.h"
#include "legacy/mdbreadprocess.h"
#include "legacy/mdbwire.h"
#include "testsupport.h"

#include <QBuffer>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

const QString dataDir = QStringLiteral(REELSHELF_TEST_DATA "/mdb");
const QString dateFormat = QStringLiteral("%Y-%m-%d %H:%M:%S");

struct CsvField
{
    QString text;
    bool quoted = false;
};
using CsvRow = QList<CsvField>;

QByteArray runTool(const QString& tool, const QStringList& args)
{
    QProcess p;
    p.start(tool, args);
    EXPECT_TRUE(p.waitForFinished(60000)) << tool.toStdString();
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
}

// mdb-export's CSV with -e: one row per line, quotes doubled inside quoted fields, and \n, \r,
// \t and \\ escaped; a null field is the bare word NULL (-0), a quoted "NULL" is text.
QList<CsvRow> parseExport(const QByteArray& bytes)
{
    const QString text = QString::fromUtf8(bytes);
    QList<CsvRow> rows;
    CsvRow row;
    CsvField field;
    bool inQuotes = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field.text += u'"';
                ++i;
            } else if (c == u'"') {
                inQuotes = false;
            } else if (c == u'\\' && i + 1 < text.size()) {
                const QChar e = text.at(++i);
                field.text += e == u'n' ? QChar(u'\n')
                    : e == u'r'         ? QChar(u'\r')
                    : e == u't'         ? QChar(u'\t')
                                        : e;
            } else {
                field.text += c;
            }
        } else if (c == u'"') {
            inQuotes = true;
            field.quoted = true;
        } else if (c == u',') {
            row.append(field);
            field = {};
        } else if (c == u'\n') {
            row.append(field);
            rows.append(row);
            row = {};
            field = {};
        } else {
            field.text += c;
        }
    }
    return rows;
}

void expectSame(const QVariant& value, const CsvField& field, const std::string& where)
{
    SCOPED_TRACE(where);
    if (!field.quoted && field.text == QStringLiteral("NULL")) {
        EXPECT_FALSE(value.isValid()) << value.toString().toStdString();
        return;
    }
    ASSERT_TRUE(value.isValid()) << field.text.toStdString();
    switch (value.typeId()) {
    case QMetaType::QString:
        EXPECT_TRUE(field.quoted);
        EXPECT_EQ(value.toString(), field.text);
        break;
    case QMetaType::LongLong:
        EXPECT_FALSE(field.quoted);
        EXPECT_EQ(value.toLongLong(), field.text.toLongLong());
        break;
    case QMetaType::Double:
        EXPECT_FALSE(field.quoted);
        EXPECT_DOUBLE_EQ(value.toDouble(), field.text.toDouble());
        break;
    case QMetaType::Bool:
        EXPECT_EQ(value.toBool() ? QStringLiteral("1") : QStringLiteral("0"), field.text);
        break;
    case QMetaType::QDateTime:
        EXPECT_EQ(value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), field.text);
        break;
    case QMetaType::QByteArray:
        EXPECT_EQ(QString::fromLatin1(value.toByteArray().toHex().toUpper()), field.text);
        break;
    default:
        ADD_FAILURE() << "unexpected kind " << value.typeName();
    }
}

class MdbFiles : public ::testing::TestWithParam<const char*>
{
};

TEST_P(MdbFiles, EveryFieldOfEveryTableIsWhatMdbExportPrints)
{
    const QString path = dataDir + u'/' + QString::fromLatin1(GetParam());
    QString error;
    const auto reader = MdbReader::open(path, &error);
    ASSERT_TRUE(reader) << error.toStdString();

    const QStringList listed
        = QString::fromUtf8(runTool(QStringLiteral("mdb-tables"), { QStringLiteral("-1"), path }))
              .split(u'\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(listed.isEmpty());
    EXPECT_EQ(reader->tableNames(), listed);

    for (const QString& table : listed) {
        const auto read = reader->readTable(table, &error);
        ASSERT_TRUE(read) << error.toStdString();
        const QList<CsvRow> exported = parseExport(runTool(QStringLiteral("mdb-export"),
            { QStringLiteral("-D"), dateFormat, QStringLiteral("-T"), dateFormat, QStringLiteral("-0"),
                QStringLiteral("NULL"), QStringLiteral("-b"), QStringLiteral("hex"), QStringLiteral("-e"),
                path, table }));
        ASSERT_FALSE(exported.isEmpty());
        QStringList header;
        for (const CsvField& f : exported.first())
            header.append(f.text);
        EXPECT_EQ(read->columns, header);
        ASSERT_EQ(read->rows.size(), exported.size() - 1);
        for (qsizetype r = 0; r < read->rows.size(); ++r) {
            const CsvRow& line = exported.at(r + 1);
            ASSERT_EQ(read->rows.at(r).size(), line.size()) << "row " << r;
            for (qsizetype c = 0; c < line.size(); ++c)
                expectSame(read->rows.at(r).at(c), line.at(c),
                    QStringLiteral("%1 row %2 %3").arg(table).arg(r).arg(read->columns.at(c)).toStdString());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, MdbFiles, ::testing::Values("test2V1997.mdb", "testUnicodeCompV2003.mdb", "catalogue40.mdb"));

TEST(MdbReader, TellsTheJetVersionAndTheHeaderCodePage)
{
    QString error;
    const auto jet3 = MdbReader::open(dataDir + QStringLiteral("/test2V1997.mdb"), &error);
    const auto jet4 = MdbReader::open(dataDir + QStringLiteral("/testUnicodeCompV2003.mdb"), &error);
    ASSERT_TRUE(jet3 && jet4);
    EXPECT_TRUE(jet3->isJet3());
    EXPECT_FALSE(jet4->isJet3());
    EXPECT_EQ(jet3->codePage(), 1252);
}

// Jet 3 keeps its header behind RC4 with a fixed key; a test changes it as Access would write it.
QByteArray rc4(const QByteArray& data)
{
    const quint8 key[] = { 0xc7, 0xda, 0x39, 0x6b };
    quint8 s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = quint8(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) & 0xff;
        std::swap(s[i], s[j]);
    }
    QByteArray out = data;
    for (qsizetype n = 0, i = 0, j = 0; n < out.size(); ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        out[n] = char(quint8(out[n]) ^ s[(s[i] + s[j]) & 0xff]);
    }
    return out;
}

TEST(MdbReader, AJet3FileIsReadInTheCodePageItsHeaderNames)
{
    QByteArray bytes = readBytes(dataDir + QStringLiteral("/test2V1997.mdb"));
    QByteArray header = rc4(bytes.mid(0x18, 126));
    header[0x3c - 0x18] = char(936 & 0xff);
    header[0x3d - 0x18] = char(936 >> 8);
    bytes.replace(0x18, 126, rc4(header));
    const qsizetype author = bytes.indexOf("Jon Iles");
    ASSERT_GT(author, 0);
    bytes.replace(author, 8, QByteArray("\xd6\xd0\xce\xc4\xc3\xfb\xd7\xd6")); // 中文名字 in GBK
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chinese.mdb"));
    writeBytes(path, bytes);

    QString error;
    const auto reader = MdbReader::open(path, &error);
    ASSERT_TRUE(reader) << error.toStdString();
    EXPECT_EQ(reader->codePage(), 936);
    const auto table = reader->readTable(QStringLiteral("MSP_PROJECTS"), &error);
    ASSERT_TRUE(table) << error.toStdString();
    const QString text
        = table->rows.at(0).at(table->columns.indexOf(QStringLiteral("PROJ_PROP_AUTHOR"))).toString();
    EXPECT_TRUE(text.startsWith(QStringLiteral("中文名字 this is"))) << text.left(20).toStdString();
    EXPECT_EQ(table->rows.at(0).at(1).toString(), QStringLiteral("Project1"));
}

TEST(MdbReader, ReadsNonLatinTextsAndTableNamesInAnyCase)
{
    QString error;
    const auto reader = MdbReader::open(dataDir + QStringLiteral("/testUnicodeCompV2003.mdb"), &error);
    ASSERT_TRUE(reader);
    const auto table = reader->readTable(QStringLiteral("TABLE"), &error);
    ASSERT_TRUE(table) << error.toStdString();
    ASSERT_GE(table->rows.size(), 5);
    EXPECT_EQ(table->rows.at(4).at(1).toString(), QStringLiteral("漢字仮名交じり文"));
    EXPECT_EQ(table->rows.at(2).at(1).toString(), QStringLiteral("Мир"));
    EXPECT_EQ(table->rows.at(4).at(0).typeId(), QMetaType::LongLong);
}

TEST(MdbReader, AMissingTableIsNamed)
{
    QString error;
    const auto reader = MdbReader::open(dataDir + QStringLiteral("/test2V1997.mdb"), &error);
    ASSERT_TRUE(reader);
    EXPECT_FALSE(reader->readTable(QStringLiteral("DiskState"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("没有表 DiskState"))) << error.toStdString();
}

// Whatever the file is, the reader says so and never crashes.
TEST(MdbReader, RefusesWhatIsNotAWholeMdbFile)
{
    QTemporaryDir dir;
    const QByteArray jet3 = [] {
        QFile f(dataDir + QStringLiteral("/test2V1997.mdb"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    const QByteArray jet4 = [] {
        QFile f(dataDir + QStringLiteral("/testUnicodeCompV2003.mdb"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    const struct
    {
        const char* name;
        QByteArray bytes;
        const char16_t* expected;
    } cases[] = {
        { "empty.mdb", QByteArray(), u"是空文件" },
        { "text.mdb", QByteArray("hello, this is no database\n"), u"不是 Access 数据库文件" },
        { "zeros.mdb", QByteArray(8192, '\0'), u"不是 Access 数据库文件" },
        { "cut.mdb", jet3.left(50000), u"不完整或已损坏" },
        { "header-only.mdb", jet4.left(4096), u"不完整或已损坏" },
        { "two-pages.mdb", jet4.left(8192), u"不完整或已损坏" },
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.bytes);
        f.close();
        QString error;
        EXPECT_FALSE(MdbReader::open(path, &error)) << c.name;
        EXPECT_TRUE(error.contains(QString::fromUtf16(c.expected))) << c.name << ": " << error.toStdString();
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path))) << c.name;
    }
    QString error;
    EXPECT_FALSE(MdbReader::open(dir.path(), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("是文件夹"))) << error.toStdString();
    EXPECT_FALSE(MdbReader::open(dir.filePath(QStringLiteral("missing.mdb")), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("找不到"))) << error.toStdString();
}

// The three tables of a catalogue, read one after the other; the first refusal's message.
QString firstRefusal(const QString& file)
{
    QString error;
    const auto reader = MdbReader::open(dataDir + u'/' + file, &error);
    if (!reader)
        return error;
    for (const char* table : { "DiskState", "ReelShelfIndex", "MovieFileType" })
        if (!reader->readTable(QString::fromLatin1(table), &error))
            return error;
    return QString();
}

TEST(MdbReader, ATableIsWholeOrRefusedNamingItsRowCounts)
{
    QString error;
    const auto reader = MdbReader::open(dataDir + QStringLiteral("/catalogue40.mdb"), &error);
    ASSERT_TRUE(reader) << error.toStdString();
    const auto movies = reader->readTable(QStringLiteral("ReelShelfIndex"), &error);
    ASSERT_TRUE(movies) << error.toStdString();
    ASSERT_EQ(movies->rows.size(), 40);
    // Movie 1's introduction fills a chain of pages; it comes whole.
    const qsizetype ps = movies->columns.indexOf(QStringLiteral("PS"));
    EXPECT_EQ(movies->rows.at(0).at(ps).toString(), QStringLiteral("长简介1 ").repeated(600));
    EXPECT_EQ(reader->readTable(QStringLiteral("MovieFileType"), &error)->rows.size(), 3);

    const struct
    {
        const char* file;
        const char16_t* expected;
    } cases[] = {
        { "damaged-fewer-rows.mdb", u"表 ReelShelfIndex 的表定义记有 6 行，读出 5 行，另有 0 行无法读取" },
        { "damaged-cut-last-page.mdb", u"表 MovieFileType 的表定义记有 3 行，读出 0 行" },
        { "damaged-flip-rows-lost.mdb", u"表 DiskState 的表定义记有 16711685 行，读出 5 行" },
    };
    for (const auto& c : cases) {
        const QString file = QString::fromLatin1(c.file);
        const QString refusal = firstRefusal(file);
        EXPECT_TRUE(refusal.contains(QString::fromUtf16(c.expected)))
            << c.file << ": " << refusal.toStdString();
        EXPECT_TRUE(refusal.contains(QDir::toNativeSeparators(dataDir + u'/' + file))) << c.file;
        EXPECT_TRUE(refusal.endsWith(QStringLiteral("没有导入任何内容。"))) << c.file;
    }
}

// libmdb followed these chains for ever (or round once more, repeating the text).
TEST(MdbReader, ALongTextWhoseChainTurnsBackIsRefusedAtOnce)
{
    for (const char* file : { "damaged-memo-self-chain.mdb", "damaged-memo-cycle.mdb" }) {
        QElapsedTimer timer;
        timer.start();
        const QString refusal = firstRefusal(QString::fromLatin1(file));
        EXPECT_LT(timer.elapsed(), 5000) << file;
        EXPECT_TRUE(refusal.contains(QStringLiteral("表 ReelShelfIndex 第 3 行字段 PS 的内容无法完整读取")))
            << file << ": " << refusal.toStdString();
    }
}

// libmdb keeps a table's empty list of pages as no list at all and reads through it; in the
// import's helper that was a crash, read in the program itself it would take the program along.
TEST(MdbReader, ATableWithoutAListOfItsPagesIsRefusedWithoutCrashing)
{
    const QString refusal = firstRefusal(QStringLiteral("damaged-flip-crash.mdb"));
    EXPECT_TRUE(refusal.contains(QStringLiteral(
        "damaged-flip-crash.mdb 已损坏：表 ReelShelfIndex 的表定义无法读取。没有导入任何内容。")))
        << refusal.toStdString();

    // The same damage in the file's own list of its objects (the definition on page 2 of a Jet 4
    // file keeps the list's page and row at byte 55; page 14 holds one row only).
    QByteArray bytes = readBytes(dataDir + QStringLiteral("/catalogue40.mdb"));
    qToLittleEndian<quint32>(14 << 8 | 2, bytes.data() + 2 * 4096 + 55);
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("objects.mdb"));
    writeBytes(path, bytes);
    QString error;
    EXPECT_FALSE(MdbReader::open(path, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("不完整或已损坏"))) << error.toStdString();
}

TEST(MdbReader, APageCountingMoreRowsThanItCanHoldIsRefused)
{
    // A data page whose row count runs past its end: its slots were read past the page (found by
    // the fuzz run, kept in its corpus).
    QString error;
    const auto reader = MdbReader::open(
        QStringLiteral(REELSHELF_TEST_DATA "/../fuzz/corpus/mdb/crash-slot-count-past-the-page.mdb"), &error);
    ASSERT_TRUE(reader) << error.toStdString();
    bool refused = false;
    for (const char* table : { "DiskState", "ReelShelfIndex", "MovieFileType" })
        refused = refused || !reader->readTable(QString::fromLatin1(table), &error);
    EXPECT_TRUE(refused);
    EXPECT_TRUE(error.contains(QStringLiteral("crash-slot-count-past-the-page.mdb"))) << error.toStdString();
}

// libmdb's own catalogue read decodes every object's property blob and grew without end on this
// one; the tables themselves are whole, and come so.
TEST(MdbReader, ADamagedPropertyBlobOfTheCatalogueIsNeverRead)
{
    QElapsedTimer timer;
    timer.start();
    QString error;
    const auto reader = MdbReader::open(dataDir + QStringLiteral("/damaged-property-loop.mdb"), &error);
    ASSERT_TRUE(reader) << error.toStdString();
    EXPECT_EQ(reader->tableNames(),
        QStringList({ QStringLiteral("DiskState"), QStringLiteral("ReelShelfIndex"),
            QStringLiteral("MovieFileType") }));
    const auto movies = reader->readTable(QStringLiteral("ReelShelfIndex"), &error);
    ASSERT_TRUE(movies) << error.toStdString();
    EXPECT_EQ(movies->rows.size(), 4);
    // libmdb took seconds and gigabytes here before giving up on the blob.
    EXPECT_LT(timer.elapsed(), 2000);
}

const QStringList catalogueTables
    = { QStringLiteral("DiskState"), QStringLiteral("ReelShelfIndex"), QStringLiteral("MovieFileType") };

// A stand-in for the helper: a shell script that does what a helper stuck in libmdb would.
QString script(const QTemporaryDir& dir, const QByteArray& body)
{
    const QString path = dir.filePath(QStringLiteral("helper.sh"));
    writeBytes(path, "#!/bin/sh\n" + body + "\n");
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    return path;
}

TEST(MdbReadProcess, TheHelperBuiltBesideTheProgramsReadsTheTablesWhole)
{
    const QString helper = MdbReadProcess::helperProgram();
    ASSERT_TRUE(QFileInfo(helper).isExecutable()) << helper.toStdString();
    QString error;
    const auto read
        = MdbReadProcess::read(dataDir + QStringLiteral("/catalogue40.mdb"), catalogueTables, {}, &error);
    ASSERT_TRUE(read) << error.toStdString();
    EXPECT_EQ(read->tableNames(), catalogueTables);
    const auto inProcess = MdbReader::open(dataDir + QStringLiteral("/catalogue40.mdb"), &error);
    ASSERT_TRUE(inProcess);
    for (const QString& table : catalogueTables) {
        const auto here = inProcess->readTable(table, &error);
        const auto there = read->readTable(table.toLower(), &error);
        ASSERT_TRUE(here && there) << error.toStdString();
        EXPECT_EQ(there->columns, here->columns);
        EXPECT_EQ(there->rows, here->rows) << table.toStdString();
    }
    EXPECT_FALSE(read->readTable(QStringLiteral("Other"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("没有表 Other"))) << error.toStdString();
}

// Whatever libmdb does with a damaged file, the reading ends within seconds with a message that
// names the file: a crash, a hang, memory without end, or a stop from the user.
TEST(MdbReadProcess, AHelperThatCrashesHangsOrGrowsIsStoppedWithAMessage)
{
    QTemporaryDir dir;
    const QString file = dataDir + QStringLiteral("/catalogue40.mdb");
    const struct
    {
        QByteArray body;
        std::chrono::milliseconds stall;
        qint64 memory;
        const char16_t* expected;
    } cases[] = {
        { "kill -SEGV $$", std::chrono::seconds(10), 0,
            u"读取程序意外中止：文件已损坏，或读取它需要的内存超过" },
        { "exec sleep 60", std::chrono::seconds(1), 0, u"时 1 秒没有任何进展，文件可能已损坏，已停止读取。" },
        { "exec python3 -c 'b = bytearray(1 << 31); b[-1] = 1'", std::chrono::seconds(10), 256 * 1024 * 1024,
            u"读取它需要的内存超过 256 MB" },
    };
    for (const auto& c : cases) {
        MdbReadProcess::Options options;
        options.program = script(dir, c.body);
        options.stall = c.stall;
        options.memoryBytes = c.memory;
        QElapsedTimer timer;
        timer.start();
        QString error;
        EXPECT_FALSE(MdbReadProcess::read(file, catalogueTables, options, &error)) << c.body.constData();
        EXPECT_LT(timer.elapsed(), 8000) << c.body.constData();
        EXPECT_TRUE(error.contains(QString::fromUtf16(c.expected))) << error.toStdString();
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(file))) << error.toStdString();
    }

    MdbReadProcess::Options stopped;
    stopped.program = script(dir, "exec sleep 60");
    std::atomic<bool> stop { false };
    stopped.stop = &stop;
    std::unique_ptr<QThread> user(QThread::create([&stop] {
        QThread::msleep(300);
        stop = true;
    }));
    user->start();
    QElapsedTimer timer;
    timer.start();
    QString error;
    EXPECT_FALSE(MdbReadProcess::read(file, catalogueTables, stopped, &error));
    user->wait();
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_EQ(error, MdbReadProcess::stoppedMessage(file));

    stopped.program = dir.filePath(QStringLiteral("missing-helper"));
    EXPECT_FALSE(MdbReadProcess::read(file, catalogueTables, stopped, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("找不到读取旧版数据库的程序"))) << error.toStdString();
}

} // namespace

namespace {

// A frame as the helper writes one: its payload's length, its kind, the payload.
QByteArray frame(MdbWire::Kind kind, const std::function<void(QDataStream&)>& payload)
{
    QByteArray body;
    {
        QDataStream out(&body, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_4);
        payload(out);
    }
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << quint32(body.size()) << quint8(kind);
    return bytes + body;
}

} // namespace

// The helper's tables cross whole; a damaged count of names, rows or values, or a value of a kind
// the helper never sends, breaks the stream instead of asking for gigabytes of memory.
TEST(MdbWire, TablesCrossWholeAndDamagedCountsBreakTheStream)
{
    LegacyTable table;
    table.columns = QStringList { QStringLiteral("ID"), QStringLiteral("MovieName"), QStringLiteral("Seen") };
    table.rows = { { qint64(1), QStringLiteral("影片😀"), true }, { 2.5, QVariant(), QByteArray("\0\1", 2) },
        { QDateTime(QDate(2007, 12, 6), QTime(19, 15, 3)), QString(), false } };
    QByteArray sent;
    {
        QBuffer out(&sent);
        out.open(QIODevice::WriteOnly);
        ASSERT_TRUE(MdbWire::writeTable(out, QStringLiteral("ReelShelfIndex"), table));
    }
    MdbWire::FrameReader whole;
    whole.append(sent);
    const auto read = whole.next();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->text, QStringLiteral("ReelShelfIndex"));
    EXPECT_EQ(read->table.columns, table.columns);
    EXPECT_EQ(read->table.rows, table.rows);

    const QByteArray damaged[] = {
        frame(MdbWire::Kind::Names,
            [](QDataStream& out) { out << quint32(0x7fffffff) << QStringLiteral("A"); }),
        frame(MdbWire::Kind::Table,
            [](QDataStream& out) {
                out << QStringLiteral("T") << QStringList { QStringLiteral("A") } << quint32(0x7fffffff);
            }),
        frame(MdbWire::Kind::Table,
            [](QDataStream& out) {
                out << QStringLiteral("T") << QStringList { QStringLiteral("A") } << quint32(1)
                    << quint32(0x7ffffff0);
            }),
        frame(MdbWire::Kind::Table,
            [](QDataStream& out) {
                out << QStringLiteral("T") << QStringList { QStringLiteral("A") } << quint32(1) << quint32(1)
                    << quint32(QMetaType::QStringList) << qint8(0) << quint32(0x7fffffff);
            }),
    };
    for (const QByteArray& bytes : damaged) {
        MdbWire::FrameReader reader;
        reader.append(bytes);
        EXPECT_FALSE(reader.next());
        EXPECT_TRUE(reader.broken());
    }
}
