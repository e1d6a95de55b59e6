// Whole jobs of the real program read back by the real slice_view: the job warnings, and what
// check, diff, stats, side, png and report tell about the jobs.

#include "tools/SliceViewJobs.h"

using namespace Voxmill::Test;

// Nothing of it would print: the job stops in the size stage, before any layer file, with the
// model's extent and the build area on the last line.
TEST_F(SliceViewJobs, ModelWhollyOutsideFailsTheJob) {
    if (!sharedModelsPresent()) GTEST_SKIP() << "shared models not present";
    const QString ring = sharedModel("real/far_out_ring_ascii.stl");
    const JobResult r = job("ring", plate(0.1), {"file:" + ring});
    EXPECT_EQ(r.status, 255);
    EXPECT_TRUE(
        r.out.endsWith("size start!\nmodel " + ring +
                       " lies wholly outside the build area: model x 867.78 to 896.32 mm, y 810.28 to "
                       "838.82 mm; build area x -30.00 to 30.00 mm, y -20.00 to 20.00 mm (60 x 40 mm "
                       "around the plate centre)\n"))
        << r.out.toStdString();
    EXPECT_TRUE(QDir(dir("ring")).entryList({"slice_*"}).isEmpty());
}

// A box 10 mm past the right edge prints cut off: the job warns and goes on, and check finds the
// material in the last printable column of every layer, none in the margins.
TEST_F(SliceViewJobs, ModelPartlyOutsideWarnsAndCheckFindsItsCutEdge) {
    const QString model = box("right.stl", 20, -5, 0, 40, 5, 2);
    const JobResult r = job("right", plate(0.1, "extraBlankPixel = 8\n"), {"file:" + model});
    ASSERT_EQ(r.status, 0) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("\nwarning: model " + model +
                               " reaches past the build area by 10.00 mm at the right edge (model x 20.00 to "
                               "40.00 mm, y -5.00 to 5.00 mm; build area x -30.00 to 30.00 mm, y -20.00 to "
                               "20.00 mm); what lies outside is not printed\n"))
        << r.out.toStdString();
    const ToolResult c = sliceView({"check", dir("right")});
    EXPECT_EQ(c.status, 2);
    // 20 model layers and their two raft copies; 10 mm of the right column at 0.1 mm pixels
    EXPECT_TRUE(c.out.contains(QRegularExpression("^layers 0-21: material cut off at the edge \\(right\\): "
                                                  "2\\d\\d\\d pixels\n",
                                                  QRegularExpression::MultilineOption)))
        << c.out.toStdString();
    EXPECT_TRUE(c.out.endsWith("check: 22 layers, 0 unsupported islands, 0 empty layers, 22 layers with "
                               "material at the edge, 0 layers with support too close to model, 0 layers "
                               "above the printer's height\n"))
        << c.out.toStdString();
}

// Without supports the two 15 x 10 mm arms of the T start in the air at z = 20 mm: file 2 + 500.
// With the default post supports nothing is found: the roof over the posts closes its last holes
// within a post space.
TEST_F(SliceViewJobs, CheckFindsTheOverhangOfTheTWithoutSupportsAndPassesItWithThem) {
    if (!sharedModelsPresent()) GTEST_SKIP() << "shared models not present";
    const QString t = "file:" + sharedModel("analytic/t_overhang.stl");
    ASSERT_EQ(job("t", plate(0.04), {t}).status, 0);
    const ToolResult c = sliceView({"check", dir("t")});
    EXPECT_EQ(c.status, 2);
    const QRegularExpression island("^layer (\\d+): unsupported island of ([\\d.]+) mm² at x (-?[\\d.]+) mm, "
                                    "y (-?[\\d.]+) mm$",
                                    QRegularExpression::MultilineOption);
    std::vector<double> xs;
    for (auto it = island.globalMatch(c.out); it.hasNext();) {
        const auto m = it.next();
        EXPECT_EQ(m.captured(1), "502");
        EXPECT_NEAR(m.captured(2).toDouble(), 150, 6); // less the rim over the stem and the outline
        EXPECT_NEAR(std::abs(m.captured(4).toDouble()), 0, 0.1);
        xs.push_back(m.captured(3).toDouble());
    }
    ASSERT_EQ(xs.size(), 2u) << c.out.toStdString();
    EXPECT_NEAR(xs[0], -12.5, 0.3);
    EXPECT_NEAR(xs[1], 12.5, 0.3);
    EXPECT_TRUE(c.out.contains("check: 627 layers, 2 unsupported islands, 0 empty layers, 0 layers"))
        << c.out.toStdString();

    ASSERT_EQ(job("supported", plate(0.1, "", 2, true), {t}).status, 0);
    const ToolResult s = sliceView({"check", dir("supported")});
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.out,
              "check: 252 layers, 0 unsupported islands, 0 empty layers, 0 layers with material at the "
              "edge, 0 layers with support too close to model, 0 layers above the printer's height\n");
}

// A box 1 mm above another leaves ten empty layers of 0.1 mm between them, and stands on nothing.
TEST_F(SliceViewJobs, CheckFindsTheEmptyLayersBetweenTwoBoxes) {
    const JobResult r =
        job("gap", plate(0.1),
            {"file:" + box("low.stl", -5, -5, 0, 5, 5, 2), "file:" + box("high.stl", -5, -5, 3, 5, 5, 5)});
    ASSERT_EQ(r.status, 0) << r.out.toStdString();
    const ToolResult c = sliceView({"check", dir("gap")});
    EXPECT_EQ(c.status, 2);
    EXPECT_TRUE(c.out.startsWith("layers 22-31: empty\nlayer 32: unsupported island of "))
        << c.out.toStdString();
    EXPECT_TRUE(c.out.endsWith(
        "check: 52 layers, 1 unsupported island, 10 empty layers, 0 layers with material "
        "at the edge, 0 layers with support too close to model, 0 layers above the printer's height\n"))
        << c.out.toStdString();
}

// A job against itself, and against the same job with supports: its two raft layers become
// support instead of copies of the first layer, and the CSV has a line per layer.
TEST_F(SliceViewJobs, DiffOfAJobWithItselfAndWithSupports) {
    const QString model = "file:" + box("box.stl", -5, -5, 0, 5, 5, 1);
    ASSERT_EQ(job("plain", plate(0.1), {model}).status, 0);
    ASSERT_EQ(job("supported", plate(0.1, "", 2, true), {model}).status, 0);
    const ToolResult same = sliceView({"diff", dir("plain"), dir("plain")});
    EXPECT_EQ(same.status, 0);
    EXPECT_EQ(same.out, "layers: 12 in A, 12 in B\nareaInfo: same\nwaitTime: same\n"
                        "differing layers: 0 of 12 (0 model pixels, 0 support pixels)\ndiff: identical\n");
    const QString csv = dir("diff.csv");
    const ToolResult other = sliceView({"diff", dir("plain"), dir("supported"), "--csv", csv});
    EXPECT_EQ(other.status, 2);
    EXPECT_TRUE(
        other.out.contains(QRegularExpression("\nfirst differing layer: 0\ndiffering layers: \\d+ of 12 "
                                              "\\([1-9]\\d* model pixels, [1-9]\\d* support pixels\\)"
                                              "\ndiff: A and B differ\n$")))
        << other.out.toStdString();
    const QStringList rows = QString(fileBytes(csv)).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 13);
    EXPECT_EQ(rows[0], "layer,model_pixels,support_pixels");
    EXPECT_TRUE(rows[1].startsWith("0,") && !rows[1].startsWith("0,0,")) << rows[1].toStdString();
}

// The 20 x 20 x 10 mm box holds 4000 mm³, 400 mm² in every layer.
TEST_F(SliceViewJobs, StatsGiveTheVolumeOfTheBox) {
    if (!sharedModelsPresent()) GTEST_SKIP() << "shared models not present";
    ASSERT_EQ(job("box", plate(0.05, "", 0), {"file:" + sharedModel("analytic/box_20x20x10.stl")}).status, 0);
    const ToolResult s = sliceView({"stats", dir("box")});
    EXPECT_EQ(s.status, 0) << s.err.toStdString();
    QMap<QString, double> v;
    for (const QString& line : s.out.split('\n', Qt::SkipEmptyParts))
        v[line.section(' ', 0, 0)] = line.section(' ', 1).toDouble();
    EXPECT_EQ(v.keys(), (QStringList{"height_mm", "largest_layer", "largest_layer_area_mm2", "layers",
                                     "model_volume_mm3", "support_volume_mm3"}));
    EXPECT_EQ(v["layers"], 200);
    EXPECT_EQ(v["height_mm"], 10);
    EXPECT_NEAR(v["model_volume_mm3"], 4000, 0.03 * 4000);
    EXPECT_EQ(v["support_volume_mm3"], 0);
    EXPECT_NEAR(v["largest_layer_area_mm2"], 400, 0.03 * 400);
}

// Front view of a box and a support wall left of it, 0.1 mm picture pixels: the wall's columns
// grey, the box's white, the top layer in the top row; cropped, the picture keeps 16 columns around them.
TEST_F(SliceViewJobs, SideShowsModelWhiteAndSupportGrey) {
    const QString model = "file:" + box("box.stl", -5, -5, 0, 5, 5, 1);
    const QString wall = "file:" + box("wall.stl", -20, -10, 0, -18, 10, 1) + "*type:support-wall";
    ASSERT_EQ(job("walled", plate(0.1), {model, wall}).status, 0);
    const QString full = dir("full.png"), cropped = dir("cropped.png");
    ASSERT_EQ(sliceView({"side", dir("walled"), full}).status, 0);
    ASSERT_EQ(sliceView({"side", "--crop", dir("walled"), cropped}).status, 0);
    const QImage f(full), c(cropped);
    ASSERT_EQ(f.size(), QSize(600, 12)); // 60 mm by 12 layers of 0.1 mm
    ASSERT_NEAR(c.width(), 250 + 32, 1); // x -20 .. 5 mm and the margins, less the outline
    ASSERT_EQ(c.height(), 12);
    for (int32_t y : {0, 11}) {
        EXPECT_EQ(qGray(f.pixel(105, y)), 128) << "wall at x -19.45 mm";
        EXPECT_EQ(qGray(f.pixel(300, y)), 255) << "box at x 0.05 mm";
        EXPECT_EQ(qGray(f.pixel(200, y)), 0) << "nothing at x -9.95 mm";
        EXPECT_EQ(qGray(c.pixel(105 - 100 + 16, y)), 128) << "the wall, cropped";
    }
    // Regression: columns were mapped by x * pixel / pixel, which falls short of x now and then and
    // left dark columns through solid models.
    for (int32_t x = 252; x < 348; ++x) ASSERT_EQ(qGray(f.pixel(x, 5)), 255) << "column " << x;
}

// The layer cut to the box's 100 x 100 pixels and 16 around them.
TEST_F(SliceViewJobs, PngCropCutsToThePrintedPixels) {
    ASSERT_EQ(job("plain", plate(0.1), {"file:" + box("box.stl", -5, -5, 0, 5, 5, 1)}).status, 0);
    const QString png = dir("layer.png");
    ASSERT_EQ(sliceView({"png", "--crop", dir("plain") + "/slice_m5", png}).status, 0);
    const QImage img(png);
    EXPECT_NEAR(img.width(), 132, 2);
    EXPECT_NEAR(img.height(), 132, 2);
    EXPECT_EQ(qGray(img.pixel(66, 66)), 255);
    EXPECT_EQ(qGray(img.pixel(5, 5)), 0);
}

// Cut, flipped and inflated files: every command names the file and the fault and ends with
// status 1 (report after writing its page).
TEST_F(SliceViewJobs, HostileLayerFilesFailEveryCommand) {
    ASSERT_EQ(job("clean", plate(0.1), {"file:" + box("box.stl", -5, -5, 0, 5, 5, 1)}).status, 0);
    const QByteArray good = fileBytes(dir("clean") + "/slice_m5");
    auto patchedU32 = [&](int at, uint32_t v) {
        return QByteArray::fromStdString(VoxmillTest::patched(good.toStdString(), size_t(at), v));
    };
    const std::pair<const char*, QByteArray> spoils[] = {
        {"file length does not match", good.left(good.size() / 2)},
        {"bad magic", QByteArray("cils") + good.mid(4)},
        {"outer payload does not inflate", good.left(good.size() - 1) + char(~good.back())},
        {"implausible image size", patchedU32(8, 1u << 20)},
        // one row more: the job's config tells first, where the command reads it
        {"inner payload does not inflate|the job's config says 600 x 400", patchedU32(8, 401)},
        {"file length does not match", patchedU32(12, 0x7FFFFFFFu)},
        {"file shorter than its header", QByteArray()},
    };
    int i = 0;
    for (const auto& [fault, bytes] : spoils) {
        const QString spoilt = dir(QString("spoilt%1").arg(i++));
        QDir().mkpath(spoilt);
        for (const QString& name : QDir(dir("clean")).entryList(QDir::Files))
            QFile::copy(dir("clean") + "/" + name, spoilt + "/" + name);
        const QString file = spoilt + "/slice_m5";
        VoxmillTest::writeFile(file, bytes.toStdString());
        const QString png = dir("out.png");
        const QStringList commands[] = {{"info", file},
                                        {"csv", spoilt},
                                        {"png", file, png},
                                        {"png", "--crop", file, png},
                                        {"check", spoilt},
                                        {"diff", dir("clean"), spoilt},
                                        {"stats", spoilt},
                                        {"side", spoilt, png},
                                        {"report", spoilt, dir("report")}};
        for (const QStringList& args : commands) {
            SCOPED_TRACE(args.join(' ').toStdString() + ": " + fault);
            const ToolResult r = sliceView(args);
            EXPECT_EQ(r.status, 1);
            EXPECT_TRUE(r.err.startsWith(file + ": ") && r.err.contains(QRegularExpression(fault)))
                << r.err.toStdString();
        }
    }
}
