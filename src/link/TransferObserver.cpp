#include "link/TransferObserver.h"

namespace vantrel::link {

std::string portTypeText(PortType type) {
    switch (type) {
    case PortType::Spp: return " Using SPP";
    case PortType::Ecp: return " Using ECP";
    case PortType::Epp: return " Using EPP";
    case PortType::SlowSpp: return " Using SPPs";
    }
    return " Using ";
}

}  // namespace vantrel::link
