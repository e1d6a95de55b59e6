#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "app/CommandLine.h"
#include "app/TestApp.h"

using namespace Voxmill;

namespace {

struct RunResult {
    int status;
    QString out, err;
};

RunResult runVoxmill(const QStringList& args, const QString& workDir) {
    Test::testApp();
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.start(QStringLiteral(VOXMILL_BIN), args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1000,
            QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

} // namespace

TEST(CommandLine, MessagesAndExitStatusesOfTheProgram) {
    enum class Expect {
        exact,      // stdout is exactly the text
        matches,    // stdout matches the text as a pattern
        contains,   // stdout holds the text somewhere
        jobFailure, // the command line passed; the job's own one-line error follows
    };
    struct Row {
        const char* why;
        QStringList args; // "@" is replaced by an existing empty directory
        int status;
        Expect kind;
        QString text;
        bool logWritten; // output.log appears in that directory with the same text
    };
    const QString version = QStringLiteral("Voxmill vesion: 1.4.3\n");
    const QString help = "^Usage: \\S+ \\[options\\]\n\nOptions:\n"
                         " +-H +print the help information and exit\n +-V +print version and eixt\n"
                         " +-C <C> +config file path\n +-M <M> +model specify\n +-X <X> +vkp file path\n"
                         " +-O <O> +output directory\n\n$";
    // clang-format off
    const std::vector<Row> rows = {
        // -H wins over -V and prints the parser's help: the six options in
        // order, nothing built in such as -h or --version, then the print's newline
        {"help", {"-H", "-V"}, 0, Expect::matches, help, false},
        // -V wins over everything but -H, and the job does not run
        {"version", {"-V", "-O", "@"}, 0, Expect::exact, version, false},
        // nothing at all: the model check comes first
        {"empty", {}, 255, Expect::exact, "not specify any models.\n", false},
        {"no output", {"-M", "file:a.stl"}, 255, Expect::exact, "not specify any output.\n", false},
        {"empty output", {"-M", "file:a.stl", "-O", ""}, 255, Expect::exact, "not specify any output.\n", false},
        // a model value without a keyword
        {"bare path", {"-M", "a.stl", "-O", "@"}, 255, Expect::exact, "unrecognised model option: a.stl\n", false},
        // a trailing "*" leaves an empty piece, which is a fault
        {"trailing star", {"-M", "file:a.stl*", "-O", "@"}, 255, Expect::exact, "unrecognised model option: \n", false},
        // words are case-sensitive
        {"format case", {"-M", "file:a.slc*format:SLC", "-O", "o"}, 255, Expect::exact, "unrecognised part format type: SLC\n", false},
        {"type case", {"-M", "type:Model*file:a.stl", "-O", "o"}, 255, Expect::exact, "unrecognised part type: Model\n", false},
        // keywords are case-sensitive too, and the whole piece is shown
        {"keyword case", {"-M", "File:a.stl", "-O", "o"}, 255, Expect::exact, "unrecognised model option: File:a.stl\n", false},
        // a faulty -M after a good one still ends the program, before the output check
        {"second model bad", {"-M", "file:a.stl", "-M", "format:obj"}, 255, Expect::exact, "unrecognised part format type: obj\n", false},
        // the parser's own rejections exit 1
        {"unknown option", {"-Z"}, 1, Expect::contains, "'Z'", false},
        {"no built-in help", {"--help"}, 1, Expect::contains, "'help'", false},
        {"missing value", {"-M", "file:a.stl", "-O"}, 1, Expect::contains, "'-O'", false},
        // a stray word would be a model silently left out of the print
        {"stray argument", {"-M", "file:a.stl", "b.stl", "-O", "@"}, 1, Expect::exact, "unrecognised argument: b.stl\n", false},
        // no -C and no -X: reading settings from the empty project path fails
        {"no settings source", {"-M", "file:a.stl", "-O", "@"}, 255, Expect::jobFailure, "", true},
        // a project alone is a model source
        {"project only", {"-X", "@/none.vkp", "-O", "@"}, 255, Expect::jobFailure, "", true},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        QTemporaryDir dir;
        QStringList args;
        for (QString a : row.args)
            args << a.replace(QLatin1Char('@'), dir.path());
        RunResult r = runVoxmill(args, dir.path());
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(r.err.toStdString(), "");
        switch (row.kind) {
        case Expect::exact:
            EXPECT_EQ(r.out.toStdString(), row.text.toStdString());
            break;
        case Expect::matches:
            EXPECT_TRUE(QRegularExpression(row.text).match(r.out).hasMatch()) << r.out.toStdString();
            break;
        case Expect::contains:
            EXPECT_TRUE(r.out.contains(row.text)) << r.out.toStdString();
            break;
        case Expect::jobFailure:
            EXPECT_TRUE(r.out.endsWith(QLatin1Char('\n'))) << r.out.toStdString();
            for (const char* m : {"unrecognised", "not specify any", "Unknown option", "Missing value"})
                EXPECT_FALSE(r.out.contains(QLatin1String(m))) << r.out.toStdString();
            break;
        }
        QFile log(dir.filePath(QStringLiteral("output.log")));
        EXPECT_EQ(log.exists(), row.logWritten);
        if (row.logWritten && log.open(QIODevice::ReadOnly)) {
            EXPECT_EQ(QString::fromLocal8Bit(log.readAll()).toStdString(), r.out.toStdString());
        }
    }
}

namespace {

ModelSpec spec(const char* file, part_format_t format, part_type_t type) {
    return {file, format, type};
}

} // namespace

TEST(CommandLine, RecordFilledFromOptions) {
    using F = part_format_t;
    using T = part_type_t;
    // clang-format off
    struct Row {
        const char* why;
        QStringList args;
        CommandLineArgs expected;
    };
    const std::vector<Row> rows = {
        // sub-options in any order
        {"order", {"-M", "type:model-wall*file:w.stl", "-O", "o"}, {"", "", "o", {spec("w.stl", F::stl, T::modelWall)}}},
        // no file: keeps the empty name; the reader reports it later
        {"format only", {"-M", "format:slc", "-O", "o"}, {"", "", "o", {spec("", F::slc, T::model)}}},
        // a later file: replaces an earlier one
        {"file twice", {"-M", "file:a.stl*file:b.stl", "-O", "o"}, {"", "", "o", {spec("b.stl", F::stl, T::model)}}},
        // paths are verbatim: spaces and colons kept
        {"verbatim path", {"-M", "file: c:/a b.zdm *format:zdm*type:support-wall", "-O", "o"},
         {"", "", "o", {spec(" c:/a b.zdm ", F::zdm, T::supportWall)}}},
        // several -M in command-line order, each with fresh defaults
        {"two models", {"-M", "file:a.slc*format:slc*type:model-wall", "-M", "file:b.stl", "-O", "o"},
         {"", "", "o", {spec("a.slc", F::slc, T::modelWall), spec("b.stl", F::stl, T::model)}}},
        // the last -C, -X and -O count
        {"last wins", {"-C", "a.ini", "-C", "b.ini", "-X", "p.vkp", "-X", "q.vkp", "-O", "o1", "-O", "o2"},
         {"b.ini", "q.vkp", "o2", {}}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        ParsedCommandLine r = parseCommandLine(QStringList{QStringLiteral("voxmill")} + row.args);
        ASSERT_TRUE(r.run);
        EXPECT_EQ(r.args.configPath, row.expected.configPath);
        EXPECT_EQ(r.args.projectPath, row.expected.projectPath);
        EXPECT_EQ(r.args.outputDir, row.expected.outputDir);
        ASSERT_EQ(r.args.models.size(), row.expected.models.size());
        for (size_t i = 0; i < r.args.models.size(); ++i) {
            EXPECT_EQ(r.args.models[i].file, row.expected.models[i].file);
            EXPECT_EQ(r.args.models[i].format, row.expected.models[i].format);
            EXPECT_EQ(r.args.models[i].type, row.expected.models[i].type);
        }
    }
}
