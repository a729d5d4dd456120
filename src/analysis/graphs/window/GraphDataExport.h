#pragma once
// Edit > Copy X/Y Data and Export Data to Excel of the graph windows: the data export of the
// measurements on the desktop's clipboard, with workbooks opened by the desktop's program for
// them. install() gives a window context its two export hooks.

#include <string>

#include "analysis/measure/Clipboard.h"
#include "analysis/measure/DataExport.h"

namespace common {
class Prompt;
}

namespace graphs {

struct GraphWindowContext;

// The application's clipboard.
class DesktopClipboard final : public measure::Clipboard {
public:
    void clear() override;
    void setText(const std::string& text) override;
};

// Opens a file with the desktop's program for its type.
class DesktopFileOpener final : public measure::FileOpener {
public:
    bool openFile(const std::string& path) override;
};

class GraphDataExport {
public:
    explicit GraphDataExport(common::Prompt& prompt);
    GraphDataExport(const GraphDataExport&) = delete;
    GraphDataExport& operator=(const GraphDataExport&) = delete;

    void install(GraphWindowContext& context);
    measure::ExportContext& context() { return m_context; }

private:
    DesktopClipboard m_clipboard;
    DesktopFileOpener m_opener;
    measure::ExportContext m_context;
};

}  // namespace graphs
