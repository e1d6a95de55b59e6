#include "tools/slice_view/ReportPage.h"

#include <map>

#include "base/VirtualFile.h"
#include "tools/slice_view/Html.h"
#include "tools/slice_view/ReportAssets.h"
#include "tools/slice_view/ReportPlot.h"

namespace Voxmill {

namespace {

std::string row(const char* label, const std::string& valueHtml) {
    return std::string("<tr><th>") + label + "</th><td>" + valueHtml + "</td></tr>\n";
}

std::string layerLink(int32_t n, const std::string& textHtml) {
    return formatted("<a href=\"#layer=%d\">", n) + textHtml + "</a>";
}

// A value exactly as stats prints it, marked with its stats name.
std::string statValue(const std::map<std::string, std::string>& stats, const char* name) {
    return std::string("<span data-stat=\"") + name + "\">" + htmlText(stats.at(name)) + "</span>";
}

std::string waitTimeText(const ReportInput& in) {
    const WaitTimes& w = in.waits;
    if (!w.present) return "no waitTime file";
    std::string text = formatted("%lld ms over %d layers", (long long)w.totalMs, w.layers);
    if (!w.fault.empty()) text += " <span class=\"warn\">(waitTime " + htmlText(w.fault) + ")</span>";
    if (!in.config.waitTime.enable) text += " (waitTime.enable is false: every wait is 0)";
    return text;
}

std::string areaInfoText(const std::vector<int32_t>& areas) {
    if (areas.empty()) return "no areaInfo file, or not of its form";
    std::string text;
    for (size_t d = 0; d < areas.size(); ++d)
        text += formatted("%s%zu area%s: %d layers", d ? "; " : "", d + 1, d ? "s" : "", areas[d]);
    return text;
}

std::string printerText(const ReportInput& in) {
    const JobGeometry& g = in.geometry;
    const int32_t layers = in.scan.layerFiles;
    std::string text = formatted("%.2f mm (poly2img.sizeZ); the job's top at %.2f mm", g.printerHeightMm,
                                 layers * g.layerHeightMm);
    if (layers > g.printerLayers)
        text += " <span class=\"warn\">" +
                formatted("lies %.2f mm above it, from ", layers * g.layerHeightMm - g.printerHeightMm) +
                layerLink(g.printerLayers, formatted("layer %d", g.printerLayers)) + "</span>";
    return text;
}

std::string settingsText(const SliceConfig& c) {
    const std::vector<SettingChange> changes = changedSettings(c);
    if (changes.empty()) return "none: every setting has its default";
    std::string list = "<ul class=\"settings\">";
    for (const SettingChange& s : changes)
        list += "<li><code>" + htmlText(s.key + " = " + s.value) + "</code> (default " +
                htmlText(s.defaultValue) + ")</li>";
    return list + "</ul>";
}

std::string summary(const ReportInput& in) {
    const JobGeometry& g = in.geometry;
    std::map<std::string, std::string> stats;
    for (const auto& [name, value] : in.scan.stats.lines(g)) stats[name] = value;
    const SliceConfig& c = in.config;
    std::string t = "<section id=\"summary\"><h2>Summary</h2>\n<table class=\"summary\">\n";
    t += row("Layers", statValue(stats, "layers"));
    t += row("Layer thickness", formatted("%g mm", g.layerHeightMm));
    t += row("Height", statValue(stats, "height_mm") + " mm");
    t += row("Pixel grid", formatted("%d x %d pixels", g.printWidth, g.height) +
                               (g.margin ? formatted(", and %d blank columns either side", g.margin) : ""));
    t += row("Pixel size", formatted("%.4f x %.4f mm", g.pixelWidthMm, g.pixelHeightMm));
    t += row("Model volume", statValue(stats, "model_volume_mm3") + " mm³");
    t += row("Support volume", statValue(stats, "support_volume_mm3") + " mm³");
    t += row("Largest layer area",
             statValue(stats, "largest_layer_area_mm2") + " mm², " +
                 layerLink(in.scan.stats.largestLayer(), "layer " + statValue(stats, "largest_layer")));
    t += row("Wait times", waitTimeText(in));
    t += row("Raft", formatted("%d layers (%d copies of the first stored layer, %d stored)", c.raft.layerCnt,
                               extraRaftLayers(c), storeRaftLayers(c)));
    t += row("Printer height", printerText(in));
    t += row("Print areas in use", areaInfoText(in.areas));
    t += row("Settings not at their defaults", settingsText(c));
    return t + "</table></section>\n";
}

std::string findings(const JobScan& scan) {
    std::string t = "<section id=\"findings\"><h2>Findings</h2>\n<p id=\"check-summary\">" +
                    htmlText(scan.checkSummary) + "</p>\n";
    if (scan.findings.empty()) return t + "<p>Nothing found.</p></section>\n";
    t += "<ol id=\"finding-list\">\n";
    for (const Finding& f : scan.findings) t += "<li>" + layerLink(f.first, htmlText(f.text)) + "</li>\n";
    return t + "</ol></section>\n";
}

std::string figure(const std::string& pictureHtml, const char* caption) {
    return "<figure><div class=\"picture\">" + pictureHtml + "</div><figcaption>" + caption +
           "</figcaption></figure>\n";
}

std::string views(const ReportPictures& p) {
    const std::string side = "<img id=\"side-picture\" src=\"side.png\" alt=\"the job from the front\">"
                             "<div id=\"side-cursor\"></div>";
    const std::string top =
        formatted("<img src=\"top.png\" alt=\"the job from above\" width=\"%d\" height=\"%d\">",
                  p.frame.width, p.frame.height);
    return "<section id=\"views\"><h2>The job</h2>\n<div class=\"views\">\n" +
           figure(side, "From the front: model white, support grey; the marker is the layer shown below") +
           figure(top, "From above: every layer's pixels, model over support") + "</div></section>\n";
}

std::string viewer(const ReportInput& in) {
    const int32_t last = in.scan.layersRead - 1;
    const PictureFrame& f = in.pictures.frame;
    const std::string slider = formatted(
        "<input type=\"range\" id=\"slider\" min=\"0\" max=\"%d\" value=\"0\" aria-label=\"layer\">", last);
    const std::string about =
        formatted(
            "<p>Layer <b id=\"layer-number\">0</b> of 0-%d, its top at <span id=\"layer-z\"></span> mm; ",
            last) +
        "model <span id=\"layer-model\"></span> mm², support <span id=\"layer-support\"></span> mm² "
        "(arrow keys, Page Up and Down, Home and End move)</p>\n";
    const std::string picture = formatted(
        "<img id=\"layer-picture\" alt=\"the layer shown\" width=\"%d\" height=\"%d\">", f.width, f.height);
    return "<section id=\"viewer\"><h2>Layers</h2>\n<div class=\"controls\">" + slider + "</div>\n" + about +
           "<figure><div class=\"picture\">" + picture +
           "</div><figcaption id=\"layer-picture-note\"></figcaption></figure>\n"
           "<ul id=\"layer-findings\"></ul><p id=\"layer-clean\">No finding on this layer.</p>\n"
           "<h3>Area per layer</h3>\n" +
           areaPlot(in.scan.counts, in.geometry.pixelAreaMm2()) + "</section>\n";
}

std::string jobData(const ReportInput& in) {
    const JobScan& s = in.scan;
    std::string model, support, shown, exact, found;
    for (int32_t n = 0; n < s.layersRead; ++n) {
        const char* comma = n ? "," : "";
        model += comma + std::to_string(s.counts[size_t(n)].model);
        support += comma + std::to_string(s.counts[size_t(n)].support);
        const int32_t p = in.pictures.shown[size_t(n)];
        shown += comma + std::to_string(p);
        exact += comma + std::string(s.runStart[size_t(n)] == s.runStart[size_t(p)] ? "1" : "0");
    }
    for (const Finding& f : s.findings)
        found += formatted("%s[%d,%d,", found.empty() ? "" : ",", f.first, f.last) + jsonString(f.text) + "]";
    return formatted("{\"layers\":%d,\"layerMm\":%.17g,\"pixelAreaMm2\":%.17g,\"step\":%d,", s.layersRead,
                     in.geometry.layerHeightMm, in.geometry.pixelAreaMm2(), in.pictures.step) +
           "\"model\":[" + model + "],\"support\":[" + support + "],\"shown\":[" + shown + "],\"exact\":[" +
           exact + "],\"findings\":[" + found + "]}";
}

std::string faultText(const JobScan& s) {
    if (s.fault.empty()) return "";
    const std::string what =
        s.layersRead == 0
            ? "No layer could be read: "
            : formatted("The layers could not all be read; this report shows the %d below the fault. ",
                        s.layersRead);
    return "<p class=\"fault\" id=\"fault\">" + htmlText(what + s.fault) + "</p>\n";
}

} // namespace

std::string reportPage(const ReportInput& in) {
    const std::string dir = htmlText(toLocal8(in.jobDir));
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; img-src 'self'; "
        "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">\n"
        "<title>Job report: " +
        dir + "</title>\n<style>" + reportStyle + "</style></head>\n<body>\n<h1>Job report</h1>\n" +
        "<p class=\"job\">" + dir + "</p>\n" + faultText(in.scan) + summary(in) + findings(in.scan);
    if (in.scan.layersRead > 0) {
        page += views(in.pictures) + viewer(in);
        page += "<script type=\"application/json\" id=\"job-data\">" + jobData(in) + "</script>\n<script>" +
                reportScript + "</script>\n";
    }
    return page + "</body></html>\n";
}

} // namespace Voxmill
