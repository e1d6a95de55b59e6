#pragma once
// Readers of the model file formats; each returns a new model or throws
// std::runtime_error with the reader's message (std::ios_base::failure when a
// file ends before the data it declares).

#include <memory>
#include <vector>

#include <QString>

#include "model/SlcData.h"
#include "model/TriMesh.h"

namespace Voxmill {

std::unique_ptr<TriMesh> readStl(const QString& path);
std::unique_ptr<TriMesh> readZdm(const QString& path);
SlcData readSlc(const QString& path);

// The first half of readStl: the quantised triangle soup, three vertices per
// triangle, before welding.
std::vector<MeshVertex> readStlSoup(const QString& path);

} // namespace Voxmill
