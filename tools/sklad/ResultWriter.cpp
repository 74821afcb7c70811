#include "tools/sklad/ResultWriter.h"

namespace sklad::tool {

TOutputForm ChooseOutputForm(bool csv, bool json, bool terminal, TOutputForm forTerminal) {
  if (json) return TOutputForm::Json;
  if (csv || !terminal) return TOutputForm::Csv;
  return forTerminal;
}

std::unique_ptr<TResultWriter> MakeResultWriter(TOutputForm form, std::ostream& out) {
  switch (form) {
    case TOutputForm::AlignedTable: return MakeAlignedTableWriter(out);
    case TOutputForm::Json: return MakeJsonWriter(out);
    case TOutputForm::Csv: break;
  }
  return MakeCsvWriter(out);
}

}  // namespace sklad::tool
