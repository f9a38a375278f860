#include "platform/data/Field.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/core/Exception.h"
#include "platform/data/DataSet.h"
#include "platform/data/MemTable.h"
#include "platform/data/RowStore.h"
#include "platform/data/ValueText.h"

namespace bramble {

using data_detail::Column;
using data_detail::RowStore;
using namespace data_detail;

TFieldStorage StorageOf(TFieldType aType) {
  using T = TFieldType;
  switch (aType) {
    case T::ftSmallint:
    case T::ftInteger:
    case T::ftWord:
    case T::ftAutoInc:
    case T::ftShortint:
    case T::ftByte:
      return TFieldStorage::Int32;
    case T::ftLargeint:
    case T::ftLongWord:
      return TFieldStorage::Int64;
    case T::ftBoolean:
      return TFieldStorage::Boolean;
    case T::ftFloat:
    case T::ftSingle:
      return TFieldStorage::Double;
    case T::ftExtended:
      return TFieldStorage::Extended;
    case T::ftCurrency:
      return TFieldStorage::Currency;
    case T::ftBCD:
    case T::ftFMTBcd:
      return TFieldStorage::Decimal;
    case T::ftDate:
    case T::ftTime:
    case T::ftDateTime:
    case T::ftTimeStamp:
    case T::ftOraTimeStamp:
      return TFieldStorage::DateTime;
    case T::ftString:
    case T::ftMemo:
    case T::ftFmtMemo:
    case T::ftFixedChar:
    case T::ftWideString:
    case T::ftGuid:
    case T::ftFixedWideChar:
    case T::ftWideMemo:
    case T::ftOraClob:
    case T::ftOraInterval:
    case T::ftTimeStampOffset:
      return TFieldStorage::Text;
    case T::ftBytes:
    case T::ftVarBytes:
    case T::ftBlob:
    case T::ftGraphic:
    case T::ftParadoxOle:
    case T::ftDBaseOle:
    case T::ftTypedBinary:
    case T::ftOraBlob:
    case T::ftStream:
      return TFieldStorage::Bytes;
    case T::ftDataSet:
      return TFieldStorage::DataSet;
    default:
      return TFieldStorage::None;
  }
}

std::unique_ptr<TField> CreateField(TFieldType aType) {
  if (StorageOf(aType) == TFieldStorage::None)
    throw Exception("No field class for field type " +
                    std::string(FieldTypeName(aType).empty() ? "?" : FieldTypeName(aType)));
  return std::make_unique<TField>(aType);
}

TField::TField(TFieldType aType) : type_(aType), storage_(StorageOf(aType)) {
  if (storage_ == TFieldStorage::None)
    throw Exception("No field class for field type " + std::string(FieldTypeName(aType)));
  if (storage_ == TFieldStorage::DataSet) {
    nested_ = std::make_unique<TFDMemTable>();
    nested_->masterField_ = this;
  }
}

TField::~TField() = default;

TDataSet* TField::NestedDataSet() const { return nested_.get(); }

void TField::SetFieldName(std::string aName) {
  fieldName_ = std::move(aName);
}

void TField::SetSize(int aSize) {
  if (aSize < 0) throw Exception("Invalid field size " + std::to_string(aSize));
  size_ = aSize;
}

void TField::SetVisible(bool aValue) {
  if (visible_ == aValue) return;
  visible_ = aValue;
  if (dataSet_ != nullptr) dataSet_->Notify(TDataEvent::deLayoutChange);
}

// ---- access to the cell -------------------------------------------------------------------

void IntegerRange(TFieldType aType, std::int64_t& aMin, std::int64_t& aMax) {
  switch (aType) {
    case TFieldType::ftSmallint:
      aMin = INT16_MIN, aMax = INT16_MAX;
      break;
    case TFieldType::ftShortint:
      aMin = INT8_MIN, aMax = INT8_MAX;
      break;
    case TFieldType::ftByte:
      aMin = 0, aMax = UINT8_MAX;
      break;
    case TFieldType::ftWord:
      aMin = 0, aMax = UINT16_MAX;
      break;
    case TFieldType::ftLongWord:
      aMin = 0, aMax = UINT32_MAX;
      break;
    case TFieldType::ftLargeint:
      aMin = INT64_MIN, aMax = INT64_MAX;
      break;
    default:
      aMin = INT32_MIN, aMax = INT32_MAX;
      break;
  }
}

namespace {

// Whole number nearest to `aValue` (half to even), or an error when out of int64 range.
std::int64_t RoundToInt64(long double aValue, const std::string& aName) {
  const long double r = std::nearbyint(aValue);
  if (!(r >= -9223372036854775808.0L && r < 9223372036854775808.0L))
    throw Exception("Value is out of range for field '" + aName + "'");
  return static_cast<std::int64_t>(r);
}

std::int64_t CurrencyToInt64(TCurrency aValue) {
  const std::int64_t s = aValue.Scaled();
  std::int64_t q = s / 10000, r = s % 10000;
  if (r > 5000 || (r == 5000 && (q & 1))) ++q;
  if (r < -5000 || (r == -5000 && (q & 1))) --q;
  return q;
}

}  // namespace

bool TField::HasValue() const {
  return dataSet_ != nullptr && dataSet_->store_ != nullptr && dataSet_->cur_ >= 0 &&
         dataSet_->cur_ < dataSet_->store_->Rows();
}

#define BRAMBLE_CELL                   \
  RowStore& store = *dataSet_->store_; \
  Column& col = store.Col(index_);     \
  const auto row = static_cast<std::size_t>(dataSet_->cur_)

bool TField::IsNull() const {
  if (!HasValue()) return true;
  if (storage_ == TFieldStorage::DataSet) return nested_->IsEmpty();
  BRAMBLE_CELL;
  (void)store;
  return col.Null[row] != 0;
}

void TField::CheckWritable() const {
  if (dataSet_ == nullptr) throw Exception("Field '" + fieldName_ + "' has no dataset");
  if (dataSet_->state_ != TDataSetState::dsEdit && dataSet_->state_ != TDataSetState::dsInsert)
    throw Exception("Dataset not in edit or insert mode");
  if (readOnly_) throw Exception("Field '" + fieldName_ + "' cannot be modified");
}

void TField::Unsupported(const char* aAs) const {
  throw Exception("Cannot access field '" + fieldName_ + "' as type " + aAs);
}

void TField::Clear() {
  CheckWritable();
  if (storage_ == TFieldStorage::DataSet) {
    nested_->EmptyDataSet();
    return;
  }
  BRAMBLE_CELL;
  (void)store;
  col.Null[row] = 1;
  dataSet_->Notify(TDataEvent::deRecordChange);
}

// ---- setters: every one ends in one of these typed writes ----------------------------------

namespace {

struct Writer {
  TField& f;
  RowStore& store;
  Column& col;
  std::size_t row;
  int index;

  void Int(std::int64_t v) const {
    std::int64_t lo, hi;
    IntegerRange(f.DataType(), lo, hi);
    if (v < lo || v > hi)
      throw Exception("Value " + std::to_string(v) + " is out of range for field '" +
                      f.FieldName() + "'");
    if (col.Storage == TFieldStorage::Int32)
      col.I32[row] = static_cast<std::int32_t>(v);
    else
      col.I64[row] = v;
    col.Null[row] = 0;
  }
  void DateTime(TDateTime v) const {
    if (!IsValidDateTime(v))
      throw Exception("Invalid date and time for field '" + f.FieldName() + "'");
    // A date keeps no time of day and a time no date.
    if (f.DataType() == TFieldType::ftDate) v = TDateTime{v.Days() * kMillisecondsPerDay};
    if (f.DataType() == TFieldType::ftTime) v = TDateTime{v.TimeOfDay()};
    col.I64[row] = v.Milliseconds;
    col.Null[row] = 0;
  }
  void Text(std::string_view v) const { store.SetText(index, static_cast<std::int64_t>(row), v); }
};

}  // namespace

#define BRAMBLE_WRITER             \
  CheckWritable();                 \
  BRAMBLE_CELL;                    \
  const Writer w {                 \
    *this, store, col, row, index_ \
  }

void TField::SetAsLargeInt(std::int64_t aValue) {
  BRAMBLE_WRITER;
  switch (storage_) {
    case TFieldStorage::Int32:
    case TFieldStorage::Int64:
      w.Int(aValue);
      break;
    case TFieldStorage::Boolean:
      col.Bool[row] = aValue != 0, col.Null[row] = 0;
      break;
    case TFieldStorage::Double:
      col.F64[row] = static_cast<double>(aValue), col.Null[row] = 0;
      break;
    case TFieldStorage::Extended:
      col.F80[row] = static_cast<long double>(aValue), col.Null[row] = 0;
      break;
    case TFieldStorage::Currency:
      if (aValue > INT64_MAX / 10000 || aValue < INT64_MIN / 10000)
        throw Exception("Value is out of the currency range");
      col.I64[row] = aValue * 10000, col.Null[row] = 0;
      break;
    case TFieldStorage::Decimal:
    case TFieldStorage::Text:
      w.Text(std::to_string(aValue));
      break;
    default:
      Unsupported("LargeInt");
  }
  dataSet_->Notify(TDataEvent::deRecordChange);
}

void TField::SetAsInteger(std::int32_t aValue) {
  // An unsigned 32-bit kind takes the 32 bits as they are.
  if (type_ == TFieldType::ftLongWord)
    SetAsLargeInt(static_cast<std::uint32_t>(aValue));
  else
    SetAsLargeInt(aValue);
}

void TField::SetAsBoolean(bool aValue) {
  if (storage_ == TFieldStorage::Text) return SetAsString(aValue ? "True" : "False");
  if (storage_ == TFieldStorage::Boolean) {
    BRAMBLE_WRITER;
    (void)w;
    col.Bool[row] = aValue ? 1 : 0;
    col.Null[row] = 0;
    dataSet_->Notify(TDataEvent::deRecordChange);
    return;
  }
  if (storage_ == TFieldStorage::DateTime || storage_ == TFieldStorage::Bytes ||
      storage_ == TFieldStorage::DataSet)
    Unsupported("Boolean");
  SetAsLargeInt(aValue ? 1 : 0);
}

void TField::SetAsFloat(double aValue) {
  switch (storage_) {
    case TFieldStorage::Int32:
    case TFieldStorage::Int64:
      if (std::isnan(aValue))
        throw Exception("Invalid floating point value for field '" + fieldName_ + "'");
      return SetAsLargeInt(RoundToInt64(aValue, fieldName_));
    case TFieldStorage::Currency:
      return SetAsCurrency(TCurrency::FromDouble(aValue));
    case TFieldStorage::Decimal:
      return SetAsString(DoubleDecimalText(aValue));
    case TFieldStorage::Text:
      return SetAsString(DoubleText(aValue));
    case TFieldStorage::Boolean:
      return SetAsBoolean(aValue != 0);
    case TFieldStorage::DateTime: {
      const long double ms = std::nearbyint(static_cast<long double>(aValue) * kMillisecondsPerDay);
      if (!(ms >= kMinDateTimeMs && ms <= kMaxDateTimeMs))
        throw Exception("Invalid date and time for field '" + fieldName_ + "'");
      return SetAsDateTime(TDateTime{static_cast<std::int64_t>(ms)});
    }
    default:
      break;
  }
  BRAMBLE_WRITER;
  (void)w;
  if (storage_ == TFieldStorage::Double)
    col.F64[row] = aValue;
  else if (storage_ == TFieldStorage::Extended)
    col.F80[row] = aValue;
  else
    Unsupported("Float");
  col.Null[row] = 0;
  dataSet_->Notify(TDataEvent::deRecordChange);
}

void TField::SetAsExtended(long double aValue) {
  if (storage_ == TFieldStorage::Extended) {
    BRAMBLE_WRITER;
    (void)w;
    col.F80[row] = aValue;
    col.Null[row] = 0;
    dataSet_->Notify(TDataEvent::deRecordChange);
    return;
  }
  if (storage_ == TFieldStorage::Text) return SetAsString(ExtendedText(aValue));
  if (storage_ == TFieldStorage::Decimal && std::isfinite(aValue)) {
    char buf[6000];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, aValue, std::chars_format::fixed);
    if (ec == std::errc())
      return SetAsString(std::string_view(buf, static_cast<std::size_t>(p - buf)));
  }
  SetAsFloat(static_cast<double>(aValue));
}

void TField::SetAsCurrency(TCurrency aValue) {
  switch (storage_) {
    case TFieldStorage::Currency: {
      BRAMBLE_WRITER;
      (void)w;
      col.I64[row] = aValue.Scaled();
      col.Null[row] = 0;
      dataSet_->Notify(TDataEvent::deRecordChange);
      return;
    }
    case TFieldStorage::Decimal:
    case TFieldStorage::Text:
      return SetAsString(aValue.ToString());
    case TFieldStorage::Int32:
    case TFieldStorage::Int64:
      return SetAsLargeInt(CurrencyToInt64(aValue));
    case TFieldStorage::Extended:
      return SetAsExtended(static_cast<long double>(aValue.Scaled()) / 10000.0L);
    case TFieldStorage::Double:
      return SetAsFloat(aValue.ToDouble());
    default:
      Unsupported("Currency");
  }
}

void TField::SetAsDateTime(TDateTime aValue) {
  switch (storage_) {
    case TFieldStorage::DateTime: {
      BRAMBLE_WRITER;
      w.DateTime(aValue);
      dataSet_->Notify(TDataEvent::deRecordChange);
      return;
    }
    case TFieldStorage::Text:
      return SetAsString(DateTimeToText(aValue));
    case TFieldStorage::Double:
    case TFieldStorage::Extended:
      return SetAsExtended(static_cast<long double>(aValue.Milliseconds) / kMillisecondsPerDay);
    default:
      Unsupported("DateTime");
  }
}

void TField::SetAsString(std::string_view aValue) {
  if (storage_ == TFieldStorage::Text || storage_ == TFieldStorage::Bytes) {
    BRAMBLE_WRITER;
    w.Text(aValue);
    dataSet_->Notify(TDataEvent::deRecordChange);
    return;
  }
  if (storage_ == TFieldStorage::DataSet) Unsupported("String");
  // An empty text clears a field that is not text.
  if (Trim(aValue).empty()) return Clear();
  switch (storage_) {
    case TFieldStorage::Int32:
    case TFieldStorage::Int64:
      return SetAsLargeInt(ParseInt64(aValue));
    case TFieldStorage::Boolean:
      return SetAsBoolean(ParseBoolean(aValue));
    case TFieldStorage::Double:
      return SetAsFloat(ParseDouble(aValue));
    case TFieldStorage::Extended:
      return SetAsExtended(ParseExtended(aValue));
    case TFieldStorage::Currency:
      return SetAsCurrency(TCurrency::FromText(aValue));
    case TFieldStorage::DateTime:
      return SetAsDateTime(TextToDateTime(aValue));
    case TFieldStorage::Decimal: {
      const std::string canonical = CanonicalDecimal(aValue);
      BRAMBLE_WRITER;
      w.Text(canonical);
      dataSet_->Notify(TDataEvent::deRecordChange);
      return;
    }
    default:
      Unsupported("String");
  }
}

void TField::SetAsBytes(std::string_view aValue) {
  SetAsString(aValue);
}

// ---- getters -------------------------------------------------------------------------------

std::int64_t TField::AsLargeInt() const {
  if (IsNull()) return 0;
  BRAMBLE_CELL;
  switch (storage_) {
    case TFieldStorage::Int32:
      return col.I32[row];
    case TFieldStorage::Int64:
      return col.I64[row];
    case TFieldStorage::Boolean:
      return col.Bool[row];
    case TFieldStorage::Double:
      return RoundToInt64(col.F64[row], fieldName_);
    case TFieldStorage::Extended:
      return RoundToInt64(col.F80[row], fieldName_);
    case TFieldStorage::Currency:
      return CurrencyToInt64(TCurrency::FromScaled(col.I64[row]));
    case TFieldStorage::Decimal:
      return DecimalToInt64(store.TextAt(index_, dataSet_->cur_));
    case TFieldStorage::Text:
      return ParseInt64(store.TextAt(index_, dataSet_->cur_));
    default:
      Unsupported("LargeInt");
  }
}

std::int32_t TField::AsInteger() const {
  const std::int64_t v = AsLargeInt();
  if (type_ == TFieldType::ftLongWord)
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  if (v < INT32_MIN || v > INT32_MAX)
    throw Exception("Value " + std::to_string(v) + " of field '" + fieldName_ +
                    "' is out of the integer range");
  return static_cast<std::int32_t>(v);
}

bool TField::AsBoolean() const {
  if (IsNull()) return false;
  BRAMBLE_CELL;
  switch (storage_) {
    case TFieldStorage::Boolean:
      return col.Bool[row] != 0;
    case TFieldStorage::Int32:
      return col.I32[row] != 0;
    case TFieldStorage::Int64:
    case TFieldStorage::Currency:
      return col.I64[row] != 0;
    case TFieldStorage::Double:
      return col.F64[row] != 0;
    case TFieldStorage::Extended:
      return col.F80[row] != 0;
    case TFieldStorage::Text:
      return ParseBoolean(store.TextAt(index_, dataSet_->cur_));
    default:
      Unsupported("Boolean");
  }
}

long double TField::AsExtended() const {
  if (IsNull()) return 0;
  BRAMBLE_CELL;
  switch (storage_) {
    case TFieldStorage::Extended:
      return col.F80[row];
    case TFieldStorage::Decimal:
    case TFieldStorage::Text:
      return ParseExtended(store.TextAt(index_, dataSet_->cur_));
    case TFieldStorage::Currency:
      return static_cast<long double>(col.I64[row]) / 10000.0L;
    default:
      return AsFloat();
  }
}

double TField::AsFloat() const {
  if (IsNull()) return 0;
  BRAMBLE_CELL;
  switch (storage_) {
    case TFieldStorage::Double:
      return col.F64[row];
    case TFieldStorage::Extended:
      return static_cast<double>(col.F80[row]);
    case TFieldStorage::Int32:
      return col.I32[row];
    case TFieldStorage::Int64:
      return static_cast<double>(col.I64[row]);
    case TFieldStorage::Boolean:
      return col.Bool[row];
    case TFieldStorage::Currency:
      return TCurrency::FromScaled(col.I64[row]).ToDouble();
    case TFieldStorage::Decimal:
    case TFieldStorage::Text:
      return ParseDouble(store.TextAt(index_, dataSet_->cur_));
    case TFieldStorage::DateTime:
      return static_cast<double>(col.I64[row]) / kMillisecondsPerDay;
    default:
      Unsupported("Float");
  }
}

TCurrency TField::AsCurrency() const {
  if (IsNull()) return {};
  BRAMBLE_CELL;
  switch (storage_) {
    case TFieldStorage::Currency:
      return TCurrency::FromScaled(col.I64[row]);
    case TFieldStorage::Int32:
      return TCurrency::FromScaled(std::int64_t{col.I32[row]} * 10000);
    case TFieldStorage::Int64:
      if (col.I64[row] > INT64_MAX / 10000 || col.I64[row] < INT64_MIN / 10000)
        throw Exception("Value is out of the currency range");
      return TCurrency::FromScaled(col.I64[row] * 10000);
    case TFieldStorage::Double:
      return TCurrency::FromDouble(col.F64[row]);
    case TFieldStorage::Extended:
      return TCurrency::FromDouble(static_cast<double>(col.F80[row]));
    case TFieldStorage::Decimal:
    case TFieldStorage::Text:
      return TCurrency::FromText(store.TextAt(index_, dataSet_->cur_));
    default:
      Unsupported("Currency");
  }
}

TDateTime TField::AsDateTime() const {
  if (IsNull()) return {};
  BRAMBLE_CELL;
  switch (storage_) {
    case TFieldStorage::DateTime:
      return TDateTime{col.I64[row]};
    case TFieldStorage::Text:
      return TextToDateTime(store.TextAt(index_, dataSet_->cur_));
    case TFieldStorage::Double:
    case TFieldStorage::Extended: {
      const long double ms = std::nearbyint(AsExtended() * kMillisecondsPerDay);
      if (!(ms >= kMinDateTimeMs && ms <= kMaxDateTimeMs))
        throw Exception("Invalid date and time in field '" + fieldName_ + "'");
      return TDateTime{static_cast<std::int64_t>(ms)};
    }
    default:
      Unsupported("DateTime");
  }
}

std::string TField::AsString() const {
  if (IsNull()) return {};
  if (storage_ == TFieldStorage::DataSet) return "(DATASET)";
  BRAMBLE_CELL;
  switch (storage_) {
    case TFieldStorage::Int32:
      return std::to_string(col.I32[row]);
    case TFieldStorage::Int64:
      return std::to_string(col.I64[row]);
    case TFieldStorage::Boolean:
      return col.Bool[row] ? "True" : "False";
    case TFieldStorage::Double:
      return type_ == TFieldType::ftSingle ? FloatText(static_cast<float>(col.F64[row]))
                                           : DoubleText(col.F64[row]);
    case TFieldStorage::Extended:
      return ExtendedText(col.F80[row]);
    case TFieldStorage::Currency:
      return TCurrency::FromScaled(col.I64[row]).ToString();
    case TFieldStorage::DateTime:
      if (type_ == TFieldType::ftDate) return DateToText(TDateTime{col.I64[row]});
      if (type_ == TFieldType::ftTime) return TimeToText(TDateTime{col.I64[row]});
      return DateTimeToText(TDateTime{col.I64[row]});
    default:
      return std::string(store.TextAt(index_, dataSet_->cur_));
  }
}

std::string TField::AsBytes() const {
  return AsString();
}

std::string TField::DisplayTextAt(int aRecNo) const {
  if (dataSet_ == nullptr || dataSet_->store_ == nullptr || aRecNo < 1 ||
      aRecNo > dataSet_->store_->Rows())
    return {};
  const std::int64_t row = aRecNo - 1;
  if (storage_ == TFieldStorage::DataSet) return "(DATASET)";
  // Read through the ordinary getters with the cursor moved for the moment only; nothing is
  // bound or told, and the cursor is back before returning.
  const std::int64_t saved = dataSet_->cur_;
  dataSet_->cur_ = row;
  try {
    std::string text = DisplayText();
    dataSet_->cur_ = saved;
    return text;
  } catch (...) {
    dataSet_->cur_ = saved;
    throw;
  }
}

std::string TField::DisplayText() const {
  if (storage_ == TFieldStorage::Bytes) return IsNull() ? "" : "(BLOB)";
  if (storage_ == TFieldStorage::DataSet) return "(DATASET)";
  return AsString();
}

}  // namespace bramble
