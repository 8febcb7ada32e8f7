#include "catalogueexport.h"

#include "textlist.h"
#include "xlsworkbook.h"

#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/safewrite.h"
#include "store/textrules.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>

namespace CatalogueExport {

namespace {

const QString notWritten = QStringLiteral("数据没有转换。");

Result failure(const QString& path, const QString& message)
{
    Result r;
    r.path = path;
    r.message = message;
    return r;
}

bool isNumberField(MovieField f)
{
    return f == MovieField::ID || f == MovieField::Lastfor || f == MovieField::DiskNum
        || f == MovieField::Score;
}

// The whole movie table as worksheets: a header row of the field names on each, then the
// values as stored.
std::optional<XlsWorkbook> workbookOf(const Catalogue& catalogue, int* cutCells, QString* error)
{
    XlsWorkbook book;
    int row = XlsWorkbook::maxRows;
    const auto startSheet = [&] {
        book.addSheet(sheetName(book.sheetCount()));
        for (int c = 0; c < MovieFieldCount; ++c)
            book.setText(0, c, movieFieldName(MovieField(c)));
        row = 1;
    };
    startSheet();
    const bool read = catalogue.forEachStoredMovie(
        std::nullopt,
        [&](const StoredMovie& m) {
            if (row > moviesPerSheet)
                startSheet();
            for (int c = 0; c < MovieFieldCount; ++c) {
                const StoredValue& v = m[size_t(c)];
                if (v.kind == StoredValue::Number) {
                    // A text field that holds a number keeps it as the text the table gives.
                    if (isNumberField(MovieField(c)))
                        book.setNumber(row, c, v.number);
                    else
                        book.setText(row, c, TextRules::shortestDecimal(v.number));
                } else if (v.kind == StoredValue::Text) {
                    bool cut = false;
                    book.setText(row, c, TextRules::decodeUtf8(v.utf8), &cut);
                    *cutCells += cut ? 1 : 0;
                }
            }
            ++row;
            return true;
        },
        error);
    if (!read)
        return std::nullopt;
    return book;
}

// Writes the file whole or not at all; a stamped name never replaces a file made meanwhile.
Result writeFile(const QString& path, bool overwrite, const SafeWrite::Writer& content)
{
    const auto written = SafeWrite::writeFile(
        path, content, overwrite ? SafeWrite::Existing::Replace : SafeWrite::Existing::Keep);
    if (written.cause == SafeWrite::Cause::AlreadyExists)
        return failure(path,
            QStringLiteral("文件 %1 已经存在,无法替换。").arg(QDir::toNativeSeparators(path)) + notWritten);
    if (!written.ok())
        return failure(path, written.message + notWritten);
    Result r;
    r.ok = true;
    r.path = path;
    return r;
}

} // namespace

QString sheetName(int index)
{
    const QString base = QString::fromUtf16(baseName);
    return index == 0 ? base : base + u'_' + QString::number(index + 1);
}

QString outputFolder(const DataFolder& data, const QString& chosen)
{
    if (chosen.isEmpty())
        return QDir::cleanPath(data.outputsDir());
    return QDir::cleanPath(chosen);
}

QString fileName(Format format, bool overwrite, const QDateTime& now)
{
    QString name = QString::fromUtf16(baseName);
    if (!overwrite)
        name += u'_' + now.toString(QStringLiteral("yyMMddHHmmss"));
    return name + (format == Format::Text ? QStringLiteral(".txt") : QStringLiteral(".xls"));
}

QString successMessage(int cutCells)
{
    QString text = QStringLiteral("数据转换成功!");
    if (cutCells > 0)
        text += QStringLiteral("\n有 %1 个单元格的文字超过了 Excel 单元格的 32767 个字符,已被截断。")
                    .arg(cutCells);
    return text;
}

Result run(const DataFolder& data, const Request& request, const QDateTime& now, const QString& today)
{
    const QString folder = outputFolder(data, request.folder);
    const QString path = folder + u'/' + fileName(request.format, request.overwrite, now);
    // Our own Outputs folder belongs to the installation and may be made again; a folder the
    // user named is never created.
    if (request.folder.isEmpty() && !QFileInfo::exists(folder))
        QDir().mkpath(folder);
    const QFileInfo dir(folder);
    if (!dir.isDir()) {
        return failure(path,
            QStringLiteral("文件夹 %1 不存在,无法保存文件 %2 。")
                    .arg(QDir::toNativeSeparators(folder), QDir::toNativeSeparators(path))
                + notWritten);
    }

    const Catalogue catalogue(data.catalogueFile());
    QString error;
    const auto readFailed = [&] {
        return failure(path,
            QStringLiteral("读取影片数据库失败,文件 %1 没有生成:\n").arg(QDir::toNativeSeparators(path))
                + error);
    };
    Result r;
    int cutCells = 0;
    if (request.format == Format::Text) {
        const auto text = TextList::build(catalogue, today, &error);
        if (!text)
            return readFailed();
        r = writeFile(
            path, request.overwrite, [&](QIODevice& file) { return file.write(*text) == text->size(); });
    } else {
        const auto book = workbookOf(catalogue, &cutCells, &error);
        if (!book)
            return readFailed();
        r = writeFile(path, request.overwrite, [&](QIODevice& file) { return book->save(file); });
    }
    if (r.ok) {
        r.cutCells = cutCells;
        r.message = successMessage(cutCells);
    }
    return r;
}

} // namespace CatalogueExport
