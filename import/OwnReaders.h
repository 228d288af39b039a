// OwnReaders: the project's own reader of each format of the table that has one.
#pragma once

#include "import/Formats.h"
#include "import/ModelReader.h"

#include <memory>

namespace kalderino {

// A new reader of format, or null when the library reads it.
std::unique_ptr<ModelReader> ownReaderFor(const Format& format);

}  // namespace kalderino
