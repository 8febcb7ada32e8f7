#pragma once

#include <QString>
#include <QVariant>
#include <utility>
#include <vector>

// One JSON object on one line with its keys in the order given (a QJsonObject would sort them).
class JsonLine
{
public:
    JsonLine& add(const QString& key, const QString& text);
    JsonLine& addNullable(const QString& key, const QVariant& text); // null for a null value
    JsonLine& add(const QString& key, int number);
    QString toString() const;

    static QString quoted(const QString& text);

private:
    std::vector<std::pair<QString, QString>> members_;
};
