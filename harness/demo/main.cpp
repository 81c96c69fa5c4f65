#include "harness/TestCase.h"
#include "harness/demo/DemoForm.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QTextStream>
#include <cstring>

namespace {

constexpr int kExitWriteFailed = 2;

bool WantsRun(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--run") == 0)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    // A scripted run needs no display; the platform is chosen before the
    // application object exists.
    if (WantsRun(argc, argv))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("provella-demo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A form with one test case and three test units."));
    parser.addHelpOption();
    const QCommandLineOption runOption(QStringLiteral("run"),
                                       QStringLiteral("Run the tests once without a window and exit."));
    const QCommandLineOption logOption(QStringLiteral("log"),
                                       QStringLiteral("With --run, write the log to <file> instead of standard output."),
                                       QStringLiteral("file"));
    parser.addOption(runOption);
    parser.addOption(logOption);
    parser.process(app);

    if (parser.isSet(logOption) && !parser.isSet(runOption)) {
        QTextStream(stderr) << "provella-demo: --log needs --run\n";
        return EXIT_FAILURE;
    }

    DemoForm form;
    form.show();
    if (!parser.isSet(runOption))
        return app.exec();

    form.Case()->cmdRun_Click();
    const QByteArray log = form.Case()->LogText().toUtf8();
    if (!parser.isSet(logOption)) {
        QTextStream(stdout) << log;
        return EXIT_SUCCESS;
    }
    QFile file(parser.value(logOption));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(log) != log.size()) {
        QTextStream(stderr) << "provella-demo: cannot write the log to " << file.fileName() << ": "
                            << file.errorString() << "\n";
        return kExitWriteFailed;
    }
    return EXIT_SUCCESS;
}
