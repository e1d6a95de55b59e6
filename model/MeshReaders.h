#pragma once
// Readers of the triangle mesh formats; each returns a new mesh or throws
// std::runtime_error with the reader's message.

#include <memory>

#include <QString>

#include "model/SlcData.h"
#include "model/TriMesh.h"

namespace Voxmill {

std::unique_ptr<TriMesh> readStl(const QString& path);
std::unique_ptr<TriMesh> readZdm(const QString& path);
SlcData readSlc(const QString& path);

} // namespace Voxmill
