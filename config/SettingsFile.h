#pragma once
// Reading and writing settings as INI text.

#include <istream>

#include <QString>

#include "config/SliceConfig.h"

namespace Voxmill {

// Resets c to the defaults, applies every key that converts, then normalises.
// An unopenable file throws the file layer's error text; an INI syntax error
// throws the parser's message and leaves c untouched.
void readSettings(const QString& path, SliceConfig& c);
void readSettings(std::istream& in, SliceConfig& c);

// Writes a normalised copy of c in the fixed layout; c itself is not changed.
void writeSettings(const QString& path, const SliceConfig& c);

} // namespace Voxmill
