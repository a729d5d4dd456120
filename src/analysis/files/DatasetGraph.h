#pragma once
// A graph as its dataset sees it: created, numbered, marked as a channel or event graph, set
// up on the set file, told to redraw and closed. The graph model (graphs::clsGraph)
// implements it; the dataset makes its graphs through a GraphFactory so that the files layer
// does not depend on the graph layer above it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace files {

class clsDataset;

// Message codes that the dataset sends to its graphs.
inline constexpr std::int32_t kMsgYAxisLabel = 43;    // rewrite the Y-axis label
inline constexpr std::int32_t kMsgNormalState = 44;   // window state back to normal
inline constexpr std::int32_t kMsgTakeFocus = 45;     // the window takes the focus
inline constexpr std::int32_t kMsgMainTitle = 222;    // rewrite the main title
inline constexpr std::int32_t kMsgSubtitle = 223;     // rewrite the subtitle
inline constexpr std::int32_t kMsgXAxisLabel = 224;   // rewrite the X-axis label

class DatasetGraph {
public:
    virtual ~DatasetGraph() = default;

    virtual void SetGraphAndDataSetNr(std::int32_t graph, std::int32_t dataSet) = 0;
    virtual void SetChannelNr(std::int32_t channel) = 0;
    virtual void SetEventNr(std::int32_t event) = 0;
    virtual void SetAsEvent(bool isEvent) = 0;
    // Loads the graph's points from the dataset and hands them to its window.
    virtual void Setup(clsDataset& dataset, const std::string& setName) = 0;
    // Reads the points of the graph's current range again (after a new table or new edits).
    virtual void Reload() = 0;
    virtual void ProcessGraphMsg(std::int32_t code) = 0;
    virtual void CloseGraph() = 0;
};

using GraphFactory = std::function<std::unique_ptr<DatasetGraph>()>;

}  // namespace files
