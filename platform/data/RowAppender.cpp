#include "platform/data/RowAppender.h"

#include "platform/core/Exception.h"
#include "platform/data/RowStore.h"
#include "platform/data/ValueText.h"

namespace bramble {

using data_detail::Column;
using data_detail::RowStore;

TRowAppender::TRowAppender(TDataSet& aDataSet) : dataSet_(aDataSet) {
  if (dataSet_.store_ == nullptr) {
    if (dataSet_.Active() && dataSet_.masterField_ != nullptr)
      dataSet_.EnsureStore();
    else
      throw Exception("Cannot append records to a dataset that is not open");
  }
  dataSet_.CheckBrowse();
  open_ = dataSet_.Active();
}

TRowAppender::~TRowAppender() {
  if (row_ >= 0) CancelRow();
  if (open_ && dataSet_.Active() && dataSet_.store_ != nullptr) {
    dataSet_.SetCursor(dataSet_.store_->Rows() > 0 ? 0 : -1);
    dataSet_.bof_ = true;
    dataSet_.eof_ = dataSet_.store_->Rows() == 0;
    dataSet_.Notify(TDataEvent::deDataSetChange);
  }
}

void TRowAppender::Reserve(std::int64_t aRows) {
  dataSet_.store_->Reserve(aRows);
}

void TRowAppender::CancelRow() {
  if (row_ < 0) return;
  dataSet_.store_->PopBack();
  row_ = -1;
}

namespace {

[[noreturn, gnu::cold, gnu::noinline]] void Mismatch(int aColumn) {
  throw Exception("Value does not match the storage of column " + std::to_string(aColumn));
}

}  // namespace

void TRowAppender::BadCell(int aColumn) const {
  if (row_ < 0) throw Exception("No record begun");
  throw Exception("Column index out of range (" + std::to_string(aColumn) + ")");
}

void TRowAppender::NoFields() {
  throw Exception("Cannot add records to a dataset without fields");
}

#define BRAMBLE_APPEND_CELL  \
  Column& c = Cell(aColumn); \
  [[maybe_unused]] const auto r = Row()

namespace {
// Integer kinds hold only their own range (a field of the kind would refuse anything else).
[[noreturn, gnu::cold, gnu::noinline]] void OutOfRange(const Column& c, std::int64_t aValue,
                                                       int aColumn) {
  throw Exception("Value " + std::to_string(aValue) + " is out of range for column " +
                  std::to_string(aColumn) + " (" + std::string(FieldTypeName(c.Type)) + ")");
}

inline void CheckRange(const Column& c, std::int64_t aValue, int aColumn) {
  if (aValue < c.Min || aValue > c.Max) [[unlikely]]
    OutOfRange(c, aValue, aColumn);
}
}  // namespace

void TRowAppender::SetInt64Other(int aColumn, std::int64_t aValue) {
  BRAMBLE_APPEND_CELL;
  if (c.Storage == TFieldStorage::Int64) {
    CheckRange(c, aValue, aColumn);
    c.I64[r] = aValue;
  } else if (c.Storage == TFieldStorage::Int32) {
    CheckRange(c, aValue, aColumn);
    c.I32[r] = static_cast<std::int32_t>(aValue);
  } else if (c.Storage == TFieldStorage::Currency) {
    if (aValue > INT64_MAX / 10000 || aValue < INT64_MIN / 10000)
      throw Exception("Value is out of the currency range");
    c.I64[r] = aValue * 10000;
  } else if (c.Storage == TFieldStorage::Double) {
    c.F64[r] = static_cast<double>(aValue);
  } else if (c.Storage == TFieldStorage::Extended) {
    c.F80[r] = static_cast<long double>(aValue);
  } else if (c.Storage == TFieldStorage::Boolean) {
    c.Bool[r] = aValue != 0;
  } else if (c.Storage == TFieldStorage::Decimal || c.Storage == TFieldStorage::Text) {
    dataSet_.store_->SetText(aColumn, row_, std::to_string(aValue));
  } else {
    Mismatch(aColumn);
  }
  c.Null[r] = 0;
}

// Not Double storage (SetDouble writes that itself).
void TRowAppender::SetDoubleOther(int aColumn, double aValue) {
  BRAMBLE_APPEND_CELL;
  if (c.Storage == TFieldStorage::Extended)
    c.F80[r] = aValue;
  else if (c.Storage == TFieldStorage::Currency)
    c.I64[r] = TCurrency::FromDouble(aValue).Scaled();
  else if (c.Storage == TFieldStorage::Decimal)
    return dataSet_.store_->SetText(aColumn, row_, data_detail::DoubleDecimalText(aValue));
  else if (c.Storage == TFieldStorage::Text)
    return dataSet_.store_->SetText(aColumn, row_, data_detail::DoubleText(aValue));
  else
    Mismatch(aColumn);
  c.Null[r] = 0;
}

void TRowAppender::SetExtended(int aColumn, long double aValue) {
  BRAMBLE_APPEND_CELL;
  if (c.Storage != TFieldStorage::Extended) return SetDouble(aColumn, static_cast<double>(aValue));
  c.F80[r] = aValue;
  c.Null[r] = 0;
}

void TRowAppender::SetCurrency(int aColumn, TCurrency aValue) {
  BRAMBLE_APPEND_CELL;
  if (c.Storage == TFieldStorage::Currency) {
    c.I64[r] = aValue.Scaled();
    c.Null[r] = 0;
  } else if (c.Storage == TFieldStorage::Decimal || c.Storage == TFieldStorage::Text) {
    dataSet_.store_->SetText(aColumn, row_, aValue.ToString());
  } else {
    SetDouble(aColumn, aValue.ToDouble());
  }
}

// Other storages, or a decimal text not in canonical form (SetDecimal stores those itself).
void TRowAppender::SetDecimalOther(int aColumn, std::string_view aText) {
  BRAMBLE_APPEND_CELL;
  switch (c.Storage) {
    case TFieldStorage::Decimal:
      return dataSet_.store_->SetText(aColumn, row_, data_detail::CanonicalDecimal(aText));
    case TFieldStorage::Currency:
      c.I64[r] = TCurrency::FromText(aText).Scaled();
      c.Null[r] = 0;
      return;
    case TFieldStorage::Double:
      c.F64[r] = data_detail::ParseDouble(aText);
      c.Null[r] = 0;
      return;
    case TFieldStorage::Extended:
      c.F80[r] = data_detail::ParseExtended(aText);
      c.Null[r] = 0;
      return;
    case TFieldStorage::Text:
      return dataSet_.store_->SetText(aColumn, row_, aText);
    default:
      Mismatch(aColumn);
  }
}

void TRowAppender::SetDateTimeOther(int aColumn, TDateTime aValue) {
  BRAMBLE_APPEND_CELL;
  if (c.Storage != TFieldStorage::DateTime) Mismatch(aColumn);
  if (!IsValidDateTime(aValue))
    throw Exception("Invalid date and time for column " + std::to_string(aColumn));
  // A date keeps no time of day and a time no date, as with the field setters.
  // (the remainder test skips the cutting for values that have nothing to cut)
  if (c.Type == TFieldType::ftDate && aValue.Milliseconds % kMillisecondsPerDay != 0)
    aValue = TDateTime{aValue.Days() * kMillisecondsPerDay};
  if (c.Type == TFieldType::ftTime &&
      (aValue.Milliseconds < 0 || aValue.Milliseconds >= kMillisecondsPerDay))
    aValue = TDateTime{aValue.TimeOfDay()};
  c.I64[r] = aValue.Milliseconds;
  c.Null[r] = 0;
}

// Not Text or Bytes storage (SetText writes those itself).
void TRowAppender::SetTextOther(int aColumn, std::string_view aValue) {
  BRAMBLE_APPEND_CELL;
  if (c.Storage == TFieldStorage::Decimal) return SetDecimal(aColumn, aValue);
  Mismatch(aColumn);
}

}  // namespace bramble
