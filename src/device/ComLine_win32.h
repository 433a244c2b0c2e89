// The tester's line settings as a DCB, shared by the program's serial port
// and by the simulator's Windows build.
#pragma once

#include <windows.h>

namespace heliotab {

// 9600 baud, 8N1, binary, no handshake of any kind, every field set on
// purpose so nothing is inherited from the port's last user.
DCB TesterLineDcb();

} // namespace heliotab
