// Runs the `sklad` tool in-process on an argument list and keeps what it wrote and its status.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tools/sklad/Tool.h"

namespace sklad::testing {

struct ToolRun {
  int Status = -1;
  std::string Out;
  std::string Err;
};

// The arguments follow the program name; `terminal` pretends both streams are terminals.
inline ToolRun RunSklad(std::vector<std::string> arguments, bool terminal = false) {
  arguments.insert(arguments.begin(), "sklad");
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  std::ostringstream out, err;
  tool::TToolStreams streams{out, err, terminal, terminal};
  ToolRun run;
  run.Status = tool::RunTool(static_cast<int>(argv.size()), argv.data(), streams);
  run.Out = out.str();
  run.Err = err.str();
  return run;
}

}  // namespace sklad::testing
