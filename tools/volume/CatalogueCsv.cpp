#include "tools/volume/CatalogueCsv.h"

#include <memory>
#include <string>
#include <vector>

#include "tools/sklad/ResultWriter.h"
#include "tools/volume/SyntheticCatalogue.h"

namespace rejstrik::volume {

namespace {

sklad::tool::TResultCell Cell(const std::string& value) {
  if (value.empty()) return {};
  return {sklad::tool::TCellKind::Text, value};
}

}  // namespace

void WriteSyntheticCatalogueCsv(std::ostream& out, int64_t count) {
  const std::unique_ptr<sklad::tool::TResultWriter> writer = sklad::tool::MakeCsvWriter(out);
  writer->Begin({"p", "r", "typ", "os", "name", "src", "inet", "popis"});
  for (int64_t number = 0; number < count; ++number) {
    const TCatalogueRecord record = SyntheticCatalogueRecord(number);
    writer->Row({Cell(record.p), Cell(record.r), Cell(record.typ), Cell(record.os), Cell(record.name),
                 Cell(record.src), Cell(record.inet), Cell(record.popis)});
  }
  writer->End();
}

}  // namespace rejstrik::volume
