// generate_catalogue: writes a large synthetic catalogue as CSV for `sklad import`, e.g.
//   generate_catalogue --records 1000000 --out big.csv
#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <limits>

#include "tools/volume/CatalogueCsv.h"

int main(int argc, char** argv) {
  CLI::App app{"Write N synthetic catalogue records as UTF-8 CSV", "generate_catalogue"};
  int64_t records = 0;
  std::string outputFile;
  app.add_option("--records", records, "Number of records")->required()->check(
      CLI::Range(int64_t{0}, std::numeric_limits<int64_t>::max()));
  app.add_option("--out", outputFile, "CSV file to write (standard output when left out)");
  CLI11_PARSE(app, argc, argv);

  std::ofstream file;
  if (!outputFile.empty()) {
    file.open(outputFile, std::ios::binary | std::ios::trunc);
    if (!file) {
      std::cerr << "generate_catalogue: cannot create " << outputFile << "\n";
      return 1;
    }
  }
  std::ostream& out = outputFile.empty() ? std::cout : file;
  rejstrik::volume::WriteSyntheticCatalogueCsv(out, records);
  if (!out.flush()) {
    std::cerr << "generate_catalogue: cannot write " << (outputFile.empty() ? "the output" : outputFile) << "\n";
    return 1;
  }
  return 0;
}
