// reelshelf-probe: reads the facts of the movie files named on standard input (each name's bytes
// ended by a NUL) and writes one line of JSON for each, in order, on standard output, for the
// program that started it (see media/probeprocess.h). It runs in a process of its own so that a
// damaged file can hang or crash the reading without harm.
#include "mediainforeader.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <iostream>
#include <new>
#include <string>

namespace {

const char* problemName(MediaRead::Problem problem)
{
    switch (problem) {
    case MediaRead::Problem::Open:
        return "open";
    case MediaRead::Problem::NotPlain:
        return "notPlain";
    case MediaRead::Problem::Read:
        return "read";
    case MediaRead::Problem::Unknown:
        return "unknown";
    case MediaRead::Problem::None:
        break;
    }
    return nullptr;
}

bool writeLine(const MediaRead& read)
{
    QJsonObject line;
    QJsonObject facts;
    if (read.facts)
        MediaFactsJson::write(facts, read.facts);
    line.insert(QStringLiteral("facts"), read.facts ? QJsonValue(facts) : QJsonValue(QJsonValue::Null));
    if (const char* problem = problemName(read.problem)) {
        line.insert(QStringLiteral("problem"), QLatin1String(problem));
        line.insert(QStringLiteral("errno"), read.error);
    }
    const QByteArray bytes = QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size())
        && std::fflush(stdout) == 0;
}

} // namespace

int main()
{
    try {
        std::string name;
        while (std::getline(std::cin, name, '\0')) {
            if (!writeLine(readMediaFacts(QByteArray::fromStdString(name))))
                return 1;
        }
        return 0;
    } catch (const std::bad_alloc&) {
        // The memory limit was reached; the program that started us notices the missing line.
        return 3;
    }
}
