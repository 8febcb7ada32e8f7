#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

class Catalogue;

// The plain text list of discs and the titles on each, as it is handed to friends: a header,
// then each disc with the movies whose disc number reads as the disc's. UTF-8, CR LF.
namespace TextList {

// `today` is the date as the user's short date format writes it.
std::optional<QByteArray> build(const Catalogue& catalogue, const QString& today, QString* error = nullptr);

} // namespace TextList
