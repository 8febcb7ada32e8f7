#pragma once

#include "media/mediafacts.h"

#include <QByteArray>
#include <optional>

// Reads a movie file's facts with MediaInfo, feeding it the file ourselves: the name is opened by
// its bytes (whatever their encoding), only plain files are read (a pipe or a device would never
// end), and a read error ends the reading with its errno instead of a guess.
struct MediaRead
{
    enum class Problem { None, Open, NotPlain, Read, Unknown };
    std::optional<MediaFacts> facts;
    Problem problem = Problem::None;
    int error = 0; // errno of Open and Read
};

MediaRead readMediaFacts(const QByteArray& rawPath);
