// The application's error report: where the dataset layer shows an error that no caller can take,
// such as one raised by a record-filter handler while the engine evaluates a filter.
#pragma once

#include <exception>
#include <functional>

namespace sklad {

using TErrorReport = std::function<void(const std::exception& error)>;

// The application installs its report (a message box); without one the message goes to the
// standard error stream. An empty report restores that default.
void SetErrorReport(TErrorReport report);
void ReportError(const std::exception& error);

}  // namespace sklad
