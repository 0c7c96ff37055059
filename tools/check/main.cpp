// darvell-check: reports, in one run, everything in a data directory that the
// program would stumble over.
#include "platform/ExeDir.h"
#include "tools/check/CDataDirChecker.h"
#include "tools/check/CheckRules.h"

#include <QGuiApplication>
#include <cstdio>
#include <string>

namespace {

// Qt's own notices (a runtime directory it had to pick, ...) are not problems of
// the data directory and would only clutter the report.
void QuietQt(QtMsgType type, const QMessageLogContext&, const QString& msg)
{
    if (type == QtFatalMsg || type == QtCriticalMsg)
        std::fprintf(stderr, "darvell-check: %s\n", msg.toLocal8Bit().constData());
}

void PrintHelp()
{
    std::printf("Usage: darvell-check [DATA_DIRECTORY]\n"
                "Checks a Darvell data directory (default: QL7_Tool beside this program) and\n"
                "prints one line per problem, \"error:\" or \"warning:\", naming the file, the\n"
                "[section] and the key, then a summary line. A \"note:\" line names the\n"
                "encoding each text file was read in.\n"
                "Exit status: 0 no errors (warnings allowed), 1 errors found, 2 the directory\n"
                "cannot be read.\n\nRules:\n%s",
                checkrules::RulesText().c_str());
}

} // namespace

int main(int argc, char** argv)
{
    std::string dir;
    for (const std::string& arg : platform::ProgramArguments(argc, argv)) {
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return 0;
        }
        if (!dir.empty()) {
            std::fprintf(stderr, "darvell-check: one data directory only (see --help)\n");
            return 2;
        }
        dir = arg;
    }
    if (dir.empty())
        dir = platform::DataPath();

    // Bitmaps are decoded as the program decodes them, which needs a GUI
    // application object but no display. The Windows folder ships only the
    // windows platform plugin, which opens no window either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen;windows");
    qInstallMessageHandler(QuietQt);
    QGuiApplication app(argc, argv);

    CDataDirChecker checker(dir);
    const int status = checker.Run();
    for (const CheckProblem& p : checker.Notes())
        std::printf("%s\n", FormatProblem(p).c_str());
    for (const CheckProblem& p : checker.Problems())
        std::printf("%s\n", FormatProblem(p).c_str());
    std::printf("%s\n", checker.Summary().c_str());
    return status;
}
