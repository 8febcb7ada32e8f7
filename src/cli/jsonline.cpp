#include "jsonline.h"

#include "store/textrules.h"

QString JsonLine::quoted(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'"':
            out += QStringLiteral("\\\"");
            break;
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20 || c == QChar(0x2028) || c == QChar(0x2029))
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += u'"';
    return out;
}

JsonLine& JsonLine::add(const QString& key, const QString& text)
{
    members_.emplace_back(key, quoted(text));
    return *this;
}

JsonLine& JsonLine::addNullable(const QString& key, const QVariant& value)
{
    members_.emplace_back(
        key, value.isNull() ? QStringLiteral("null") : quoted(TextRules::displayText(value)));
    return *this;
}

JsonLine& JsonLine::add(const QString& key, int number)
{
    members_.emplace_back(key, QString::number(number));
    return *this;
}

QString JsonLine::toString() const
{
    QString out = QStringLiteral("{");
    bool first = true;
    for (const auto& [key, value] : members_) {
        if (!first)
            out += QStringLiteral(", ");
        first = false;
        out += quoted(key) + QStringLiteral(": ") + value;
    }
    return out + u'}';
}
