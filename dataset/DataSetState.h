// The states a dataset passes through: closed, or open for browsing its records.
#pragma once

namespace sklad {

enum class TDataSetState { Inactive, Browse };

}  // namespace sklad
