// corvane-cli: the analysis program's functions from the command line.
// Exit codes: 0 success, 2 usage error, 1 any other error (described on standard error).

#include <CLI/CLI.hpp>

#include <iostream>
#include <string>

#include "ExportCommand.h"
#include "InfoCommand.h"
#include "MeasureCommands.h"
#include "PlotCommand.h"

int main(int argc, char** argv) {
    CLI::App app{"Corvane test sets from the command line"};
    app.name("corvane-cli");
    app.require_subcommand(1);

    std::string setFile;
    bool json = false;
    CLI::App* info = app.add_subcommand("info", "Describe a test set: model, channels, sample "
                                                "rate, points, trigger, comment (read-only)");
    info->add_option("setfile", setFile, "The test's set file (root.crv)")->required();
    info->add_flag("--json", json, "Write one flat JSON object instead of text");

    cli::ExportRequest exportRequest;
    CLI::App* exportCommand = cli::addExportCommand(app, exportRequest);
    cli::PlotRequest plotRequest;
    CLI::App* plotCommand = cli::addPlotCommand(app, plotRequest);
    cli::MeasureCommands measureCommands;
    cli::addMeasureCommands(app, measureCommands);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);  // prints help, or the usage error on standard error
        return code == 0 ? 0 : 2;
    }
    if (info->parsed()) return cli::runInfo(setFile, json, std::cout, std::cerr);
    if (exportCommand->parsed()) return cli::runExport(exportRequest, std::cout, std::cerr);
    if (plotCommand->parsed()) return cli::runPlot(plotRequest, std::cerr);
    if (const auto code = measureCommands.runParsed(std::cout, std::cerr)) return *code;
    return 2;
}
