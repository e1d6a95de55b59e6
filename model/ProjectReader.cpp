#include "model/ProjectReader.h"

#include <cstring>
#include <sstream>
#include <stdexcept>

#include "base/VirtualFile.h"
#include "config/SettingsFile.h"
#include "model/BinaryInput.h"

namespace Voxmill {

namespace {

struct VkpHeader {
    int64_t settingsOffset;
    int32_t settingsLength;
    int64_t refTableOffset;
    int64_t modelTableOffset;
};

struct ModelRef {
    int32_t modelId;
    uint32_t refType;
    ModelTransform transform;
};

VkpHeader readHeader(BinaryInput& in) {
    unsigned char b[84];
    in.read(reinterpret_cast<char*>(b), sizeof b);
    if (std::memcmp(b, "vkp2.", 5) != 0) throw std::runtime_error("unsupported vkp file format");
    return {int64_t(loadU64(b + 40)), int32_t(loadU32(b + 48)), int64_t(loadU64(b + 68)),
            int64_t(loadU64(b + 76))};
}

// A negative count gets its own message rather than the length error of the
// list it would size.
uint32_t readCount(BinaryInput& in) {
    const int32_t n = in.i32();
    if (n < 0) throw std::runtime_error("invalid vkp count");
    return uint32_t(n);
}

std::vector<ModelRef> readRefs(BinaryInput& in, int64_t offset) {
    in.seek(offset);
    const uint32_t count = readCount(in);
    in.require(count, 72);
    std::vector<ModelRef> refs(count);
    in.records(count, 72, [&](const unsigned char* p, size_t i) {
        refs[i].modelId = int32_t(loadU32(p));
        refs[i].refType = loadU32(p + 4);
        for (size_t k = 0; k < 16; ++k) refs[i].transform[k] = loadF32(p + 8 + 4 * k);
    });
    return refs;
}

std::vector<int64_t> readModelOffsets(BinaryInput& in, int64_t offset) {
    in.seek(offset);
    const uint32_t count = readCount(in);
    in.require(count, 8);
    std::vector<int64_t> offsets(count);
    in.records(count, 8, [&](const unsigned char* p, size_t i) { offsets[i] = int64_t(loadU64(p)); });
    return offsets;
}

ProjectLoadCache::MeshKey meshKeyOf(const ModelRef& ref) {
    const ModelTransform& m = ref.transform;
    return {ref.modelId, {{m[0], m[1], m[2], m[4], m[5], m[6], m[8], m[9], m[10], m[11]}}};
}

// Reads one project's models into the job, sharing what references repeat.
class ModelLoader {
public:
    ModelLoader(BinaryInput& in, ProjectLoadCache& cache, LoadedModels& models)
        : in_(in), cache_(cache), models_(models) {}

    void load(const std::vector<ModelRef>& refs, const std::vector<int64_t>& modelOffsets) {
        for (const ModelRef& ref : refs) {
            if (ref.modelId < 0 || size_t(ref.modelId) >= modelOffsets.size())
                throw std::runtime_error("invalid vkp model id");
            in_.seek(modelOffsets[size_t(ref.modelId)]);
            if (ref.refType > 2) throw std::runtime_error("invalid vkp modelRef type");
            const uint32_t modelType = in_.u32();
            if (modelType > 1) throw std::runtime_error("invalid vkp model type");
            ModelSpec spec;
            spec.type = part_type_t(ref.refType);
            if (modelType == 0) {
                addMesh(ref);
                spec.format = part_format_t::stl;
                models_.meshSpecs.push_back(spec);
            } else {
                addSlc(ref);
                spec.format = part_format_t::slc;
                models_.slcSpecs.push_back(spec);
            }
        }
    }

private:
    void addMesh(const ModelRef& ref);
    void addSlc(const ModelRef& ref);
    std::vector<MeshVertex> readVertices(const ModelTransform& m, uint32_t count);
    std::vector<MeshFace> readFaces(uint32_t indexCount, uint32_t vertexCount);
    SlcLayer readSlcLayer();

    BinaryInput& in_;
    ProjectLoadCache& cache_;
    LoadedModels& models_;
};

void ModelLoader::addMesh(const ModelRef& ref) {
    const ModelTransform& m = ref.transform;
    // Translations move instances without a mesh of their own; offsets carry
    // no half unit.
    MeshInstance instance;
    instance.offsetX = truncToUnits(m[3] * 10000.0f);
    instance.offsetY = truncToUnits(m[7] * 10000.0f);
    const ProjectLoadCache::MeshKey key = meshKeyOf(ref);
    auto cached = cache_.meshKeyMap.find(key);
    if (cached != cache_.meshKeyMap.end()) {
        instance.mesh = cached->second;
        models_.meshes.push_back(instance);
        return;
    }
    const uint32_t vertexCount = readCount(in_);
    const uint32_t indexCount = readCount(in_);
    char unused[16];
    in_.read(unused, sizeof unused);
    std::vector<MeshVertex> vertices = readVertices(m, vertexCount);
    // Another transform of a model already read shares its faces.
    auto topology = cache_.topologyMap.find(ref.modelId);
    if (topology == cache_.topologyMap.end()) {
        auto index = std::make_shared<const TriMeshIdx>(readFaces(indexCount, vertexCount));
        topology = cache_.topologyMap.emplace(ref.modelId, std::move(index)).first;
    }
    instance.mesh = std::make_shared<TriMesh>(std::move(vertices), topology->second);
    cache_.meshKeyMap.emplace(key, instance.mesh);
    models_.meshes.push_back(instance);
}

// The vertices with the full transform applied, translations included.
std::vector<MeshVertex> ModelLoader::readVertices(const ModelTransform& m, uint32_t count) {
    in_.require(count, 12);
    std::vector<MeshVertex> vertices(count);
    in_.records(count, 12, [&](const unsigned char* p, size_t i) {
        const float x = loadF32(p), y = loadF32(p + 4), z = loadF32(p + 8);
        vertices[i] = {quantise(m[0] * x + m[1] * y + m[2] * z + m[3]),
                       quantise(m[4] * x + m[5] * y + m[6] * z + m[7]),
                       quantise(m[8] * x + m[9] * y + m[10] * z + m[11])};
    });
    return vertices;
}

std::vector<MeshFace> ModelLoader::readFaces(uint32_t indexCount, uint32_t vertexCount) {
    const uint32_t count = indexCount / 3; // a trailing partial triple is not read
    in_.require(count, 12);
    std::vector<MeshFace> faces(count);
    in_.records(count, 12, [&](const unsigned char* p, size_t i) {
        for (int k = 0; k < 3; ++k) {
            // Read as signed: a negative index is as invalid as one past the end.
            const int32_t v = int32_t(loadU32(p + 4 * k));
            if (v < 0 || uint32_t(v) >= vertexCount) throw std::runtime_error("invalid vkp vertex index");
            faces[i].v[k] = uint32_t(v);
        }
    });
    return faces;
}

void ModelLoader::addSlc(const ModelRef& ref) {
    auto cached = cache_.slcMap.find(ref.modelId);
    if (cached != cache_.slcMap.end()) {
        models_.slcs.push_back({cached->second.slc, ref.transform});
        return;
    }
    SlcData slc;
    slc.minZ = in_.f32();
    slc.layerThickness = in_.f32();
    const uint32_t layerCount = readCount(in_);
    in_.seek(in_.i64());
    in_.require(layerCount, 4); // each layer holds at least its contour count
    for (uint32_t l = 0; l < layerCount; ++l) slc.layers.push_back(readSlcLayer());
    const SlcInstance instance{std::make_shared<const SlcData>(std::move(slc)), ref.transform};
    cache_.slcMap.emplace(ref.modelId, instance);
    models_.slcs.push_back(instance);
}

SlcLayer ModelLoader::readSlcLayer() {
    SlcLayer layer;
    const uint32_t contours = readCount(in_);
    in_.require(contours, 4); // each contour holds at least its point count
    for (uint32_t c = 0; c < contours; ++c) {
        const uint32_t points = readCount(in_);
        in_.require(points, 8);
        SlcContour contour(points);
        in_.records(points, 8, [&](const unsigned char* p, size_t i) {
            contour[i] = {loadF32(p), loadF32(p + 4)};
        });
        layer.push_back(std::move(contour));
    }
    return layer;
}

// With neither a settings file nor a project named, the project path is
// empty. It is refused here with the text the file layer gives for it, since
// the platform would also print a warning of its own into the log.
void openProject(FStream& stream, const QString& path) {
    if (path.isEmpty()) throw std::runtime_error("No file name specified");
    stream.open(path, openRead);
}

} // namespace

bool ProjectLoadCache::MeshKey::operator<(const MeshKey& o) const {
    if (modelId != o.modelId) return modelId < o.modelId;
    for (size_t i = 0; i < coefficients.size(); ++i) {
        if (coefficients[i] < o.coefficients[i]) return true;
        if (o.coefficients[i] < coefficients[i]) return false;
    }
    return false;
}

void readProjectSettings(const QString& path, SliceConfig& c) {
    FStream stream;
    openProject(stream, path);
    BinaryInput in(stream);
    const VkpHeader header = readHeader(in);
    if (header.settingsLength < 0) throw std::runtime_error("invalid vkp count");
    in.seek(header.settingsOffset);
    in.require(uint32_t(header.settingsLength), 1);
    std::vector<char> text(size_t(header.settingsLength) + 1, '\0');
    in.read(text.data(), size_t(header.settingsLength));
    // The text ends at its first zero byte.
    std::istringstream ini(std::string(text.data()));
    readSettings(ini, c);
}

void readProjectModels(const QString& path, ProjectLoadCache& cache, LoadedModels& models) {
    FStream stream;
    openProject(stream, path);
    BinaryInput in(stream);
    const VkpHeader header = readHeader(in);
    const std::vector<ModelRef> refs = readRefs(in, header.refTableOffset);
    const std::vector<int64_t> modelOffsets = readModelOffsets(in, header.modelTableOffset);
    ModelLoader(in, cache, models).load(refs, modelOffsets);
}

} // namespace Voxmill
