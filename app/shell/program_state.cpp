#include "app/shell/program_state.h"

namespace klv::app {

ProgramState& programState() {
    static ProgramState state;
    return state;
}

} // namespace klv::app
