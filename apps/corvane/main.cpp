// The analysis program: the main window with its start box, or with a test set opened from the
// command line. --screenshot writes the window to an image once the test is drawn and ends,
// so that the program can be looked at on a machine without a display.

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>
#include <string>

#include "common/FileNames.h"
#include "common/qt/QtPrompt.h"
#include "corvane/frmMDImain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("corvane"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Analysis of recorded VOD and scope tests."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("set-file"),
                                 QStringLiteral("Test set file to open (optional)."));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Write the main window to FILE (.png) once the test is drawn, then end."),
        QStringLiteral("FILE"));
    parser.addOption(screenshot);
    parser.process(app);
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        std::fputs("corvane: at most one set file\n", stderr);
        return 2;
    }

    std::string programDirectory;
    try {
        programDirectory = common::ApplicationDirectory();
    } catch (const std::exception&) {
        // Without its own folder the program still analyses; only the manuals are not found.
    }
    common::QtPrompt prompt;
    corvane::frmMDImain window(prompt, programDirectory);
    prompt.setParent(&window);
    window.resize(1200, 800);
    window.show();
    window.Start();
    // A screenshot run has nobody to answer message boxes.
    const bool quiet = parser.isSet(screenshot);
    bool opened = true;
    if (!positional.isEmpty())
        opened = window.OpenTestSetFile(positional.front().toStdString(), quiet);
    if (!opened && quiet)
        std::fprintf(stderr, "corvane: %s could not be opened\n", qPrintable(positional.front()));

    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        QTimer::singleShot(0, &window, [&window, file, opened] {
            const bool saved = window.grab().save(file);
            if (!saved) std::fprintf(stderr, "corvane: cannot write %s\n", qPrintable(file));
            QApplication::exit(saved && opened ? 0 : 1);
        });
    }
    return app.exec();
}
