#include "shell/Faults.h"

namespace amiga {

std::string FaultLine(DosError error, std::string_view header) {
    if (error == kNoError) {
        return {};
    }
    return Fault(error, header) + "\n";
}

}  // namespace amiga
