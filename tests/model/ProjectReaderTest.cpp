#include <gtest/gtest.h>

#include <sstream>

#include <QTemporaryDir>

#include "config/SettingsFile.h"
#include "model/ModelFiles.h"
#include "model/ProjectReader.h"

using namespace Voxmill;
using namespace VoxmillTest;

namespace {

const VkpModel triangleModel{0, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 1}}, {0, 1, 2, 2, 1, 3}, 0, 0, {}};
const VkpModel slcModel{1, {}, {}, 0.1f, 0.05f, {{{{0, 0}, {1, 0}, {1, 1}}}, {}}};

// A mesh and an SLC model, one reference each; change() spoils it first.
std::string twoModels(
    void (*change)(VkpFile&) = [](VkpFile&) {}, const char* field = nullptr, uint32_t value = 0) {
    VkpFile f;
    f.settings = "[precision]\nlayerHeight = 0.05\n";
    f.models = {triangleModel, slcModel};
    f.refs = {{0}, {1, 2}};
    change(f);
    std::string s = f.bytes();
    return field ? patched(s, f.fieldAt.at(field), value) : s;
}

// twoModels() with one of its 32-bit count fields overwritten.
std::string withField(const char* field, uint32_t value) {
    return twoModels([](VkpFile&) {}, field, value);
}

const std::string countError = "invalid vkp count";

} // namespace

TEST(ProjectReader, FailureTable) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.vkp");
    struct Row {
        const char* what;
        std::string bytes;
        std::string error;
        size_t meshes = 0, slcs = 0; // instances appended, also before a failure
    } rows[] = {
        {"a mesh and an SLC model", twoModels(), "", 1, 1},
        {"five indices make one face", twoModels([](VkpFile& f) { f.models[0].indices.pop_back(); }), "", 1,
         1},
        {"another magic", twoModels([](VkpFile& f) { f.magic = "vkp1."; }), "unsupported vkp file format"},
        {"shorter than the header", twoModels().substr(0, 83), streamFailure},
        {"model id equal to the model count, after a good reference",
         twoModels([](VkpFile& f) { f.refs.push_back({2}); }), "invalid vkp model id", 1, 1},
        {"negative model id", twoModels([](VkpFile& f) { f.refs[0].modelId = -1; }), "invalid vkp model id"},
        // A block past the end of the file is sought as a plain file allows: the reference
        // type is checked before the block (and its own type) is read.
        {"reference type 3, its block past the end",
         twoModels([](VkpFile& f) { f.refs[0].refType = 3; }, "0.block", 0x7FFFFFFFu),
         "invalid vkp modelRef type"},
        {"block past the end", withField("0.block", 0x7FFFFFFFu), streamFailure},
        {"model type 2", twoModels([](VkpFile& f) { f.models[0].type = 2; }), "invalid vkp model type"},
        {"vertex index V", twoModels([](VkpFile& f) { f.models[0].indices[4] = 4; }),
         "invalid vkp vertex index"},
        {"negative vertex index", twoModels([](VkpFile& f) { f.models[0].indices[0] = -1; }),
         "invalid vkp vertex index"},
        // Every count is read by one function that refuses a negative one, then checked
        // against the bytes the file holds (the robustness test spoils each of them): one
        // count of the tables, of a mesh block and of an SLC block.
        {"negative count", withField("1.contours", 0xFFFFFFF0u), countError, 1},
        {"reference count beyond the file", withField("refs", 0x10000000u), streamFailure},
        {"vertex count beyond the file", withField("0.vertices", 0x10000000u), streamFailure},
        {"point count beyond the file", withField("1.points", 0x10000000u), streamFailure, 1},
        {"reference table beyond the file", patched(twoModels(), 68 + 5, 1, 1), streamFailure},
        {"model table before the file", patched(twoModels(), 76 + 7, 0x80, 1), streamFailure},
    };
    for (const Row& r : rows) {
        writeFile(path, r.bytes);
        ProjectLoadCache cache;
        LoadedModels models;
        EXPECT_EQ(errorOf([&] { readProjectModels(path, cache, models); }), r.error) << r.what;
        EXPECT_EQ(models.meshes.size(), r.meshes) << r.what;
        EXPECT_EQ(models.slcs.size(), r.slcs) << r.what;
        EXPECT_EQ(models.meshSpecs.size(), models.meshes.size()) << r.what;
        EXPECT_EQ(models.slcSpecs.size(), models.slcs.size()) << r.what;
    }
}

TEST(ProjectReader, ReferencesShareMeshesFacesAndContours) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.vkp");
    VkpFile f;
    f.models = {triangleModel, slcModel};
    f.refs = {{0}, {0, 1}, {0}, {1}, {1, 2}};
    f.refs[0].m[3] = 12.5f; // x shift: a mesh of its own, moved by 12.5 mm
    f.refs[1].m[3] = -2.0f; // the same key: shares the first mesh
    f.refs[1].m[7] = 3.0f;
    f.refs[2].m[11] = 0.25f; // z shift is part of the key: a new mesh on the same faces
    f.refs[4].m[10] = 2.0f;  // SLC instances keep their own transforms
    writeFile(path, f.bytes());
    ProjectLoadCache cache;
    LoadedModels models;
    readProjectModels(path, cache, models);

    ASSERT_EQ(models.meshes.size(), 3u);
    const MeshInstance &a = models.meshes[0], &b = models.meshes[1], &c = models.meshes[2];
    EXPECT_EQ(std::make_pair(a.offsetX, a.offsetY), std::make_pair(125000, 0));
    EXPECT_EQ(std::make_pair(b.offsetX, b.offsetY), std::make_pair(-20000, 30000));
    EXPECT_EQ(a.mesh, b.mesh);
    EXPECT_NE(a.mesh, c.mesh);
    EXPECT_EQ(a.mesh->index, c.mesh->index);
    EXPECT_EQ(a.mesh->vertices[1], (MeshVertex{quantise(13.5f), 0, 0}));
    EXPECT_EQ(c.mesh->vertices[3], (MeshVertex{10000, 10000, quantise(1.25f)}));
    EXPECT_EQ(a.mesh->faces().size(), 2u);
    const part_type_t types[] = {part_type_t::model, part_type_t::modelWall, part_type_t::model};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(models.meshSpecs[i].type, types[i]);
        EXPECT_EQ(models.meshSpecs[i].format, part_format_t::stl);
        EXPECT_EQ(models.meshSpecs[i].file, "");
    }

    ASSERT_EQ(models.slcs.size(), 2u);
    EXPECT_EQ(models.slcs[0].slc, models.slcs[1].slc);
    EXPECT_EQ(models.slcs[0].transform, identityTransform);
    EXPECT_EQ(models.slcs[1].transform[10], 2.0f);
    EXPECT_EQ(models.slcSpecs[1].type, part_type_t::supportWall);
    EXPECT_EQ(models.slcSpecs[1].format, part_format_t::slc);
    const SlcData& slc = *models.slcs[0].slc;
    EXPECT_EQ(slc.minZ, 0.1f);
    ASSERT_EQ(slc.layers.size(), 2u);
    ASSERT_EQ(slc.layers[0].size(), 1u);
    EXPECT_EQ(slc.layers[0][0].size(), 3u);
    EXPECT_EQ(slc.layers[0][0][2].x, 1.0f);
    EXPECT_TRUE(slc.layers[1].empty());
}

TEST(ProjectReader, SettingsEntryPoint) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.vkp");
    // The settings text ends at its first zero byte.
    writeFile(path, twoModels([](VkpFile& f) {
                  f.settings = std::string("[precision]\nlayerHeight = 0.05\n\0[prepOfs]\nangle = 7\n", 50);
              }));
    SliceConfig defaults, c;
    std::istringstream empty;
    readSettings(empty, defaults);
    readProjectSettings(path, c);
    EXPECT_EQ(c.precision.layerHeight, 0.05f);
    EXPECT_EQ(c.prepOfs.angle, defaults.prepOfs.angle);

    auto settingsError = [&](uint8_t lengthTopByte) {
        writeFile(path, patched(twoModels(), 48 + 3, lengthTopByte, 1));
        return errorOf([&] { readProjectSettings(path, c); });
    };
    EXPECT_EQ(settingsError(0x80), countError);    // a negative length
    EXPECT_EQ(settingsError(0x10), streamFailure); // a length beyond the file
    // neither a settings file nor a project named
    EXPECT_EQ(errorOf([&] { readProjectSettings(QString(), c); }), "No file name specified");
}
