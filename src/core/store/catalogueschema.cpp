#include "catalogue.h"
#include "catalogueconnection.h"
#include "loans.h"
#include "mediatables.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace CatalogueDb;

namespace {

bool createSchema(QSqlDatabase& db, const QStringList& missingTables, bool withDefaults, QString* error,
    const QString& path)
{
    QSqlQuery q(db);
    if (!db.transaction()) {
        setError(error, writeError(path, db));
        return false;
    }
    const QStringList statements = Catalogue::schemaSql().split(u';', Qt::SkipEmptyParts);
    for (const QString& raw : statements) {
        const QString sql = raw.trimmed();
        if (sql.isEmpty())
            continue;
        bool wanted = false;
        for (const QString& table : missingTables)
            wanted = wanted || sql.startsWith(QStringLiteral("CREATE TABLE %1 ").arg(table));
        if (sql.startsWith(QStringLiteral("CREATE UNIQUE INDEX")))
            continue; // made below, where a failure is not fatal
        if (wanted && !q.exec(sql)) {
            setError(error, queryError(path, q));
            db.rollback();
            return false;
        }
    }
    if (withDefaults && missingTables.contains(QStringLiteral("MovieFileType"))
        && !insertDefaultFileTypes(q)) {
        setError(error, queryError(path, q));
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        setError(error, writeError(path, db));
        db.rollback();
        return false;
    }
    return true;
}

bool hasSqliteHeader(const QString& path, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        setError(error,
            f.error() == QFileDevice::PermissionsError || !QFileInfo(path).isReadable()
                ? QStringLiteral("没有读取目录数据库文件 %1 的权限。请允许读取该文件后再试。")
                      .arg(nativePath(path))
                : QStringLiteral("无法读取目录数据库文件 %1（%2）。").arg(nativePath(path), f.errorString()));
        return false;
    }
    const QByteArray head = f.read(16);
    if (head.isEmpty())
        return true; // an empty file is an empty database
    if (head != QByteArray("SQLite format 3\0", 16)) {
        setError(error,
            QStringLiteral("文件 %1 不是 ReelShelf Index 的目录数据库（不是 SQLite 数据库文件）。"
                           "程序不会改动它，请检查或移走这个文件。")
                .arg(nativePath(path)));
        return false;
    }
    return true;
}

} // namespace

QString Catalogue::schemaSql()
{
    return QStringLiteral(
        "CREATE TABLE DiskState (DiskNum TEXT, Name TEXT, DiskType TEXT, Station TEXT, PS TEXT, Fav TEXT);\n"
        "CREATE TABLE ReelShelfIndex (ID REAL, MovieName TEXT, Year TEXT, Filetype TEXT, Type TEXT,\n"
        "  Audio TEXT, SubTitile TEXT, Definition TEXT, MovieSize TEXT, FileNum TEXT, EngName TEXT,\n"
        "  Direct TEXT, Role TEXT, Company TEXT, Lastfor REAL, PS TEXT, Nation TEXT, DiskNum REAL,\n"
        "  Score REAL, Seen TEXT);\n"
        "CREATE UNIQUE INDEX ID ON ReelShelfIndex(ID);\n"
        "CREATE TABLE MovieFileType (Filetype TEXT, Selected TEXT, Memo TEXT);\n");
}

bool Catalogue::prepare(QString* error)
{
    const QFileInfo info(path_);
    const bool existed = info.exists();
    if (existed) {
        if (info.isDir()) {
            setError(error, QStringLiteral("%1 是一个文件夹，不是目录数据库文件。").arg(nativePath(path_)));
            return false;
        }
        // A pipe or a device under the catalogue's name would hang every read.
        if (!info.isFile()) {
            setError(error,
                QStringLiteral("%1 不是普通文件（可能是管道或设备），不是目录数据库文件。程序不会改动它。")
                    .arg(nativePath(path_)));
            return false;
        }
        if (!hasSqliteHeader(path_, error))
            return false;
    } else {
        const QFileInfo dir(info.absolutePath());
        if (!dir.isDir() || !dir.isWritable()) {
            setError(error,
                QStringLiteral(
                    "目录数据库文件 %1 不存在，而且无法在文件夹 %2 中创建它（文件夹不存在或不可写）。")
                    .arg(nativePath(path_), nativePath(info.absolutePath())));
            return false;
        }
        QFile create(path_);
        // Another program that made it in the meantime is no failure: its catalogue is opened.
        if (!create.open(QIODevice::WriteOnly | QIODevice::NewOnly) && !QFileInfo::exists(path_)) {
            setError(error,
                QStringLiteral(
                    "无法在文件夹 %2 中创建目录数据库文件 %1（%3）。请检查该文件夹的权限和剩余空间后再试。")
                    .arg(nativePath(path_), nativePath(info.absolutePath()), create.errorString()));
            return false;
        }
    }

    Connection c(path_);
    if (!c.ok()) {
        setError(error, c.error());
        return false;
    }
    QSet<QString> tables;
    {
        QSqlQuery q(c.db());
        if (!q.exec(QStringLiteral("SELECT name, type FROM sqlite_master"))) {
            setError(error, queryError(path_, q));
            return false;
        }
        // SQLite names match without regard to case: "diskstate" is our DiskState.
        while (q.next())
            tables.insert(q.value(0).toString().toLower() + u'\x1f' + q.value(1).toString());
    }
    auto has = [&](const QString& name, const QString& type) {
        return tables.contains(name.toLower() + u'\x1f' + type);
    };
    const QStringList ours
        = { QStringLiteral("DiskState"), QStringLiteral("ReelShelfIndex"), QStringLiteral("MovieFileType") };
    QStringList missing;
    for (const QString& t : ours)
        if (!has(t, QStringLiteral("table")))
            missing << t;
    if (missing.size() == ours.size() && !tables.isEmpty()) {
        setError(error,
            QStringLiteral(
                "文件 %1 "
                "是一个数据库，但其中没有影碟目录的数据表（DiskState、ReelShelfIndex、MovieFileType）。"
                "程序不会改动它。")
                .arg(nativePath(path_)));
        return false;
    }

    // The tables that are there must carry the fields we read and write.
    const std::pair<QString, QStringList> expected[] = {
        { QStringLiteral("DiskState"), discColumns },
        { QStringLiteral("ReelShelfIndex"), movieColumns() },
        { QStringLiteral("MovieFileType"), fileTypeColumns },
    };
    for (const auto& [table, columns] : expected) {
        if (missing.contains(table))
            continue;
        const QSqlRecord rec = c.db().record(table);
        QStringList absent;
        for (const QString& col : columns)
            if (rec.indexOf(col) < 0)
                absent << col;
        if (!absent.isEmpty()) {
            setError(error,
                QStringLiteral("目录数据库 %1 的数据表 %2 缺少字段：%3。程序不会改动它。")
                    .arg(nativePath(path_), table, absent.join(QStringLiteral("、"))));
            return false;
        }
    }

    if (!missing.isEmpty() && !createSchema(c.db(), missing, true, error, path_))
        return false;
    // Our own tables beside them; a catalogue that cannot be written still opens without them.
    {
        QString ignored;
        MediaTables::ensure(c.db(), path_, &ignored);
        Loans::ensure(c.db(), path_, &ignored);
    }
    if (!has(QStringLiteral("ID"), QStringLiteral("index"))) {
        // Best effort: a catalogue with duplicate numbers still opens, only without the index.
        QSqlQuery q(c.db());
        q.exec(QStringLiteral("CREATE UNIQUE INDEX ID ON ReelShelfIndex(ID)"));
    }
    return true;
}
