#pragma once

#include <QDateTime>
#include <QString>

class DataFolder;

// Writing the catalogue to a file for friends: where the file goes, what it is called, and
// writing it so that a failure leaves no file, or the previous one, behind.
namespace CatalogueExport {

enum class Format { Text, Excel };

struct Request
{
    Format format = Format::Text;
    bool overwrite = true; // one fixed name; otherwise a name stamped with the time
    QString folder; // the folder the user chose; empty for the data folder's Outputs
};

struct Result
{
    bool ok = false;
    QString path; // the file written, or the one that could not be written
    QString message; // the success message or what went wrong
    int cutCells = 0; // cells whose text was longer than a worksheet cell holds
};

inline constexpr char16_t baseName[] = u"ReelShelfIndex";
// The worksheet names: ReelShelfIndex, then ReelShelfIndex_2, _3 ... for more rows.
QString sheetName(int index);
// The movies a worksheet holds below its header row.
inline constexpr int moviesPerSheet = 65535;

// The folder the file goes into: the chosen one (with or without its trailing "/"), or Outputs.
QString outputFolder(const DataFolder& data, const QString& chosen);
// The file name: fixed, or stamped "YYMMDDHHMMSS" from `now`.
QString fileName(Format format, bool overwrite, const QDateTime& now);

// Runs the whole export. `today` is the date line of the text list.
Result run(const DataFolder& data, const Request& request, const QDateTime& now, const QString& today);

QString successMessage(int cutCells);

} // namespace CatalogueExport
