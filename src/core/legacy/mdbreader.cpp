#include "mdbreader.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <vector>

// glib first: mdbtools.h uses its types without including it in every configuration.
#include <glib.h>
#include <locale.h>
#include <mdbtools.h>

#include <cstdlib>
#include <cstring>
#include <iconv.h>

namespace {

// Long enough for any text column of Access (255 characters) in UTF-8; libmdb never writes past it.
constexpr size_t bindSize = 256 * 1024;
// A memo or OLE value is at most 16 MB here: Access itself stops memos typed in at 65,535 characters.
constexpr quint32 longValueLimit = 16 * 1024 * 1024;
constexpr char dateFormat[] = "%Y-%m-%d %H:%M:%S";
// Row offsets on a data page carry two flags: a moved row leaves a pointer behind (skipped, the
// row itself is read where it now lies) and a deleted row has both bits.
constexpr int movedRowFlag = 0x4000;
constexpr int catalogueTablePage = 2;
constexpr unsigned systemObjectFlags = 0x80000002u;

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

QString rowCountMessage(
    const QString& path, const QString& table, qint64 stored, qint64 read, qint64 unreadable)
{
    return QStringLiteral(
        "旧版数据库文件 %1 已损坏：表 %2 的表定义记有 %3 行，读出 %4 行，另有 %5 行无法读取。"
        "没有导入任何内容。")
        .arg(shown(path), table)
        .arg(stored)
        .arg(read)
        .arg(unreadable);
}

QString longValueMessage(const QString& path, const QString& table, qint64 row, const QString& field)
{
    return QStringLiteral(
        "旧版数据库文件 %1 已损坏：表 %2 第 %3 行字段 %4 的内容无法完整读取（数据页的链接断开或"
        "绕回了自身）。没有导入任何内容。")
        .arg(shown(path), table)
        .arg(row)
        .arg(field);
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

// A table's definition with its columns, or null when it is damaged. An empty usage map (the list
// of the table's pages) libmdb keeps as no map at all and then reads through a null pointer.
TablePtr readDefinition(MdbCatalogEntry* entry)
{
    TablePtr table(mdb_read_table(entry));
    if (!table || !table->usage_map || table->map_sz < 1 || !mdb_read_columns(table.get()))
        return nullptr;
    return table;
}

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

MdbColumn* columnAt(MdbTableDef* table, guint i)
{
    return static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
}

bool isLongValue(const MdbColumn* col)
{
    return col->col_type == MDB_MEMO || col->col_type == MDB_OLE;
}

// A memo or OLE value as stored: inline after its 12-byte header, in one row of a long-value page,
// or in a chain of such rows each naming the next. libmdb follows a chain until it ends and never
// notices one that comes back to a row it has read; this reader stops there, and at a chain that
// leaves the file or holds more or less than the header says.
std::optional<QByteArray> readLongValue(MdbHandle* mdb, int start, int size)
{
    if (size < MDB_MEMO_OVERHEAD)
        return QByteArray();
    const quint32 head = quint32(mdb_get_int32(mdb->pg_buf, start));
    const gint32 first = gint32(mdb_get_int32(mdb->pg_buf, start + 4));
    if (head & 0x80000000u)
        return QByteArray(
            reinterpret_cast<const char*>(mdb->pg_buf) + start + MDB_MEMO_OVERHEAD, size - MDB_MEMO_OVERHEAD);
    void* buf = nullptr;
    int offset = 0;
    size_t length = 0;
    if (head & 0x40000000u) {
        if (mdb_find_pg_row(mdb, first, &buf, &offset, &length) != 0)
            return std::nullopt;
        return QByteArray(static_cast<const char*>(buf) + offset, qsizetype(length));
    }
    if ((head & 0xff000000u) != 0 || head > longValueLimit || first == 0)
        return std::nullopt;
    QByteArray value;
    value.reserve(qsizetype(head));
    QSet<gint32> visited;
    for (gint32 at = first; at != 0;) {
        if (visited.contains(at))
            return std::nullopt;
        visited.insert(at);
        if (mdb_find_pg_row(mdb, at, &buf, &offset, &length) != 0 || length < 4)
            return std::nullopt;
        const char* row = static_cast<const char*>(buf) + offset;
        if (quint64(value.size()) + length - 4 > head)
            return std::nullopt;
        value.append(row + 4, qsizetype(length - 4));
        at = gint32(mdb_get_int32(buf, offset));
    }
    if (quint32(value.size()) != head)
        return std::nullopt;
    return value;
}

QString decodeText(MdbHandle* mdb, const QByteArray& stored)
{
    // A compressed or two-byte character becomes at most three bytes of UTF-8.
    std::vector<char> text(size_t(stored.size()) * 3 + 16, '\0');
    mdb_unicode2ascii(mdb, stored.constData(), size_t(stored.size()), text.data(), text.size());
    return QString::fromUtf8(text.data(), qsizetype(strnlen(text.data(), text.size())));
}

// The rows a full walk of `table` must hand out: every slot on the table's own data pages that
// is not left behind by a moved or deleted row. A slot libmdb cannot make sense of it skips in
// silence; comparing with what it handed out finds those. -1 for a page too damaged to count.
qint64 storedRows(MdbTableDef* table, qint64 filePages)
{
    MdbHandle* mdb = table->entry->mdb;
    const int countAt = mdb->fmt->row_count_offset;
    const auto pageSize = mdb->fmt->pg_size;
    const long owner = long(table->entry->table_pg);
    qint64 rows = 0;
    guint32 page = 0;
    bool byMap = true;
    for (;;) {
        gint32 next = byMap ? mdb_map_find_next(mdb, table->usage_map, guint(table->map_sz), page) : -1;
        if (next < 0) {
            // A map of a kind libmdb does not know: it then reads every page after the last one.
            byMap = false;
            next = qint64(page) + 1 < filePages ? gint32(page + 1) : 0;
        }
        if (next <= 0 || guint32(next) <= page)
            break;
        page = guint32(next);
        if (mdb_read_pg(mdb, page) != pageSize)
            break; // libmdb stops at a page it cannot read, and so do the rows it hands out
        if (mdb->pg_buf[0] != MDB_PAGE_DATA || mdb_get_int32(mdb->pg_buf, 4) != owner)
            continue;
        // A count the page cannot hold is damage; its slots would be read past the page.
        const int slotCount = mdb_get_int16(mdb->pg_buf, countAt);
        if (slotCount < 0 || countAt + 2 + 2 * qint64(slotCount) > pageSize)
            return -1;
        for (int i = 0; i < slotCount; ++i)
            if (!(mdb_get_int16(mdb->pg_buf, countAt + 2 + 2 * i) & movedRowFlag))
                ++rows;
    }
    return rows;
}

// A long value of the current row, read past libmdb; nullopt when its chain is damaged.
std::optional<QVariant> longValue(MdbHandle* mdb, const MdbColumn* col)
{
    // A null value and an empty one both come as zero bytes; both read as null.
    if (col->cur_value_len <= 0)
        return QVariant();
    const auto stored = readLongValue(mdb, col->cur_value_start, col->cur_value_len);
    if (!stored)
        return std::nullopt;
    if (col->col_type == MDB_OLE)
        return QVariant(*stored);
    const QString text = decodeText(mdb, *stored);
    return text.isEmpty() ? QVariant() : QVariant(text);
}

// A value libmdb wrote as text into the column's buffer; `ok` false for a number it cannot read.
QVariant boundValue(int type, const QByteArray& text, bool* ok)
{
    *ok = true;
    switch (type) {
    case MDB_TEXT:
    case MDB_REPID:
        return QString::fromUtf8(text);
    case MDB_BOOL:
        return text == "1";
    case MDB_DATETIME:
        return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case MDB_BINARY:
        return text;
    default:
        return numberValue(type, text, ok);
    }
}

} // namespace

struct MdbReader::Handle
{
    MdbHandle* mdb = nullptr;
    qint64 filePages = 0;
    // Our own list of the file's objects. libmdb's catalogue read also decodes every object's
    // property blob, and a damaged blob sends it round a chain for ever; the tables need none.
    std::vector<std::unique_ptr<MdbCatalogEntry>> catalogue;
    ~Handle()
    {
        if (mdb)
            mdb_close(mdb);
    }
};

namespace {

// Fetches every row of `table`, calling `onRow` after each (false stops with its message), and
// checks that the rows match the count the table's definition keeps and the rows its pages hold.
bool walkRows(MdbTableDef* table, qint64 filePages, const QString& path, const QString& name,
    const std::function<bool(qint64 row)>& onRow, QString* error)
{
    const qint64 stored = table->num_rows;
    qint64 read = 0;
    mdb_rewind_table(table);
    while (mdb_fetch_row(table)) {
        ++read;
        if (read > stored) {
            *error = rowCountMessage(path, name, stored, read, 0);
            return false;
        }
        if (!onRow(read))
            return false;
    }
    const qint64 onPages = storedRows(table, filePages);
    if (read != stored || onPages != read) {
        *error = rowCountMessage(path, name, stored, read, qMax<qint64>(0, onPages - read));
        return false;
    }
    return true;
}

bool readCatalogue(MdbReader::Handle& handle, const QString& path, QString* error)
{
    auto self = std::make_unique<MdbCatalogEntry>();
    self->mdb = handle.mdb;
    self->object_type = MDB_TABLE;
    self->table_pg = catalogueTablePage;
    self->flags = int(systemObjectFlags);
    std::strncpy(self->object_name, "MSysObjects", MDB_MAX_OBJ_NAME);
    const TablePtr table = readDefinition(self.get());
    if (!table) {
        *error = damagedMessage(path);
        return false;
    }
    std::vector<char> id(bindSize), name(bindSize), type(bindSize), flags(bindSize);
    const bool bound = mdb_bind_column_by_name(table.get(), const_cast<gchar*>("Id"), id.data(), nullptr) > 0
        && mdb_bind_column_by_name(table.get(), const_cast<gchar*>("Name"), name.data(), nullptr) > 0
        && mdb_bind_column_by_name(table.get(), const_cast<gchar*>("Type"), type.data(), nullptr) > 0
        && mdb_bind_column_by_name(table.get(), const_cast<gchar*>("Flags"), flags.data(), nullptr) > 0;
    if (!bound) {
        *error = damagedMessage(path);
        return false;
    }
    const auto onRow = [&](qint64) {
        const int kind = std::atoi(type.data()) & 0x7f;
        if (kind != MDB_TABLE)
            return true;
        auto entry = std::make_unique<MdbCatalogEntry>();
        entry->mdb = handle.mdb;
        entry->object_type = kind;
        entry->table_pg = std::strtoul(id.data(), nullptr, 10) & 0x00ffffff;
        entry->flags = int(std::strtol(flags.data(), nullptr, 10));
        std::strncpy(entry->object_name, name.data(), MDB_MAX_OBJ_NAME);
        handle.catalogue.push_back(std::move(entry));
        return true;
    };
    if (!walkRows(table.get(), handle.filePages, path, QStringLiteral("MSysObjects"), onRow, error))
        return false;
    handle.catalogue.insert(handle.catalogue.begin(), std::move(self));
    return true;
}

} // namespace

MdbReader::MdbReader(const QString& path, std::unique_ptr<Handle> handle)
    : path_(path)
    , handle_(std::move(handle))
{
}

MdbReader::~MdbReader() = default;

std::optional<QString> MdbReader::fileProblem(const QString& path)
{
    QString problem;
    const QFileInfo info(path);
    if (!info.exists())
        problem = QStringLiteral("找不到旧版数据库文件 %1。").arg(shown(path));
    else if (info.isDir())
        problem = QStringLiteral("%1 是文件夹，不是旧版数据库文件。").arg(shown(path));
    // A pipe or a device would never end; its size reads as nothing.
    else if (!info.isFile())
        problem
            = QStringLiteral("%1 不是普通文件（可能是管道或设备），不是旧版数据库文件。").arg(shown(path));
    else if (info.size() == 0)
        problem = QStringLiteral("旧版数据库文件 %1 是空文件。").arg(shown(path));
    else
        looksLikeJet(path, &problem);
    if (problem.isEmpty())
        return std::nullopt;
    return problem;
}

std::unique_ptr<MdbReader> MdbReader::open(const QString& path, QString* error)
{
    const QFileInfo info(path);
    QString problem = fileProblem(path).value_or(QString());
    auto handle = std::make_unique<Handle>();
    if (problem.isEmpty()) {
        handle->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
        if (!handle->mdb)
            problem = damagedMessage(path);
    }
    const auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        return nullptr;
    };
    if (!problem.isEmpty())
        return fail(problem);
    MdbHandle* mdb = handle->mdb;
    handle->filePages = info.size() / mdb->fmt->pg_size;
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
    if (mdb->iconv_in == iconv_t(-1))
        return fail(QStringLiteral("旧版数据库文件 %1 的代码页 %2 在本机无法转换。")
                        .arg(shown(path))
                        .arg(mdb->f->code_page));
    // Object names are texts too, so the catalogue is read once the code page is set.
    if (!readCatalogue(*handle, path, &problem))
        return fail(problem);
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
    for (const auto& entry : handle_->catalogue)
        if (mdb_is_user_table(entry.get()))
            names.append(QString::fromUtf8(entry->object_name));
    return names;
}

std::optional<LegacyTable> MdbReader::readTable(const QString& name, QString* error)
{
    QString problem;
    auto fail = [&](const QString& message) -> std::optional<LegacyTable> {
        if (error)
            *error = message;
        return std::nullopt;
    };
    MdbHandle* mdb = handle_->mdb;
    MdbCatalogEntry* found = nullptr;
    for (const auto& entry : handle_->catalogue) {
        // Access itself matches table names without regard to letter case.
        if (!found && QString::fromUtf8(entry->object_name).compare(name, Qt::CaseInsensitive) == 0)
            found = entry.get();
    }
    if (!found)
        return fail(QStringLiteral("旧版数据库 %1 中没有表 %2。").arg(shown(path_), name));
    const TablePtr table = readDefinition(found);
    if (!table)
        return fail(QStringLiteral("旧版数据库文件 %1 已损坏：表 %2 的表定义无法读取。没有导入任何内容。")
                        .arg(shown(path_), name));

    LegacyTable result;
    const guint count = table->num_cols;
    std::vector<std::vector<char>> buffers(count);
    std::vector<int> lengths(count, 0);
    for (guint i = 0; i < count; ++i) {
        MdbColumn* col = columnAt(table.get(), i);
        result.columns.append(QString::fromUtf8(col->name));
        // Long values are read here, not by libmdb (see readLongValue).
        if (isLongValue(col))
            continue;
        buffers[i].resize(bindSize + 1);
        mdb_bind_column(table.get(), int(i) + 1, buffers[i].data(), &lengths[i]);
    }

    const CNumericLocale cLocale;
    const auto onRow = [&](qint64 rowNumber) {
        if (tick_)
            tick_();
        QVariantList row;
        row.reserve(qsizetype(count));
        for (guint i = 0; i < count; ++i) {
            MdbColumn* col = columnAt(table.get(), i);
            const QString& field = result.columns.at(qsizetype(i));
            if (isLongValue(col)) {
                const auto value = longValue(mdb, col);
                if (!value) {
                    problem = longValueMessage(path_, name, rowNumber, field);
                    return false;
                }
                row.append(*value);
                continue;
            }
            const int length = lengths[i];
            // libmdb hands out a null field and a zero-length text alike, as zero bytes; both
            // read as null here. The program's own writers never store an empty text.
            if (length <= 0 && col->col_type != MDB_BOOL) {
                row.append(QVariant());
                continue;
            }
            if (size_t(length) >= bindSize - 1) {
                problem = QStringLiteral("旧版数据库 %1 的表 %2 中字段 %3 的内容过长，无法完整读取。")
                              .arg(shown(path_), name, field);
                return false;
            }
            const QByteArray text(buffers[i].data(), length);
            bool ok = false;
            const QVariant value = boundValue(col->col_type, text, &ok);
            if (!ok) {
                problem = QStringLiteral("旧版数据库 %1 的表 %2 中字段 %3 的数值“%4”无法读取。")
                              .arg(shown(path_), name, field, QString::fromUtf8(text));
                return false;
            }
            row.append(value);
        }
        result.rows.append(row);
        return true;
    };
    if (!walkRows(table.get(), handle_->filePages, path_, name, onRow, &problem))
        return fail(problem);
    return result;
}
