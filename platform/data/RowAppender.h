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

namespace bramble {

class TRowAppender {
 public:
  explicit TRowAppender(TDataSet& aDataSet);
  ~TRowAppender();
  TRowAppender(const TRowAppender&) = delete;
  TRowAppender& operator=(const TRowAppender&) = delete;

  // Reserves room for `aRows` more records (an optimisation only).
  void Reserve(std::int64_t aRows);
  void BeginRow();
  void EndRow();
  // Drops the record begun last (when EndRow was not called for it).
  void CancelRow();

  void SetNull(int aColumn);
  void SetInt32(int aColumn, std::int32_t aValue);  // as SetInt64
  // Integer storages; also Currency, Double, Extended, Boolean (non-zero) and Decimal/Text.
  void SetInt64(int aColumn, std::int64_t aValue);
  void SetBoolean(int aColumn, bool aValue);          // Boolean
  void SetDouble(int aColumn, double aValue);         // Double and Extended
  void SetExtended(int aColumn, long double aValue);  // Extended
  void SetCurrency(int aColumn, TCurrency aValue);    // Currency
  // Decimal text: Decimal storage keeps it exactly (canonical form checked), Currency storage
  // converts it exactly, Double/Extended parse it.
  void SetDecimal(int aColumn, std::string_view aText);
  void SetDateTime(int aColumn, TDateTime aValue);      // DateTime (range checked)
  void SetText(int aColumn, std::string_view aValue);   // Text and Bytes
  void SetBytes(int aColumn, std::string_view aValue);  // Bytes and Text

 private:
  TDataSet& dataSet_;
  std::int64_t row_ = -1;
  bool open_ = false;
};

}  // namespace bramble
