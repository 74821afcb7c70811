// TResultWriter: one output form of a result (an aligned table, CSV or JSON), shared by the
// commands that print rows. A writer takes the column names, then the rows, then the end.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "tools/sklad/ResultCell.h"

namespace sklad::tool {

class TResultWriter {
 public:
  virtual ~TResultWriter() = default;
  virtual void Begin(const std::vector<std::string>& columnNames) = 0;
  virtual void Row(const std::vector<TResultCell>& cells) = 0;
  virtual void End() = 0;
};

enum class TOutputForm { AlignedTable, Csv, Json };

// An explicit --csv or --json wins; otherwise a terminal gets the form meant for reading and
// anything else CSV.
TOutputForm ChooseOutputForm(bool csv, bool json, bool terminal, TOutputForm forTerminal);

std::unique_ptr<TResultWriter> MakeResultWriter(TOutputForm form, std::ostream& out);

// Each form on its own; MakeResultWriter chooses among them.
std::unique_ptr<TResultWriter> MakeAlignedTableWriter(std::ostream& out);
std::unique_ptr<TResultWriter> MakeCsvWriter(std::ostream& out);
std::unique_ptr<TResultWriter> MakeJsonWriter(std::ostream& out);

}  // namespace sklad::tool
