#include "app/CommandLine.h"

#include <algorithm>

#include <QCommandLineParser>
#include <QThread>

#include "base/Log.h"

namespace Voxmill {

namespace {

constexpr int statusFault = -1;      // command-line faults, as every job failure
constexpr int statusParserFault = 1; // rejected by the option parser itself

QByteArray local(const QString& s) { return s.toLocal8Bit(); }

struct Options {
    QCommandLineOption help{QStringLiteral("H"), QStringLiteral("print the help information and exit")};
    QCommandLineOption version{QStringLiteral("V"), QStringLiteral("print version and eixt")};
    QCommandLineOption config{QStringLiteral("C"), QStringLiteral("config file path"), QStringLiteral("C")};
    QCommandLineOption model{QStringLiteral("M"), QStringLiteral("model specify"), QStringLiteral("M")};
    QCommandLineOption project{QStringLiteral("X"), QStringLiteral("vkp file path"), QStringLiteral("X")};
    QCommandLineOption output{QStringLiteral("O"), QStringLiteral("output directory"), QStringLiteral("O")};
    QCommandLineOption workers{QStringLiteral("J"),
                               QStringLiteral("most layers imaged at once (default: one per core)"),
                               QStringLiteral("J")};

    // Registration order is the order of the help listing.
    void addTo(QCommandLineParser& parser) const {
        for (const QCommandLineOption* o : {&help, &version, &config, &model, &project, &output, &workers})
            parser.addOption(*o);
    }
};

ParsedCommandLine endWith(int status) {
    ParsedCommandLine r;
    r.exitStatus = status;
    return r;
}

// A word left over without an option would be a model or path the user
// meant to pass; dropping it silently could print a job without it.
bool rejectStrayArguments(const QCommandLineParser& parser) {
    const QStringList stray = parser.positionalArguments();
    if (stray.isEmpty()) return false;
    logPrint("unrecognised argument: %s\n", local(stray.first()).constData());
    return true;
}

// The cap on the image workers: a positive whole number; the job uses no
// more workers than the machine has cores.
bool parseWorkerCap(const QString& value, int32_t& workers) {
    bool ok = false;
    const int cap = value.toInt(&ok);
    if (!ok || cap < 1) {
        logPrint("invalid worker count: %s\n", local(value).constData());
        return false;
    }
    workers = std::min(cap, std::max(QThread::idealThreadCount(), 1));
    return true;
}

} // namespace

bool parseModelValue(const QString& value, ModelSpec& spec) {
    spec.format = part_format_t::stl;
    spec.type = part_type_t::model;
    // Empty pieces are kept: "a**b" and a trailing "*" are faults the user sees.
    const QStringList pieces = value.split(QLatin1Char('*'), Qt::KeepEmptyParts);
    for (const QString& piece : pieces) {
        if (piece.startsWith(QLatin1String("file:"))) {
            spec.file = local(piece.mid(5)).toStdString();
        } else if (piece.startsWith(QLatin1String("type:"))) {
            if (!partTypeFromWord(piece.mid(5).toStdString(), spec.type)) {
                logPrint("unrecognised part type: %s\n", local(piece.mid(5)).constData());
                return false;
            }
        } else if (piece.startsWith(QLatin1String("format:"))) {
            if (!partFormatFromWord(piece.mid(7).toStdString(), spec.format)) {
                logPrint("unrecognised part format type: %s\n", local(piece.mid(7)).constData());
                return false;
            }
        } else {
            logPrint("unrecognised model option: %s\n", local(piece).constData());
            return false;
        }
    }
    return true;
}

ParsedCommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    const Options options;
    options.addTo(parser);
    if (!parser.parse(arguments)) {
        logPrint("%s\n", local(parser.errorText()).constData());
        return endWith(statusParserFault);
    }
    if (parser.isSet(options.help)) {
        logPrint("%s\n", local(parser.helpText()).constData());
        return endWith(0);
    }
    if (parser.isSet(options.version)) {
        const QString version = QString::asprintf("%d.%d.%d", VOXMILL_VERSION_MAJOR, VOXMILL_VERSION_MINOR,
                                                  VOXMILL_VERSION_PATCH);
        logPrint("Voxmill vesion: %s\n", local(version).constData());
        return endWith(0);
    }
    if (rejectStrayArguments(parser)) return endWith(statusParserFault);

    ParsedCommandLine r;
    CommandLineArgs& args = r.args;
    // value() is the last of repeated values: the last -C, -X or -O counts.
    if (parser.isSet(options.config)) args.configPath = local(parser.value(options.config)).toStdString();
    for (const QString& value : parser.values(options.model)) {
        args.models.emplace_back();
        if (!parseModelValue(value, args.models.back())) return endWith(statusFault);
    }
    if (parser.isSet(options.project)) args.projectPath = local(parser.value(options.project)).toStdString();
    if (parser.isSet(options.output)) args.outputDir = local(parser.value(options.output)).toStdString();
    if (parser.isSet(options.workers) && !parseWorkerCap(parser.value(options.workers), args.workers))
        return endWith(statusFault);

    if (args.models.empty() && args.projectPath.empty()) {
        logPrint("not specify any models.\n");
        return endWith(statusFault);
    }
    if (args.outputDir.empty()) {
        logPrint("not specify any output.\n");
        return endWith(statusFault);
    }
    r.run = true;
    return r;
}

} // namespace Voxmill
