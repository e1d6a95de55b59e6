#include <gtest/gtest.h>

#include <algorithm>

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include "app/CommandLine.h"
#include "app/VoxmillProcess.h"
#include "model/ModelFiles.h"

using namespace Voxmill;

TEST(CommandLine, MessagesAndExitStatusesOfTheProgram) {
    struct Row {
        const char* why;
        QStringList args; // "@" is an empty directory but for dup.ini, settings with a syntax error
        int status;
        QString out;     // all the output, "@" replaced; a pattern when it starts with "^"
        bool logWritten; // output.log appears in "@" with the same text
    };
    const QString help =
        "^Usage: \\S+ \\[options\\]\n\nOptions:\n"
        " +-H +print the help information and exit\n +-V +print version and eixt\n"
        " +-C <C> +config file path\n +-M <M> +model specify\n +-X <X> +vkp file path\n"
        " +-O <O> +output directory\n +-J <J> +most layers imaged at once \\(default: one per core\\)\n\n$";
    // clang-format off
    const std::vector<Row> rows = {
        // -H wins over -V: the options in order, no built-in -h or --version
        {"help", {"-H", "-V"}, 0, help, false},
        // -V wins over everything but -H, and the job does not run
        {"version", {"-V", "-O", "@"}, 0, "Voxmill vesion: 1.4.3\n", false},
        // nothing at all: the model check comes first
        {"empty", {}, 255, "not specify any models.\n", false},
        {"empty output", {"-M", "file:a.stl", "-O", ""}, 255, "not specify any output.\n", false},
        // a trailing "*" leaves an empty piece, which is a fault
        {"trailing star", {"-M", "file:a.stl*", "-O", "@"}, 255, "unrecognised model option: \n", false},
        // words and keywords are case-sensitive; a piece without a keyword is shown whole
        {"format case", {"-M", "file:a.slc*format:SLC", "-O", "o"}, 255, "unrecognised part format type: SLC\n", false},
        {"type case", {"-M", "type:Model*file:a.stl", "-O", "o"}, 255, "unrecognised part type: Model\n", false},
        {"keyword case", {"-M", "File:a.stl", "-O", "o"}, 255, "unrecognised model option: File:a.stl\n", false},
        // a faulty -M after a good one still ends the program, before the output check
        {"second model bad", {"-M", "file:a.stl", "-M", "format:obj"}, 255, "unrecognised part format type: obj\n", false},
        // a worker cap is a positive whole number
        {"zero workers", {"-M", "file:a.stl", "-O", "@", "-J", "0"}, 255, "invalid worker count: 0\n", false},
        {"worker word", {"-M", "file:a.stl", "-O", "@", "-J", "all"}, 255, "invalid worker count: all\n", false},
        {"negative workers", {"-J", "-2", "-M", "file:a.stl", "-O", "@"}, 255, "invalid worker count: -2\n", false},
        // the parser's own rejections exit 1
        {"unknown option", {"-Z"}, 1, "Unknown option 'Z'.\n", false},
        {"missing value", {"-M", "file:a.stl", "-O"}, 1, "Missing value after '-O'.\n", false},
        // a stray word would be a model silently left out of the print
        {"stray argument", {"-M", "file:a.stl", "b.stl", "-O", "@"}, 1, "unrecognised argument: b.stl\n", false},
        // no -C and no -X: reading settings from the empty project path fails
        {"no settings source", {"-M", "file:a.stl", "-O", "@"}, 255, "No file name specified\n", true},
        // a project alone is a model source
        {"project only", {"-X", "@/none.vkp", "-O", "@"}, 255, "@/none.vkp: No such file or directory\n", true},
        // settings that cannot be read end the job with a message naming them
        {"settings a directory", {"-C", "@", "-M", "file:a.stl", "-O", "@"}, 255, "@: is a directory, not a file\n", true},
        {"settings syntax error", {"-C", "@/dup.ini", "-M", "file:a.stl", "-O", "@"}, 255,
         "@/dup.ini(3): duplicate section name\n", true},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        QTemporaryDir dir;
        VoxmillTest::writeFile(dir.filePath("dup.ini"), "[infill]\nenable = true\n[infill]\n");
        QStringList args;
        for (QString a : row.args) args << a.replace(QLatin1Char('@'), dir.path());
        const auto r = Voxmill::Test::runVoxmill(args, dir.path()); // standard error merged in
        EXPECT_EQ(r.status, row.status);
        if (row.out.startsWith('^')) {
            EXPECT_TRUE(QRegularExpression(row.out).match(r.out).hasMatch()) << r.out.toStdString();
        } else {
            EXPECT_EQ(r.out.toStdString(), QString(row.out).replace('@', dir.path()).toStdString());
        }
        // nothing but the log is written
        const QStringList files = QDir(dir.path()).entryList(QDir::Files);
        EXPECT_EQ(files, (row.logWritten ? QStringList{"dup.ini", "output.log"} : QStringList{"dup.ini"}));
        if (row.logWritten) {
            EXPECT_EQ(Voxmill::Test::fileBytes(dir.filePath("output.log")), r.out.toLocal8Bit());
        }
    }
}

TEST(CommandLine, RecordFilledFromOptions) {
    // clang-format off
    const std::pair<QStringList, const char*> rows[] = {
        // sub-options in any order, paths verbatim, a later file: replacing an earlier one
        {{"-M", "type:support-wall*file:a.stl*file: c:/a b.zdm *format:zdm", "-O", "o"},
         "||o| c:/a b.zdm ,2,2"},
        // several -M in command-line order, each with fresh defaults
        {{"-M", "file:a.slc*format:slc*type:model-wall", "-M", "file:b.stl", "-O", "o"}, "||o|a.slc,1,1|b.stl,0,0"},
        // the last -C, -X and -O count
        {{"-C", "a.ini", "-C", "b.ini", "-X", "p.vkp", "-X", "q.vkp", "-O", "o1", "-O", "o2"}, "b.ini|q.vkp|o2"},
    };
    // clang-format on
    for (const auto& [args, expected] : rows) {
        ParsedCommandLine r = parseCommandLine(QStringList{"voxmill"} + args);
        ASSERT_TRUE(r.run) << expected;
        std::string got = r.args.configPath + "|" + r.args.projectPath + "|" + r.args.outputDir;
        for (const ModelSpec& m : r.args.models)
            got += "|" + m.file + "," + std::to_string(int(m.format)) + "," + std::to_string(int(m.type));
        EXPECT_EQ(got, expected);
        EXPECT_EQ(r.args.workers, 0) << "every core unless capped";
    }
    // a cap above the cores leaves one worker per core
    const int32_t cores = std::max(QThread::idealThreadCount(), 1);
    for (const auto& [cap, workers] : {std::make_pair("1", 1), std::make_pair("100000", cores)})
        EXPECT_EQ(parseCommandLine({"voxmill", "-M", "file:a.stl", "-O", "o", "-J", cap}).args.workers,
                  workers);
}
