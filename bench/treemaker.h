#pragma once

#include <QString>
#include <optional>

struct DiscTreeStats
{
    int folders = 0;
    int files = 0;
    int movieFiles = 0; // files of the six types the scan benchmark selects
};

// Makes a folder tree like a shelf of burned discs below `root` (which must be missing or empty):
// `folders` folders (a few of them hidden), `files` files of movie, picture, text and subtitle
// types with realistic names (part marks, site tags, upper-case extensions) and sizes. Files are
// sparse, so the sizes cost no disk. The same seed gives the same tree.
std::optional<DiscTreeStats> makeDiscTree(
    const QString& root, int files, int folders, quint32 seed, QString* error);
