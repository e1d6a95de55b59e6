// slice_view report: the page opened in a real browser agrees with stats and check, its viewer
// shows the layer the address names, and nothing it loads comes from outside its folder.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QUrl>

#include "tools/SliceViewJobs.h"
#include "tools/slice_view/JobText.h"
#include "tools/slice_view/LayerRuns.h"
#include "tools/slice_view/ReportPictures.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

QString chromium() {
    for (const char* name : {"chromium", "chromium-browser"}) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty()) return path;
    }
    return QString();
}

// Debian's chromium, headless, on url with a profile of its own under scratch; its network log goes
// to scratch/net.json and no name resolves. Standard output: the dumped page with --dump-dom.
QString browse(const QString& url, const QStringList& extra, const QString& scratch) {
    QStringList args = {"--headless",
                        "--disable-gpu",
                        "--user-data-dir=" + scratch + "/profile",
                        "--no-first-run",
                        "--disable-background-networking",
                        "--virtual-time-budget=5000",
                        "--log-net-log=" + scratch + "/net.json",
                        "--host-resolver-rules=MAP * ~NOTFOUND"};
    // as root chromium refuses to start without it, and test machines may lack what its sandbox needs
    args << "--no-sandbox";
    QProcess p;
    p.start(chromium(), args + extra + QStringList{url});
    p.waitForFinished(120000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Requests a page made: its requests carry the page's origin, which a file has as "null", or the
// file scheme in their isolation key; the browser's own requests carry neither.
QStringList pageRequests(const QString& netLog) {
    const QJsonObject log = QJsonDocument::fromJson(fileBytes(netLog)).object();
    const int startJob =
        log["constants"].toObject()["logEventTypes"].toObject()["URL_REQUEST_START_JOB"].toInt();
    QStringList urls;
    for (const QJsonValue& e : log["events"].toArray()) {
        const QJsonObject params = e.toObject()["params"].toObject();
        if (e.toObject()["type"].toInt() == startJob &&
            (params["initiator"].toString() == "null" ||
             params["network_isolation_key"].toString().startsWith("file://")))
            urls << params["url"].toString();
    }
    return urls;
}

QString firstMatch(const QString& text, const QString& pattern) {
    return QRegularExpression(pattern).match(text).captured(1);
}

QMap<QString, QString> statsOf(const QString& out) {
    QMap<QString, QString> v;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts))
        v[line.section(' ', 0, 0)] = line.section(' ', 1);
    return v;
}

int64_t whitePixels(const QString& png) {
    const QImage img(png);
    int64_t n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += qGray(img.pixel(x, y)) == 255;
    return n;
}

} // namespace

// The T without supports: its two arms start in the air at layer 502.
TEST_F(SliceViewJobs, ReportOfTheTInABrowserAgreesWithStatsAndCheck) {
    if (!sharedModelsPresent()) GTEST_SKIP() << "shared models not present";
    if (chromium().isEmpty()) GTEST_SKIP() << "chromium is not installed (scripts/install-deps.sh chromium)";
    ASSERT_EQ(job("t", plate(0.04), {"file:" + sharedModel("analytic/t_overhang.stl")}).status, 0);
    const QString out = dir("t-report");
    const ToolResult r = sliceView({"report", dir("t"), out});
    ASSERT_EQ(r.status, 2) << r.err.toStdString();
    const QString url = QUrl::fromLocalFile(out + "/index.html").toString() + "#layer=502";
    const QString dom = browse(url, {"--dump-dom"}, dir("browser"));
    ASSERT_TRUE(dom.contains("</html>")) << dom.toStdString();

    QMap<QString, QString> shown;
    for (auto it = QRegularExpression("data-stat=\"(\\w+)\">([^<]*)<").globalMatch(dom); it.hasNext();) {
        const auto m = it.next();
        shown[m.captured(1)] = m.captured(2);
    }
    EXPECT_EQ(shown, statsOf(sliceView({"stats", dir("t")}).out));

    const QStringList check = sliceView({"check", dir("t")}).out.split('\n', Qt::SkipEmptyParts);
    QStringList listed;
    for (auto it = QRegularExpression("<li><a href=\"#layer=(\\d+)\">([^<]*)</a></li>").globalMatch(dom);
         it.hasNext();) {
        const auto m = it.next();
        EXPECT_TRUE(m.captured(2).startsWith("layer " + m.captured(1) + ":")) << m.captured(0).toStdString();
        listed << m.captured(2);
    }
    EXPECT_EQ(listed, check.mid(0, check.size() - 1));
    EXPECT_EQ(listed.size(), 2);
    EXPECT_EQ(firstMatch(dom, "<p id=\"check-summary\">([^<]*)</p>"), check.back());

    // the viewer went to the layer of the address and the browser loaded its picture
    EXPECT_EQ(firstMatch(dom, "<b id=\"layer-number\">(\\d+)</b>"), "502");
    const QString picture = firstMatch(dom, "(<img id=\"layer-picture\"[^>]*>)");
    EXPECT_EQ(firstMatch(picture, "data-loaded=\"([^\"]*)\""), "layers/502.png") << picture.toStdString();
    EXPECT_GT(whitePixels(out + "/layers/502.png"), 2 * whitePixels(out + "/layers/0.png")) << "the arms";
    EXPECT_EQ(
        QRegularExpression("<ul id=\"layer-findings\">(<li>layer 502: unsupported island[^<]*</li>){2}</ul>")
            .match(dom)
            .hasMatch(),
        true);

    // everything the page refers to lies in its folder, and it asked the network for nothing
    for (auto it = QRegularExpression("(?:src|href)=\"([^\"]*)\"").globalMatch(dom); it.hasNext();) {
        const QString ref = it.next().captured(1);
        if (ref.startsWith("#layer=")) continue;
        EXPECT_TRUE(!ref.contains(':') && !ref.startsWith('/') && !ref.contains("..") &&
                    QFileInfo::exists(out + "/" + ref))
            << ref.toStdString();
    }
    EXPECT_EQ(pageRequests(dir("browser") + "/net.json"), QStringList());
    // the same look at a page that does fetch something sees its request
    VoxmillTest::writeFile(dir("fetching.html"), "<img src=\"http://example.invalid/a.png\">");
    browse(QUrl::fromLocalFile(dir("fetching.html")).toString(), {"--dump-dom"}, dir("control"));
    EXPECT_EQ(pageRequests(dir("control") + "/net.json"), QStringList{"http://example.invalid/a.png"});

    const QString shot = dir("browser") + "/shot.png";
    browse(url, {"--screenshot=" + shot, "--window-size=1200,1600", "--hide-scrollbars"}, dir("screenshot"));
    EXPECT_GT(whitePixels(shot), 1000) << "the pictures are on the screen";
}

// A 6 mm box on 0.2 mm of raft under a printer of 5 mm: 62 layers of 0.1 mm, from layer 50 above it.
// The job warns and writes the layers it writes without the limit; check and the report name layer 50.
TEST_F(SliceViewJobs, AJobTallerThanThePrinterWarnsAndIsReportedFromTheFirstLayerAboveIt) {
    const QString model = box("tall.stl", -5, -5, 0, 5, 5, 6);
    const JobResult r = job("tall", plate(0.1, "sizeZ = 5\n"), {"file:" + model});
    ASSERT_EQ(r.status, 0) << r.out.toStdString();
    EXPECT_TRUE(
        r.out.contains("\nwarning: model " + model +
                       " reaches above the printer's height by 1.20 mm (its last layer ends at 6.20 mm, "
                       "the raft's 0.20 mm included; printer height 5.00 mm); the printer cannot print "
                       "what lies above\n"))
        << r.out.toStdString();
    ASSERT_EQ(job("roomy", plate(0.1), {"file:" + model}).status, 0);
    EXPECT_EQ(sliceView({"diff", dir("tall"), dir("roomy")}).status, 0) << "the same layers";

    const ToolResult c = sliceView({"check", dir("tall")});
    EXPECT_EQ(c.status, 2);
    EXPECT_TRUE(c.out.startsWith("layers 50-61: above the printer's height of 5.00 mm\ncheck: 62 layers, "))
        << c.out.toStdString();
    EXPECT_TRUE(c.out.endsWith(", 12 layers above the printer's height\n")) << c.out.toStdString();
    ASSERT_EQ(sliceView({"report", dir("tall"), dir("tall-report")}).status, 2);
    const QString page = fileBytes(dir("tall-report") + "/index.html");
    EXPECT_TRUE(
        page.contains("<a href=\"#layer=50\">layers 50-61: above the printer's height of 5.00 mm</a>"));
    EXPECT_TRUE(page.contains("lies 1.20 mm above it, from <a href=\"#layer=50\">layer 50</a>"));
}

// A cut file ends the report's walk at its layer, a missing one before any: the page says so, the
// status is 1 and the message names the file, as check's does.
TEST_F(SliceViewJobs, ReportOfDamagedOrMissingLayerFilesSaysSoOnThePage) {
    ASSERT_EQ(job("box", plate(0.1), {"file:" + box("box.stl", -5, -5, 0, 5, 5, 1)}).status, 0);
    const QString cut = dir("box") + "/slice_m5";
    VoxmillTest::writeFile(cut, fileBytes(cut).chopped(1).toStdString());
    ToolResult r = sliceView({"report", dir("box"), dir("cut-report")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, sliceView({"check", dir("box")}).err);
    QString page = fileBytes(dir("cut-report") + "/index.html");
    EXPECT_TRUE(
        page.contains("<p class=\"fault\" id=\"fault\">The layers could not all be read; this report shows "
                      "the 5 below the fault. " +
                      cut + ": file length does not match the outer size.</p>"))
        << page.toStdString();
    EXPECT_TRUE(page.contains("max=\"4\""));

    QFile::remove(cut);
    QFile::remove(dir("box") + "/slice_s5");
    r = sliceView({"report", dir("box"), dir("missing-report")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "missing slice_m5.\n");
    page = fileBytes(dir("missing-report") + "/index.html");
    EXPECT_TRUE(page.contains("No layer could be read: missing slice_m5.")) << page.toStdString();
    EXPECT_FALSE(page.contains("id=\"viewer\""));
}

// Ten layers, at most four pictures: every third layer and the first of each finding are pictured;
// a layer shows its own picture, the picture of the equal layers it repeats, or the nearest below.
TEST(ReportPictures, EveryStepthLayerAndEachFindingIsPictured) {
    JobScan scan;
    scan.layersRead = 10;
    scan.runStart = {0, 0, 0, 0, 0, 5, 6, 7, 8, 9}; // layers 1-4 repeat layer 0
    scan.findings = {{7, 8, "layers 7-8: empty"}};
    const ReportPictures p = planPictures(scan, 4);
    EXPECT_EQ(p.step, 3);
    EXPECT_EQ(p.shown, (std::vector<int32_t>{0, 0, 0, 0, 0, 0, 6, 7, 7, 9}));
    EXPECT_EQ(p.count, 4);
}

// The layers the scan keeps for the pictures come back pixel for pixel, into planes that held
// another layer or are of another size: runs at word edges and at the last column, gaps and lengths
// of more than one byte, empty rows and planes. A layer past the budget is not kept.
TEST(ReportPictures, KeptLayersComeBackPixelForPixel) {
    BitPlane model, support, empty;
    for (BitPlane* p : {&model, &support, &empty}) p->reset(6081, 9);
    for (const auto& [x0, x1, y] : {std::array<int32_t, 3>{0, 63, 0},
                                    {64, 64, 0},
                                    {200, 6080, 0},
                                    {6080, 6080, 5},
                                    {127, 128, 8},
                                    {3000, 3001, 8}})
        for (int32_t x = x0; x <= x1; ++x) model.set(x, y);
    for (int32_t x = 5; x < 6081; x += 7) support.set(x, 3);
    LayerRuns kept(1 << 20);
    kept.keep(4, model, support);
    kept.keep(7, empty, model);
    BitPlane m, s;
    m.reset(10, 10);
    kept.restore(4, m, s);
    EXPECT_EQ(m.bits, model.bits);
    EXPECT_EQ(m.rowUsed, model.rowUsed);
    EXPECT_EQ(s.bits, support.bits);
    EXPECT_EQ(s.rowUsed, support.rowUsed);
    kept.restore(7, m, s);
    EXPECT_EQ(m.bits, empty.bits);
    EXPECT_EQ(m.rowUsed, empty.rowUsed);
    EXPECT_EQ(s.bits, model.bits);

    LayerRuns small(kept.bytes() - 1);
    small.keep(4, model, support);
    small.keep(7, empty, model);
    EXPECT_TRUE(small.kept(4));
    EXPECT_FALSE(small.kept(7));
}

// Only what differs from its default, in the settings file's order and notation; a list as a whole.
TEST(ReportText, SettingsThatDifferFromTheirDefaults) {
    SliceConfig c;
    EXPECT_TRUE(changedSettings(c).empty());
    c.precision.layerHeight = 0.05f;
    c.infill.fillType = FillType::rectGrid;
    c.waitTime.areas = {300, 900};
    c.poly2img.sizeY = 222.816f; // the default, as the settings file reads it back
    const std::vector<SettingChange> changes = changedSettings(c);
    ASSERT_EQ(changes.size(), 3u);
    const std::string lines[] = {"precision.layerHeight = 0.05 (0.02)",
                                 "infill.fillType = rectGrid (support)",
                                 "waitTime.areas = 300,900 (300,360,810,900)"};
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(changes[i].key + " = " + changes[i].value + " (" + changes[i].defaultValue + ")", lines[i]);
}

// The sum stops at the first line out of order or of another form, and says where.
TEST(ReportText, WaitTimesAreSummedUpToTheFirstBadLine) {
    QTemporaryDir dir;
    VoxmillTest::writeFile(dir.filePath("waitTime"),
                           "waitXTimeout0 = 500\nwaitXTimeout1 = 1250\nwaitXTimeout3 = 9\n");
    const WaitTimes w = readWaitTimes(dir.path());
    EXPECT_TRUE(w.present);
    EXPECT_EQ(w.layers, 2);
    EXPECT_EQ(w.totalMs, 1750);
    EXPECT_EQ(w.fault, "line 3: expected waitXTimeout2 = <ms>");
    EXPECT_FALSE(readWaitTimes(dir.filePath("none")).present);
}

// The default grid's 6080 columns become 1000 picture pixels; a model line one pixel wide stays
// white in every picture row, a support block of 100 columns grey.
TEST(ReportPictures, ScaledPicturesKeepThinModelLines) {
    const JobGeometry g = jobGeometry(SliceConfig());
    BitPlane model, support;
    model.reset(g.width, g.height);
    support.reset(g.width, g.height);
    for (int32_t y = 100; y < 200; ++y) {
        model.set(3001, y);
        for (int32_t x = 2000; x < 2100; ++x) support.set(x, y);
    }
    const PictureFrame f = pictureFrame(g, {0, 100, g.width - 1, 199}, reportMaxPixels);
    ASSERT_EQ(f.width, 1000);
    const QImage img = drawLayer(model, support, f);
    // Regression: 4.22 mm of rows at 0.28 mm made 16 picture rows, the last of them always empty.
    ASSERT_EQ(img.height(), 15);
    for (int32_t y = 0; y < img.height(); ++y) {
        int32_t white = 0, grey = 0;
        for (int32_t x = 0; x < img.width(); ++x) {
            white += qGray(img.pixel(x, y)) == 255;
            grey += qGray(img.pixel(x, y)) == 128;
        }
        EXPECT_EQ(white, 1) << "row " << y;
        EXPECT_NEAR(grey, 17, 1) << "row " << y;
    }
}
