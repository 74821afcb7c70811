#include "FieldText.h"

#include "dataset/Field.h"
#include "dataset/SkladBlobStream.h"
#include "dataset/SkladDataSet.h"
#include "engine/cursor/DataCursor.h"
#include "engine/storage/table/DataTable.h"
#include "platform/locale/CodePage.h"
#include "platform/locale/LocaleId.h"

namespace controls {
namespace {

bool IsTextMemo(sklad::TFieldKind kind) {
  return kind == sklad::TFieldKind::Memo || kind == sklad::TFieldKind::FormattedMemo;
}

bool IsBlob(const sklad::TField& field, const sklad::TDataCursor& cursor) {
  return cursor.GetFieldDefinition(field.FieldNo()).Type() == sklad::TFieldType::Blob;
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

// Stored bytes in the code page of the cursor's table's language, as Unicode.
QString TableText(const sklad::TDataCursor& cursor, const std::string& bytes) {
  const uint16_t language = cursor.Table()->Data().Language();
  return QString::fromStdString(platform::CodePageToUtf8(bytes, platform::AnsiCodePage(language)));
}

}  // namespace

QString FieldText(sklad::TField& field) {
  sklad::TSkladDataSet& dataSet = field.DataSet();
  if (!dataSet.Active() || dataSet.IsEmpty() || field.IsNull()) return {};
  const sklad::TDataCursor& cursor = *dataSet.Cursor();
  if (IsTextMemo(field.DataType())) return TableText(cursor, MemoBytes(field));
  // Binary BLOB values have no text to show.
  if (IsBlob(field, cursor)) return {};
  return TableText(cursor, field.AsString());
}

QString RecordFieldText(const sklad::TField& field, const sklad::TDataCursor& cursor, const uint8_t* record) {
  if (IsBlob(field, cursor)) return {};
  return TableText(cursor, field.TextOf(cursor, record));
}

}  // namespace controls
