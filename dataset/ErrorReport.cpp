#include "ErrorReport.h"

#include <iostream>
#include <utility>

namespace sklad {
namespace {

TErrorReport& InstalledReport() {
  static TErrorReport report;
  return report;
}

}  // namespace

void SetErrorReport(TErrorReport report) { InstalledReport() = std::move(report); }

void ReportError(const std::exception& error) {
  if (const TErrorReport& report = InstalledReport()) {
    report(error);
    return;
  }
  std::cerr << error.what() << '\n';
}

}  // namespace sklad
