// The states a dataset passes through: closed, open for browsing its records, editing the current
// record, or testing a candidate record for the record-filter handler.
#pragma once

namespace sklad {

enum class TDataSetState { Inactive, Browse, Edit, Filter };

}  // namespace sklad
