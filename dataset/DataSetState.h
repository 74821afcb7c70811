// The states a dataset passes through: closed, open for browsing its records, or testing a
// candidate record for the record-filter handler.
#pragma once

namespace sklad {

enum class TDataSetState { Inactive, Browse, Filter };

}  // namespace sklad
