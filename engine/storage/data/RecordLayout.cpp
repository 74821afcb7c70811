#include "RecordLayout.h"

namespace sklad {

int64_t LayOutRecord(TSystemList<TFieldDefinition>& fields) {
  int64_t offset = kFieldAreaAt;
  for (int i = 0; i < fields.Count(); ++i) {
    TFieldDefinition& field = fields[i];
    field.SetNumber(static_cast<uint16_t>(i + 1));
    field.DeriveStoredSize();
    if (field.IsAutoIncrement()) {
      field.SetOffset(kAutoIncrementAt);
    } else {
      field.SetOffset(static_cast<uint16_t>(offset));
      if (field.TakesRoom()) offset += field.StoredSize() + 1;
    }
  }
  return offset;
}

}  // namespace sklad
