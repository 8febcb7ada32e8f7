#include "settings.h"

#include "colournumber.h"
#include "textrules.h"

#include <QFile>
#include <sys/stat.h>

namespace {

// Everything that changes when the file is replaced or rewritten, to the nanosecond.
std::array<qint64, 6> stampOf(const QString& path)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return { -1, -1, -1, -1, -1, -1 };
    return { qint64(st.st_dev), qint64(st.st_ino), qint64(st.st_size),
        qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
        qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec, qint64(st.st_mode) };
}

} // namespace

Settings::Settings(const QString& iniPath)
    : path_(iniPath)
{
}

const IniFile::Document& Settings::shipped()
{
    // Read-only after the first use; the resource never changes while the program runs.
    static const IniFile::Document defaults = [] {
        QFile file(QStringLiteral(":/defaults/RSISet.ini"));
        return IniFile::Document::fromBytes(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    }();
    return defaults;
}

const IniFile::Document& Settings::document() const
{
    const Stamp now = stampOf(path_);
    if (!loaded_ || now != stamp_) {
        problem_.clear();
        IniFile::load(path_, &document_, &problem_);
        ++loads_;
        stamp_ = now;
        loaded_ = true;
    }
    return document_;
}

QString Settings::problem() const
{
    document();
    return problem_;
}

std::optional<QString> Settings::value(const QString& section, const QString& key) const
{
    return document().value(section, key);
}

QString Settings::text(const QString& section, const QString& key) const
{
    return value(section, key).value_or(QString(QLatin1String("")));
}

bool Settings::isOn(const QString& section, const QString& key, bool fallback) const
{
    double number = 0;
    if (!TextRules::isWholeNumber(text(section, key), &number))
        return fallback;
    return number == 1.0;
}

bool Settings::isOn(const QString& section, const QString& key) const
{
    return switchNumber(section, key) == 1.0;
}

double Settings::switchNumber(const QString& section, const QString& key) const
{
    double number = 0;
    if (TextRules::isWholeNumber(text(section, key), &number))
        return number;
    if (TextRules::isWholeNumber(shipped().value(section, key).value_or(QString()), &number))
        return number;
    return 0;
}

quint32 Settings::colour(const QString& key) const
{
    const QString shippedText = shipped().value(mainSection(), key).value_or(QString());
    // A hand-edited "-1" or "1e20" is no colour; it reads as the shipped one.
    if (const auto stored = value(mainSection(), key))
        if (const auto number = ColourNumber::read(*stored))
            return *number;
    return ColourNumber::read(shippedText).value_or(0);
}

bool Settings::autoOpen() const
{
    return isOn(mainSection(), QStringLiteral("AutoOpen"));
}

int Settings::columnWidthTwips(int settingsNumber) const
{
    const QString n = QString::number(settingsNumber);
    if (!isOn(columnSection(), QStringLiteral("Colum") + n))
        return 0;
    const QString key = QStringLiteral("ColumLen") + n;
    const QString width
        = value(columnSection(), key).value_or(shipped().value(columnSection(), key).value_or(QString()));
    return TextRules::toInt16(TextRules::numericValue(width));
}
