#include "settings.h"

#include "inifile.h"
#include "textrules.h"

QString Settings::text(const QString& section, const QString& key) const
{
    return IniFile::readIniString(section, key, path_);
}

bool Settings::isOn(const QString& section, const QString& key, bool fallback) const
{
    double value = 0;
    if (!TextRules::isWholeNumber(text(section, key), &value))
        return fallback;
    return value == 1.0;
}

quint32 Settings::colour(const QString& key) const
{
    return quint32(TextRules::toInt32(TextRules::numericValue(text(mainSection(), key))));
}

bool Settings::autoOpen() const
{
    return isOn(mainSection(), QStringLiteral("AutoOpen"), false);
}

bool Settings::shippedColumnShown(int settingsNumber)
{
    return (settingsNumber >= 0 && settingsNumber <= 7) || settingsNumber == 12 || settingsNumber == 13;
}

int Settings::columnWidthTwips(int settingsNumber) const
{
    const QString n = QString::number(settingsNumber);
    if (!isOn(columnSection(), QStringLiteral("Colum") + n, shippedColumnShown(settingsNumber)))
        return 0;
    return TextRules::toInt16(TextRules::numericValue(text(columnSection(), QStringLiteral("ColumLen") + n)));
}
