#pragma once
// Reads one field's values for every record of an open dataset by row, without moving the
// cursor, telling bound controls or choosing the conversion per value: for code that walks
// whole datasets at once (the JSON converters). Rows count from 0 in record order (row r is
// record number r + 1). A reader stays valid while the dataset stays open and no record is
// added, removed or posted.
//
// The getter to use follows the field's storage (TField::Storage): Int32 for Int32; Int64 for
// Int64, Currency (scaled by 10000) and DateTime (milliseconds, see TDateTime); Boolean;
// Double; Extended; Text for Text, Bytes and Decimal
// (DecimalAsDouble for the number a Decimal cell holds). A null cell holds 0 / "" in its array.
#include <cstdint>
#include <string_view>

#include "platform/core/Exception.h"
#include "platform/data/DataSetAccess.h"
#include "platform/data/Field.h"
#include "platform/data/ValueText.h"

namespace bramble {

class TColumnReader {
 public:
  explicit TColumnReader(const TField& aField) {
    const TDataSet* dataSet = aField.DataSet();
    const data_detail::RowStore* store =
        dataSet != nullptr ? data_detail::Access::Store(*dataSet) : nullptr;
    if (store == nullptr || aField.Index() < 0 || aField.Index() >= store->ColumnCount())
      throw Exception("Field '" + aField.FieldName() + "' has no records to read");
    // The arrays do not move while the reader is valid: their starts are taken once, so a
    // value costs one load instead of a chain of them.
    const data_detail::Column& column = store->Col(aField.Index());
    null_ = column.Null.data();
    i32_ = column.I32.data();
    i64_ = column.I64.data();
    bool_ = column.Bool.data();
    f64_ = column.F64.data();
    f80_ = column.F80.data();
    refs_ = column.Refs.data();
    bytes_ = &column.Bytes;
    rows_ = store->Rows();
  }

  std::int64_t Rows() const { return rows_; }
  bool IsNull(std::int64_t aRow) const { return null_[aRow] != 0; }
  std::int32_t Int32(std::int64_t aRow) const { return i32_[aRow]; }
  std::int64_t Int64(std::int64_t aRow) const { return i64_[aRow]; }
  bool Boolean(std::int64_t aRow) const { return bool_[aRow] != 0; }
  double Double(std::int64_t aRow) const { return f64_[aRow]; }
  long double Extended(std::int64_t aRow) const { return f80_[aRow]; }
  std::string_view Text(std::int64_t aRow) const { return bytes_->Get(refs_[aRow]); }
  // A Decimal cell's exact text read as the nearest double (as TField::AsFloat does).
  double DecimalAsDouble(std::int64_t aRow) const { return data_detail::ParseDouble(Text(aRow)); }

 private:
  const std::uint8_t* null_ = nullptr;
  const std::int32_t* i32_ = nullptr;
  const std::int64_t* i64_ = nullptr;
  const std::uint8_t* bool_ = nullptr;
  const double* f64_ = nullptr;
  const long double* f80_ = nullptr;
  const data_detail::TextRef* refs_ = nullptr;
  const data_detail::Arena* bytes_ = nullptr;
  std::int64_t rows_ = 0;
};

}  // namespace bramble
