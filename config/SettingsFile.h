#pragma once
// Reading and writing settings as INI text.

#include <istream>

#include <QString>

#include "config/SliceConfig.h"

namespace Voxmill {

// Resets c to the defaults, applies every key whose value converts, then
// normalises. Values that do not convert keep their defaults, key by key.
// An unopenable file throws "<path>: <reason>"; an INI syntax error throws
// the parser's message ("<path>(<line>): <problem>"; "<unspecified file>"
// when read from a stream) and leaves c untouched. The stream is read to its
// end with only its bad state armed, so a read error escapes as thrown.
void readSettings(const QString& path, SliceConfig& c);
void readSettings(std::istream& in, SliceConfig& c);

// Writes a normalised copy of c in the fixed layout; c itself is not changed.
// A file that cannot be opened or written throws "<path>: <reason>".
void writeSettings(const QString& path, const SliceConfig& c);

} // namespace Voxmill
