#pragma once
// Writes one field's cells by row with no checks and no notifications: for code that fills the
// record being appended in bulk (the JSON converter) after checking each value itself against
// what the field's kind accepts, exactly as the field's setters would. Use the setter that
// suits the field's storage (see TColumnReader); a date-time is stored as given (milliseconds).
#include <cstdint>
#include <string_view>

#include "platform/core/Exception.h"
#include "platform/data/DataSetAccess.h"
#include "platform/data/Field.h"

namespace bramble {

class TColumnWriter {
 public:
  explicit TColumnWriter(TField& aField) {
    TDataSet* dataSet = aField.DataSet();
    store_ = dataSet != nullptr ? data_detail::Access::Store(*dataSet) : nullptr;
    if (store_ == nullptr || aField.Index() < 0 || aField.Index() >= store_->ColumnCount())
      throw Exception("Field '" + aField.FieldName() + "' has no records to write");
    index_ = aField.Index();
    column_ = &store_->Col(index_);
  }

  void SetNull(std::int64_t aRow) { column_->Null[At(aRow)] = 1; }
  void SetInt32(std::int64_t aRow, std::int32_t aValue) {
    column_->I32[At(aRow)] = aValue;
    column_->Null[At(aRow)] = 0;
  }
  void SetInt64(std::int64_t aRow, std::int64_t aValue) {
    column_->I64[At(aRow)] = aValue;
    column_->Null[At(aRow)] = 0;
  }
  void SetBoolean(std::int64_t aRow, bool aValue) {
    column_->Bool[At(aRow)] = aValue ? 1 : 0;
    column_->Null[At(aRow)] = 0;
  }
  void SetDouble(std::int64_t aRow, double aValue) {
    column_->F64[At(aRow)] = aValue;
    column_->Null[At(aRow)] = 0;
  }
  void SetExtended(std::int64_t aRow, long double aValue) {
    column_->F80[At(aRow)] = aValue;
    column_->Null[At(aRow)] = 0;
  }
  // Text, Bytes and Decimal storage (a decimal text must be in the stored, canonical form).
  void SetText(std::int64_t aRow, std::string_view aValue) {
    store_->SetText(index_, aRow, aValue);
  }

 private:
  static std::size_t At(std::int64_t aRow) { return static_cast<std::size_t>(aRow); }

  data_detail::RowStore* store_ = nullptr;
  data_detail::Column* column_ = nullptr;
  int index_ = -1;
};

// Room for `aRows` more records in `aDataSet` (an optimisation for bulk appends; nothing
// happens when the dataset has no records storage yet).
inline void ReserveRecords(TDataSet& aDataSet, std::int64_t aRows) {
  if (data_detail::RowStore* store = data_detail::Access::Store(aDataSet)) store->Reserve(aRows);
}

}  // namespace bramble
