#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

class QIODevice;

// An Excel 97-2003 workbook (BIFF8) built in memory: worksheets of number and text cells,
// written row by row, texts shared through one string table.
class XlsWorkbook
{
public:
    static constexpr int maxRows = 65536;
    static constexpr int maxColumns = 256;
    static constexpr int maxTextLength = 32767;

    // Starts a new worksheet; the cells that follow go into it. A name is cut to 31 characters,
    // never between the two halves of a character outside the basic plane.
    void addSheet(const QString& name);
    int sheetCount() const { return int(sheets_.size()); }

    // Cells of a sheet are added in row order, left to right within a row. A row or column out
    // of range is refused (false). A text longer than maxTextLength is cut to it and *cut set.
    bool setNumber(int row, int column, double value);
    bool setText(int row, int column, QStringView text, bool* cut = nullptr);

    // The workbook stream and the whole file.
    QByteArray workbookStream() const;
    bool save(QIODevice& device, QString* error = nullptr) const;

private:
    struct Sheet
    {
        QString name;
        QByteArray cells;
        int rows = 0; // one past the last row used
        int columns = 0;
    };

    bool place(int row, int column, quint16 type, quint16 bodySize);
    quint32 stringIndex(QStringView text);
    QList<QByteArray> globals(QList<qsizetype>* sheetEntries) const;
    QList<QByteArray> sharedStrings(qsizetype streamOffset) const;
    QList<QByteArray> streamPieces() const;

    QList<Sheet> sheets_;
    struct LongString
    {
        quint32 index;
        qsizetype offset;
        qsizetype size;
    };
    // Every text is stored once: short ones found by their text, long ones by a hash of their
    // stored bytes, so the long texts are never held twice.
    QHash<QString, quint32> shortStringIds_;
    QMultiHash<size_t, LongString> longStrings_;
    QByteArray strings_; // each string as the table holds it: length, flags, characters
    quint32 stringCount_ = 0;
    quint32 stringUses_ = 0;
};
