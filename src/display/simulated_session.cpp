#include "display/simulated_session.h"

namespace diag {

SimulatedSession::SimulatedSession()
    : info{1, 1, "WinSta0", true, false, "CAISSE-01\\caisse"},
      devices{{"\\\\.\\DISPLAY1", true, 0, 0, 1280, 1024, 32, 60, 96}} {}

} // namespace diag
