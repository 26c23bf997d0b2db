#ifndef PCK_COMMANDS_H
#define PCK_COMMANDS_H

#include <ostream>
#include <string>
#include <vector>

namespace pck {

// Runs the command line args (without the program's name). Returns the exit code.
int RunPck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace pck

#endif
