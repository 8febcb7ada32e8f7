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
    JsonLine& addBool(const QString& key, bool value); // not an overload: a char* would pick it
    QString toString() const;

    static QString quoted(const QString& text);

private:
    std::vector<std::pair<QString, QString>> members_;
};

class QTextStream;

// JSON Lines written straight into a UTF-8 buffer, for listings of many rows: the same text as
// JsonLine gives, without a string per value. Whatever is buffered goes out on flush or on
// destruction.
class JsonLinesWriter
{
public:
    explicit JsonLinesWriter(QTextStream& out);
    ~JsonLinesWriter();
    JsonLinesWriter(const JsonLinesWriter&) = delete;
    JsonLinesWriter& operator=(const JsonLinesWriter&) = delete;

    void beginObject();
    void member(QStringView key, QStringView text);
    void endObject(); // closes the object and its line
    void flush();

    // Appends `text` as a quoted JSON string in UTF-8.
    static void appendQuoted(QByteArray& out, QStringView text);

private:
    QTextStream& out_;
    QByteArray buffer_;
    bool first_ = true;
};
