#include "OpenedTest.h"

#include "analysis/graphs/clsGraph.h"

namespace cli {

OpenedTest::OpenedTest(const std::string& setFile)
    : m_dataset(m_prompt, m_progress, graphs::clsGraph::factory()) {
    m_prompt.setDefaultAnswer(false);  // uninitialised data stay in
    if (!m_dataset.bSetupDataAndGraphs(setFile, 1, true)) {
        std::string why = m_dataset.lLastErrorStep() > 0
                              ? files::graphsNotShownMessage(m_dataset.lLastErrorStep())
                              : std::string("The test cannot be opened.");
        if (!m_dataset.sLastError().empty()) why += " " + m_dataset.sLastError();
        for (const std::string& message : m_prompt.messages())
            why += " " + common::expandLineMarks(message);
        throw std::runtime_error(why);
    }
}

std::int32_t OpenedTest::channelGraph(int channel) const {
    if (channel < 1 || channel > m_dataset.lNrChannels())
        throw std::runtime_error("The test has no channel " + std::to_string(channel) +
                                 " (channels 1 to " + std::to_string(m_dataset.lNrChannels()) + ")");
    std::int32_t graph = 0;
    for (const std::int32_t g : m_dataset.graphNumbers())
        if (m_dataset.graphKind(g) == files::GraphKind::Channel && m_dataset.graphChannel(g) == channel)
            graph = g;
    if (graph == 0) throw std::runtime_error("Channel " + std::to_string(channel) + " is switched off");
    if (m_dataset.graphTable(graph).empty()) {
        const std::string& note = m_dataset.tableNote(channel);
        throw std::runtime_error("Channel " + std::to_string(channel) + " has no conversion table" +
                                 (note.empty() ? std::string(".") : ": " + note));
    }
    return graph;
}

}  // namespace cli
