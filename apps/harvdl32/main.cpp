// harvdl32: downloads the tests stored on the multi-channel recorder. Started with the
// file-name root as its whole command line (the words after the program name, joined by
// single blanks); nothing else is parsed, and no option of the window system is taken from it.
//
// With VANTREL_RECORDER naming a recorder image the emulated recorder answers instead of the
// parallel ports. Exit code 0 when the run ended complete without error, 1 otherwise.

#include "common/Prompt.h"
#include "download/DownloadDriver.h"
#include "common/qt/QtPrompt.h"
#include "harvdl32/UnusableBackend.h"
#include "harvdl32/frmDownload.h"
#include "link/Port.h"
#include "recsim/BackendChoice.h"
#include "recsim/Emulator.h"

#include <QApplication>

#include <exception>
#include <memory>
#include <string>

namespace {

std::string commandLineRoot(int argc, char** argv) {
    std::string root;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) root += ' ';
        root += argv[i];
    }
    return root;
}

download::DriverOptions portOptions() {
    download::DriverOptions options;
    std::unique_ptr<vantrel::link::PortBackend> backend;
    try {
        backend = recsim::choosePortBackend();
    } catch (const std::exception& e) {
        backend = std::make_unique<harvdl32::UnusableBackend>(std::string(recsim::kRecorderVariable) + ": " + e.what());
    }
    if (backend) {
        if (const auto* emulator = dynamic_cast<const recsim::Emulator*>(backend.get()))
            options.memoryWords = emulator->image().memoryWords;
        options.port = std::make_unique<vantrel::link::Port>(std::move(backend));
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string root = commandLineRoot(argc, argv);
    // The window system sees only the program name: a root must never be taken for its options.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);

    common::QtPrompt prompt;
    harvdl32::frmDownload window(root, prompt, portOptions());
    prompt.setParent(&window);
    QObject::connect(&window, &harvdl32::frmDownload::ended, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.load();
    app.exec();
    return window.driver().result() == download::RunResult::Complete ? 0 : 1;
}
