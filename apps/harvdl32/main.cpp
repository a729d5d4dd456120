// harvdl32: downloads the tests stored on the multi-channel recorder.
//
//   harvdl32 ROOT                 the download window
//   harvdl32 --unattended ROOT    the same run without a window and without a user
//
// ROOT is the file-name root (a folder and a name prefix): the tests are written as ROOT01.crv
// and ROOT01.raw, ROOT02.crv ..., and the run reports in ROOT.log. Without --unattended the
// whole command line after the program name is the root (its words joined by single blanks,
// even when they begin with "--"); nothing else is parsed, and no option of the window system
// is taken from it. --unattended is recognised only as the exact first word; the root is then
// the rest, joined the same way.
//
// The window fetches a single stored test at once and offers boxes 1 to 16 when there are
// several. An unattended run needs no display (it starts no part of the window system):
// every stored test is fetched; every message goes to standard error as one line and into the
// log's section "Status" as "Message 1", "Message 2", ... (before "Complete", which stays the
// last key); a line per test shows the progress; questions are answered without asking so
// that data are kept and the run ends; SIGINT or SIGTERM cancels the run as the Cancel button
// does, and a second one ends the program at once.
//
// With VANTREL_RECORDER naming a recorder image the emulated recorder answers instead of the
// parallel ports.
//
// Exit code 0 when the run ended complete without error, 1 otherwise (the log says how);
// `harvdl32 --unattended` without a root: "Error - blank filename." on standard error and exit
// code 2, nothing written.

#include "common/Prompt.h"
#include "common/qt/QtPrompt.h"
#include "download/DownloadDriver.h"
#include "download/StopSignals.h"
#include "download/UnattendedRun.h"
#include "harvdl32/CommandLine.h"
#include "harvdl32/UnusableBackend.h"
#include "harvdl32/frmDownload.h"
#include "link/Port.h"
#include "recsim/BackendChoice.h"
#include "recsim/Emulator.h"

#include <QApplication>

#include <exception>
#include <iostream>
#include <memory>
#include <string>

namespace {

constexpr const char* kProgram = "harvdl32";

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

int runWindow(char* programPath, const std::string& root) {
    // The window system sees only the program name: a root must never be taken for its options.
    int qtArgc = 1;
    char* qtArgv[] = {programPath, nullptr};
    QApplication app(qtArgc, qtArgv);

    common::QtPrompt prompt;
    harvdl32::frmDownload window(root, prompt, portOptions());
    prompt.setParent(&window);
    QObject::connect(&window, &harvdl32::frmDownload::ended, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.load();
    app.exec();
    return window.driver().result() == download::RunResult::Complete ? 0 : 1;
}

int runUnattended(const std::string& root) {
    download::StopSignals stop;
    download::UnattendedRunOptions options;
    options.out = &std::cerr;
    options.program = kProgram;
    options.stop = &stop;
    const int code = download::runUnattended(root, portOptions(), options);
    if (code == download::kExitNoRoot) std::cerr << "usage: " << kProgram << " --unattended ROOT" << std::endl;
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    const harvdl32::CommandLine line = harvdl32::parseCommandLine(argc, argv);
    if (line.unattended) return runUnattended(line.root);
    return runWindow(argv[0], line.root);
}
