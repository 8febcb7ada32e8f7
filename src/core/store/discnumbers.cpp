#include "discnumbers.h"

#include "textrules.h"

namespace DiscNumbers {

QString numberOf(const QVariant& diskNum)
{
    if (diskNum.isNull())
        return {};
    return TextRules::trimBlanks(diskNum.toString());
}

bool holdsMovie(QStringView discNumber, const StoredValue& movieDiskNum)
{
    return movieDiskNum.kind != StoredValue::Null && movieDiscNumber(movieDiskNum) == discNumber;
}

QString movieDiscNumber(const StoredValue& movieDiskNum)
{
    switch (movieDiskNum.kind) {
    case StoredValue::Number:
        return TextRules::shortestDecimal(movieDiskNum.number);
    case StoredValue::Text:
        return TextRules::trimmedUtf8(movieDiskNum.utf8);
    case StoredValue::Null:
        break;
    }
    return {};
}

namespace {

bool hasNonZeroDigit(const QString& text)
{
    for (QChar c : text) {
        if (c >= u'1' && c <= u'9')
            return true;
        if (c == u'e' || c == u'E')
            break;
    }
    return false;
}

// The form to offer instead of `number`: only for a text that is wholly a number, whose value
// did not overflow, and whose shortest form is plain digits.
QString plainForm(const QString& number)
{
    double value = 0;
    if (!TextRules::isWholeNumber(number, &value))
        return {};
    if (value == 0 && hasNonZeroDigit(number))
        return {}; // "1e999" reads as 0, which is not what the user meant
    const QString plain = TextRules::shortestDecimal(value);
    if (plain.contains(u'E'))
        return {};
    return plain;
}

} // namespace

Check check(const QString& text)
{
    Check result;
    result.number = TextRules::trimBlanks(text);
    if (result.number.isEmpty())
        return result;
    if (TextRules::shortestDecimal(TextRules::numericValue(result.number)) == result.number)
        return result;
    result.suggestion = plainForm(result.number);
    if (result.suggestion.isEmpty())
        result.error = QStringLiteral("光盘号“%1”无法使用：光盘号必须是一个不带前导零的普通数字，例如 12。")
                           .arg(result.number);
    else
        result.error = QStringLiteral("光盘号“%1”的写法不规范：光盘号必须是一个不带前导零的普通数字，"
                                      "请改为“%2”。")
                           .arg(result.number, result.suggestion);
    return result;
}

QString takenMessage(const QString& number)
{
    return QStringLiteral("已经存在光盘号为") + number + QStringLiteral("的光盘,请确认您输入的光盘号正确!");
}

} // namespace DiscNumbers
