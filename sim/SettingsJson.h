// Reader settings from a JSON file: one reader object, or {"readers": [ ... ]}.
#pragma once

#include "sim/ReaderSettings.h"

#include <QString>

#include <vector>

// Every reader starts from the defaults (numbered: Reader-1, Reader-2, ...) and takes the keys
// the file gives. Unknown keys and out-of-range values are errors; keys beginning with "_" are
// comments.
bool LoadReadersJson(const QString& path, std::vector<sim::ReaderSettings>& readers,
                     QString& error);
