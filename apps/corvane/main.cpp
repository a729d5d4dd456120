// The analysis program: the main window with its start box.

#include <QApplication>

#include <string>

#include "common/FileNames.h"
#include "corvane/frmMDImain.h"
#include "common/qt/QtPrompt.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::string programDirectory;
    try {
        programDirectory = common::ApplicationDirectory();
    } catch (const std::exception&) {
        // Without its own folder the program still analyses; only the manuals are not found.
    }
    common::QtPrompt prompt;
    corvane::frmMDImain window(prompt, programDirectory);
    prompt.setParent(&window);
    window.show();
    window.Start();
    return app.exec();
}
