// The `sklad` program: runs one subcommand and answers its exit status.
#include <unistd.h>

#include <iostream>

#include "tools/sklad/Tool.h"

int main(int argc, char** argv) {
  sklad::tool::TToolStreams streams{std::cout, std::cerr, isatty(STDOUT_FILENO) == 1,
                                    isatty(STDERR_FILENO) == 1};
  return sklad::tool::RunTool(argc, argv, streams);
}
