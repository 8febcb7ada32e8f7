#include "mdbreader.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <vector>

// glib first: mdbtools.h uses its types without including it in every configuration.
#include <glib.h>
#include <locale.h>
#include <mdbtools.h>

#include <cstdlib>
#include <iconv.h>

namespace {

// Long enough for a memo of 65,535 characters in UTF-8; libmdb never writes past it.
constexpr size_t bindSize = 256 * 1024;
constexpr char dateFormat[] = "%Y-%m-%d %H:%M:%S";

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString notMdbMessage(const QString& path)
{
    return QStringLiteral("%1 不是 Access 数据库文件（*.mdb），无法导入。").arg(shown(path));
}

QString damagedMessage(const QString& path)
{
    return QStringLiteral("旧版数据库文件 %1 不完整或已损坏，无法读取。").arg(shown(path));
}

// libmdb prints numbers with the current numeric locale; a German desktop would give "7,5".
class CNumericLocale
{
public:
    CNumericLocale()
    {
        locale_t base = duplocale(uselocale(locale_t(nullptr)));
        if (!base)
            return;
        c_ = newlocale(LC_NUMERIC_MASK, "C", base);
        if (!c_) {
            freelocale(base);
            return;
        }
        previous_ = uselocale(c_);
    }
    ~CNumericLocale()
    {
        if (!c_)
            return;
        uselocale(previous_);
        freelocale(c_);
    }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    locale_t c_ = nullptr;
    locale_t previous_ = nullptr;
};

struct TableCloser
{
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using TablePtr = std::unique_ptr<MdbTableDef, TableCloser>;

// What a file must begin with to be worth handing to libmdb: a version word of 0x100 and the
// Jet signature, and at least one whole page.
bool looksLikeJet(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法读取旧版数据库文件 %1（没有读取权限或文件被占用）。").arg(shown(path));
        return false;
    }
    const QByteArray head = file.read(0x20);
    static const QByteArray magic("\x00\x01\x00\x00Standard Jet DB", 19);
    if (head.size() < 0x18 || !head.startsWith(magic)) {
        *error = notMdbMessage(path);
        return false;
    }
    const quint32 version = quint8(head[0x14]) | quint8(head[0x15]) << 8 | quint8(head[0x16]) << 16
        | quint32(quint8(head[0x17])) << 24;
    const qint64 page = version == MDB_VER_JET3 ? 2048 : 4096;
    if (file.size() < 2 * page || file.size() % page != 0) {
        *error = damagedMessage(path);
        return false;
    }
    return true;
}

void reopenIconv(iconv_t& handle, const char* to, const char* from)
{
    if (handle != iconv_t(-1))
        iconv_close(handle);
    handle = iconv_open(to, from);
}

QVariant numberValue(int type, const QByteArray& text, bool* ok)
{
    switch (type) {
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_COMPLEX:
        return text.toLongLong(ok);
    default:
        return text.toDouble(ok);
    }
}

} // namespace

struct MdbReader::Handle
{
    MdbHandle* mdb = nullptr;
    ~Handle()
    {
        if (mdb)
            mdb_close(mdb);
    }
};

MdbReader::MdbReader(const QString& path, std::unique_ptr<Handle> handle)
    : path_(path)
    , handle_(std::move(handle))
{
}

MdbReader::~MdbReader() = default;

std::unique_ptr<MdbReader> MdbReader::open(const QString& path, QString* error)
{
    QString problem;
    const QFileInfo info(path);
    if (!info.exists())
        problem = QStringLiteral("找不到旧版数据库文件 %1。").arg(shown(path));
    else if (info.isDir())
        problem = QStringLiteral("%1 是文件夹，不是旧版数据库文件。").arg(shown(path));
    else if (info.size() == 0)
        problem = QStringLiteral("旧版数据库文件 %1 是空文件。").arg(shown(path));
    if (problem.isEmpty())
        looksLikeJet(path, &problem);
    auto handle = std::make_unique<Handle>();
    if (problem.isEmpty()) {
        handle->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
        if (!handle->mdb || !mdb_read_catalog(handle->mdb, MDB_ANY))
            problem = damagedMessage(path);
    }
    if (!problem.isEmpty()) {
        if (error)
            *error = problem;
        return nullptr;
    }
    MdbHandle* mdb = handle->mdb;
    mdb_set_bind_size(mdb, bindSize);
    mdb_set_date_fmt(mdb, dateFormat);
    mdb_set_shortdate_fmt(mdb, dateFormat);
    mdb_set_boolean_fmt_numbers(mdb);
    // Texts come to us as UTF-8 whatever MDBICONV says. A Jet 3 file stores bytes of the code page
    // its header names (936 for a Chinese catalogue); libmdb would take CP1252 or a process-wide
    // variable, so this handle gets the header's code page. Without one, libmdb's default stays.
    if (mdb->f->jet_version == MDB_VER_JET3) {
        if (mdb->f->code_page != 0) {
            const QByteArray page = "CP" + QByteArray::number(mdb->f->code_page);
            reopenIconv(mdb->iconv_in, "UTF-8", page.constData());
            reopenIconv(mdb->iconv_out, page.constData(), "UTF-8");
        }
    } else {
        reopenIconv(mdb->iconv_in, "UTF-8", "UCS-2LE");
        reopenIconv(mdb->iconv_out, "UCS-2LE", "UTF-8");
    }
    if (mdb->iconv_in == iconv_t(-1)) {
        if (error)
            *error = QStringLiteral("旧版数据库文件 %1 的代码页 %2 在本机无法转换。")
                         .arg(shown(path))
                         .arg(mdb->f->code_page);
        return nullptr;
    }
    return std::unique_ptr<MdbReader>(new MdbReader(path, std::move(handle)));
}

bool MdbReader::isJet3() const
{
    return handle_->mdb->f->jet_version == MDB_VER_JET3;
}

int MdbReader::codePage() const
{
    return handle_->mdb->f->code_page;
}

QStringList MdbReader::tableNames() const
{
    QStringList names;
    GPtrArray* catalog = handle_->mdb->catalog;
    for (guint i = 0; catalog && i < catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
            names.append(QString::fromUtf8(entry->object_name));
    }
    return names;
}

std::optional<LegacyTable> MdbReader::readTable(const QString& name, QString* error)
{
    auto fail = [&](const QString& message) -> std::optional<LegacyTable> {
        if (error)
            *error = message;
        return std::nullopt;
    };
    MdbHandle* mdb = handle_->mdb;
    MdbCatalogEntry* found = nullptr;
    GPtrArray* catalog = mdb->catalog;
    for (guint i = 0; catalog && i < catalog->len && !found; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
        // Access itself matches table names without regard to letter case.
        if (entry->object_type == MDB_TABLE
            && QString::fromUtf8(entry->object_name).compare(name, Qt::CaseInsensitive) == 0)
            found = entry;
    }
    if (!found)
        return fail(QStringLiteral("旧版数据库 %1 中没有表 %2。").arg(shown(path_), name));
    TablePtr table(mdb_read_table(found));
    if (!table || !mdb_read_columns(table.get()))
        return fail(damagedMessage(path_));
    mdb_rewind_table(table.get());

    LegacyTable result;
    const guint count = table->num_cols;
    std::vector<std::vector<char>> buffers(count, std::vector<char>(bindSize + 1));
    std::vector<int> lengths(count, 0);
    for (guint i = 0; i < count; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        result.columns.append(QString::fromUtf8(col->name));
        mdb_bind_column(table.get(), int(i) + 1, buffers[i].data(), &lengths[i]);
    }

    const CNumericLocale cLocale;
    while (mdb_fetch_row(table.get())) {
        QVariantList row;
        row.reserve(qsizetype(count));
        for (guint i = 0; i < count; ++i) {
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
            const int length = lengths[i];
            const char* data = buffers[i].data();
            // libmdb hands out a null field and a zero-length text alike, as zero bytes; both
            // read as null here. The program's own writers never store an empty text.
            if (length <= 0 && col->col_type != MDB_BOOL) {
                row.append(QVariant());
                continue;
            }
            if (size_t(length) >= bindSize - 1)
                return fail(QStringLiteral("旧版数据库 %1 的表 %2 中字段 %3 的内容过长，无法完整读取。")
                                .arg(shown(path_), name, result.columns.at(qsizetype(i))));
            const QByteArray text(data, length);
            switch (col->col_type) {
            case MDB_TEXT:
            case MDB_MEMO:
            case MDB_REPID:
                row.append(QString::fromUtf8(text));
                break;
            case MDB_BOOL:
                row.append(text == "1");
                break;
            case MDB_DATETIME:
                row.append(
                    QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm:ss")));
                break;
            case MDB_BINARY:
                row.append(text);
                break;
            case MDB_OLE: {
                size_t size = 0;
                void* ole = mdb_ole_read_full(mdb, col, &size);
                row.append(ole ? QByteArray(static_cast<const char*>(ole), qsizetype(size)) : QByteArray());
                std::free(ole);
                break;
            }
            default: {
                bool ok = false;
                const QVariant number = numberValue(col->col_type, text, &ok);
                if (!ok)
                    return fail(QStringLiteral("旧版数据库 %1 的表 %2 中字段 %3 的数值“%4”无法读取。")
                                    .arg(shown(path_), name, result.columns.at(qsizetype(i)),
                                        QString::fromUtf8(text)));
                row.append(number);
            }
            }
        }
        result.rows.append(row);
    }
    return result;
}
