// The `sklad` tool's frame: the streams a command writes to, its failures and their exit statuses,
// and RunTool, which parses the command line and runs the chosen subcommand.
#pragma once

#include <ostream>
#include <stdexcept>

namespace sklad::tool {

// Where a command writes; whether each stream is a terminal decides the output form (an aligned
// table or CSV) and whether a progress bar is drawn.
struct TToolStreams {
  std::ostream& Out;
  std::ostream& Err;
  bool OutIsTerminal = false;
  bool ErrIsTerminal = false;
};

// Exit statuses: an engine error or another failure of the work (damage found, a bad CSV line)
// is 1, a wrong command line 2.
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// A command line the tool cannot act on, found after parsing (two sources given, none given).
class TUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A failure of the work that is not an engine error; its message goes to the error stream.
class TToolFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses the arguments, runs the subcommand and answers the exit status. Messages of failures go
// to streams.Err, one line each.
int RunTool(int argc, char** argv, TToolStreams& streams);

}  // namespace sklad::tool
