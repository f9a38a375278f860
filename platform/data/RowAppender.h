#pragma once
// The fast way to fill a dataset with many records: values go straight into the storage,
// without edit states, per-record notifications or the conversions of field setters.
//
//   TRowAppender rows(dataset);          // dataset open, or inside its OpenCursor
//   rows.BeginRow();                     // a new record, every cell null
//   rows.SetInt64(0, 42); rows.SetText(1, "abc");
//   rows.EndRow();
//
// Each setter takes the column (field index) and must suit the column's storage (see
// TFieldStorage); a mismatch raises bramble::Exception, and so does a value the column's kind
// cannot hold (an integer outside the kind's range, an invalid date-time). A date column keeps
// only the date and a time column only the time of day. A cell that is not set stays null.
// When the appender is destroyed the dataset's current record is the first one and bound
// controls get one deDataSetChange.
#include <cstdint>
#include <string_view>

#include "platform/data/DataSet.h"
#include "platform/data/RowStore.h"
#include "platform/data/ValueText.h"

namespace bramble {

class TRowAppender {
 public:
  explicit TRowAppender(TDataSet& aDataSet);
  ~TRowAppender();
  TRowAppender(const TRowAppender&) = delete;
  TRowAppender& operator=(const TRowAppender&) = delete;

  // Reserves room for `aRows` more records (an optimisation only).
  void Reserve(std::int64_t aRows);
  void BeginRow() {
    if (row_ >= 0) EndRow();
    data_detail::RowStore* store = dataSet_.store_;
    if (store->ColumnCount() == 0) NoFields();
    row_ = store->AppendNull();
  }
  void EndRow() { row_ = -1; }
  // Drops the record begun last (when EndRow was not called for it).
  void CancelRow();

  // The usual cases of the setters are inline (a fill sets millions of cells); other storages,
  // conversions and errors are handled out of line.
  void SetNull(int aColumn) { Cell(aColumn).Null[Row()] = 1; }
  void SetInt32(int aColumn, std::int32_t aValue) { SetInt64(aColumn, aValue); }  // as SetInt64
  // Integer storages; also Currency, Double, Extended, Boolean (non-zero) and Decimal/Text.
  void SetInt64(int aColumn, std::int64_t aValue) {
    data_detail::Column& c = Cell(aColumn);
    const std::size_t r = Row();
    if (aValue >= c.Min && aValue <= c.Max) {
      if (c.Storage == TFieldStorage::Int64) {
        c.I64[r] = aValue;
        c.Null[r] = 0;
        return;
      }
      if (c.Storage == TFieldStorage::Int32) {
        c.I32[r] = static_cast<std::int32_t>(aValue);
        c.Null[r] = 0;
        return;
      }
    }
    SetInt64Other(aColumn, aValue);
  }
  void SetBoolean(int aColumn, bool aValue) {  // Boolean
    data_detail::Column& c = Cell(aColumn);
    if (c.Storage != TFieldStorage::Boolean) return SetInt64(aColumn, aValue ? 1 : 0);
    c.Bool[Row()] = aValue ? 1 : 0;
    c.Null[Row()] = 0;
  }
  void SetDouble(int aColumn, double aValue) {  // Double and Extended
    data_detail::Column& c = Cell(aColumn);
    if (c.Storage != TFieldStorage::Double) return SetDoubleOther(aColumn, aValue);
    c.F64[Row()] = aValue;
    c.Null[Row()] = 0;
  }
  void SetExtended(int aColumn, long double aValue);  // Extended
  void SetCurrency(int aColumn, TCurrency aValue);    // Currency
  // Decimal text: Decimal storage keeps it exactly (canonical form checked), Currency storage
  // converts it exactly, Double/Extended parse it.
  void SetDecimal(int aColumn, std::string_view aText) {
    data_detail::Column& c = Cell(aColumn);
    if (c.Storage != TFieldStorage::Decimal || !data_detail::IsCanonicalDecimal(aText))
      return SetDecimalOther(aColumn, aText);
    c.Refs[Row()] = c.Bytes.Put(aText);
    c.Null[Row()] = 0;
  }
  void SetDateTime(int aColumn, TDateTime aValue) {  // DateTime (range checked)
    data_detail::Column& c = Cell(aColumn);
    const std::int64_t ms = aValue.Milliseconds;
    if (c.Storage == TFieldStorage::DateTime && ms >= kMinDateTimeMs && ms <= kMaxDateTimeMs &&
        (c.Type == TFieldType::ftDateTime ||
         (c.Type == TFieldType::ftDate && ms % kMillisecondsPerDay == 0))) {
      c.I64[Row()] = ms;
      c.Null[Row()] = 0;
      return;
    }
    SetDateTimeOther(aColumn, aValue);
  }
  void SetText(int aColumn, std::string_view aValue) {  // Text and Bytes
    data_detail::Column& c = Cell(aColumn);
    if (c.Storage != TFieldStorage::Text && c.Storage != TFieldStorage::Bytes)
      return SetTextOther(aColumn, aValue);
    c.Refs[Row()] = c.Bytes.Put(aValue);
    c.Null[Row()] = 0;
  }
  void SetBytes(int aColumn, std::string_view aValue) { SetText(aColumn, aValue); }  // and Text

 private:
  data_detail::Column& Cell(int aColumn) {
    data_detail::RowStore* store = dataSet_.store_;
    if (row_ < 0 || static_cast<unsigned>(aColumn) >= static_cast<unsigned>(store->ColumnCount()))
        [[unlikely]]
      BadCell(aColumn);
    return store->Col(aColumn);
  }
  std::size_t Row() const { return static_cast<std::size_t>(row_); }
  [[noreturn, gnu::cold]] void BadCell(int aColumn) const;
  [[noreturn, gnu::cold]] static void NoFields();
  void SetInt64Other(int aColumn, std::int64_t aValue);
  void SetDoubleOther(int aColumn, double aValue);
  void SetTextOther(int aColumn, std::string_view aValue);
  void SetDateTimeOther(int aColumn, TDateTime aValue);
  void SetDecimalOther(int aColumn, std::string_view aText);

  TDataSet& dataSet_;
  std::int64_t row_ = -1;
  bool open_ = false;
};

}  // namespace bramble
