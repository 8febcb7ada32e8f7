#pragma once

#include "media/mediaprobe.h"

#include <optional>

class QWidget;
struct AppContext;

// The editor's "从文件读取...": the user picks a movie file, and its facts are read beside the
// window (a file on a slow or failing disc must not freeze it). nullopt when nothing was picked.
std::optional<ProbeOutcome> pickAndReadFileFacts(AppContext& context, QWidget* parent);
