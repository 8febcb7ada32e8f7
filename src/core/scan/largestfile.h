#pragma once

#include <QString>

// The full path of the largest file in `folder` (subfolders are not searched) whose name matches
// the wildcard pattern ("*.jpg"), letter case ignored; the empty text when there is none. Only a
// strictly larger file replaces the one found so far, so ties keep the first in name order and an
// empty file is never chosen. A non-empty matching file whose base name (the name less its last
// ".extension") equals `preferredBaseName`, letter case ignored, is taken before any larger one:
// the poster or text named after the movie file belongs to it.
QString findLargestFile(
    const QString& folder, const QString& pattern, const QString& preferredBaseName = QString());
