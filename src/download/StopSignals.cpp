#include "download/StopSignals.h"

#include <stdexcept>

namespace download {
namespace {

// Written only by the handler (and reset when no handler is installed).
volatile std::sig_atomic_t g_stopSignal = 0;
bool g_installed = false;

extern "C" void onStopSignal(int sig) {
    if (g_stopSignal != 0) {
        // Asked again: the default action (the signal stays blocked until this handler
        // returns, then ends the process).
        std::signal(sig, SIG_DFL);
        std::raise(sig);
        return;
    }
    g_stopSignal = sig;
}

void install(int sig, struct sigaction* old) {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // Both stop signals wait for each other's handler.
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    // Reads and writes of the run's files go on as if nothing happened.
    action.sa_flags = SA_RESTART;
    if (::sigaction(sig, &action, old) != 0)
        throw std::runtime_error("cannot install a signal handler");
}

}  // namespace

StopSignals::StopSignals() {
    if (g_installed) throw std::logic_error("StopSignals: one at a time");
    g_stopSignal = 0;
    install(SIGINT, &m_oldInt);
    install(SIGTERM, &m_oldTerm);
    g_installed = true;
}

StopSignals::~StopSignals() {
    ::sigaction(SIGTERM, &m_oldTerm, nullptr);
    ::sigaction(SIGINT, &m_oldInt, nullptr);
    g_installed = false;
    g_stopSignal = 0;
}

bool StopSignals::stopRequested() const { return g_stopSignal != 0; }

int StopSignals::signalNumber() const { return static_cast<int>(g_stopSignal); }

}  // namespace download
