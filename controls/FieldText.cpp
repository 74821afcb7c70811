#include "FieldText.h"

#include "dataset/Field.h"
#include "dataset/SkladBlobStream.h"
#include "dataset/SkladDataSet.h"
#include "platform/locale/CodePage.h"

namespace controls {
namespace {

bool IsTextMemo(sklad::TFieldKind kind) {
  return kind == sklad::TFieldKind::Memo || kind == sklad::TFieldKind::FormattedMemo;
}

std::string MemoBytes(sklad::TField& field) {
  sklad::TSkladBlobStream stream(field, sklad::TBlobStreamMode::Read);
  std::string bytes(static_cast<size_t>(stream.Size()), '\0');
  int32_t done = 0;
  while (done < static_cast<int32_t>(bytes.size())) {
    const int32_t count = stream.Read(bytes.data() + done, static_cast<int32_t>(bytes.size()) - done);
    if (count == 0) break;
    done += count;
  }
  bytes.resize(static_cast<size_t>(done));
  return bytes;
}

}  // namespace

QString StoredFieldText(const sklad::TField& field, const std::string& stored) {
  return QString::fromStdString(platform::CodePageToUtf8(stored, field.TextCodePage()));
}

QString FieldText(sklad::TField& field) {
  sklad::TSkladDataSet& dataSet = field.DataSet();
  if (!dataSet.Active() || dataSet.IsEmpty() || field.IsNull()) return {};
  if (IsTextMemo(field.DataType())) return StoredFieldText(field, MemoBytes(field));
  // Binary BLOB values have no text to show.
  if (field.InBlobFile()) return {};
  return StoredFieldText(field, field.AsString());
}

}  // namespace controls
