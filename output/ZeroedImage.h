#pragma once
// Images whose pixels start as the kernel's zero pages. A page of the plate
// that is never painted is never written, so it costs no resident memory and
// no clearing: a job that prints a small part uses little more than the rows
// it paints, whatever the printer's grid.

#include <QImage>

namespace Voxmill {

// A width x height image of format, every byte 0 (padding included), with
// the row stride QImage itself would choose. Throws std::bad_alloc when the
// system has no room for it.
QImage zeroedImage(int width, int height, QImage::Format format);

} // namespace Voxmill
