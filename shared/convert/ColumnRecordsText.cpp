#include "shared/convert/ColumnRecordsText.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/data/ColumnReader.h"
#include "platform/data/DateTime.h"
#include "shared/convert/Base64.h"
#include "shared/convert/ByteLanes.h"
#include "shared/convert/ConverterUtil.h"
#include "shared/convert/IsoText.h"
#include "shared/convert/JsonText.h"
#include "shared/convert/RecordForms.h"
#include "shared/convert/TextBuffer.h"
#include "shared/json/DigitPairs.h"
#include "shared/json/JsonBase.h"

namespace bramble {
namespace {

// How one column's values are written, decided once per column.
enum class ValueWriter : std::uint8_t {
  Text,         // text storage: a JSON string
  QuotedInt32,  // digits of an integer kind whose record form is a string
  QuotedInt64,
  Int32,
  Int64,
  Boolean,
  Double,
  Extended,       // written as the double it rounds to
  DecimalNumber,  // exact decimal text written as the double it reads as
  Currency,
  Date,
  Time,
  TimeStamp,
  Blob,
};

// The calendar day a column's last date-time fell on: results often hold runs of values on
// one day (time stamps in order), which then need no calendar arithmetic.
struct DayCache {
  std::int64_t Day = INT64_MIN;
  int Year = 0, Month = 0, Dom = 0;
};

// Member names up to this long are copied as one fixed-size block.
constexpr std::size_t kShortToken = 32;

struct Column {
  TColumnReader Reader;
  ValueWriter Writer;
  std::string NameToken;              // ,"name": (no comma before the first member)
  char ShortToken[kShortToken] = {};  // the same, when it fits
  DayCache Days;                      // date-time kinds
};

bool WriterFor(TWriteForm aForm, TFieldStorage aStorage, ValueWriter& aWriter) {
  using S = TFieldStorage;
  switch (aForm) {
    case TWriteForm::Text:
      if (aStorage != S::Text) return false;
      aWriter = ValueWriter::Text;
      return true;
    case TWriteForm::Digits:
      if (aStorage == S::Int32) return aWriter = ValueWriter::QuotedInt32, true;
      if (aStorage == S::Int64) return aWriter = ValueWriter::QuotedInt64, true;
      return false;
    case TWriteForm::Int32:
      if (aStorage != S::Int32) return false;
      return aWriter = ValueWriter::Int32, true;
    case TWriteForm::Int64:
      if (aStorage != S::Int64) return false;
      return aWriter = ValueWriter::Int64, true;
    case TWriteForm::Boolean:
      if (aStorage != S::Boolean) return false;
      return aWriter = ValueWriter::Boolean, true;
    case TWriteForm::Float:
      if (aStorage == S::Double) return aWriter = ValueWriter::Double, true;
      if (aStorage == S::Extended) return aWriter = ValueWriter::Extended, true;
      if (aStorage == S::Decimal) return aWriter = ValueWriter::DecimalNumber, true;
      return false;
    case TWriteForm::Currency:
      if (aStorage != S::Currency) return false;
      return aWriter = ValueWriter::Currency, true;
    case TWriteForm::Date:
    case TWriteForm::Time:
    case TWriteForm::TimeStamp:
      if (aStorage != S::DateTime) return false;
      aWriter = aForm == TWriteForm::Date   ? ValueWriter::Date
                : aForm == TWriteForm::Time ? ValueWriter::Time
                                            : ValueWriter::TimeStamp;
      return true;
    case TWriteForm::Blob:
      if (aStorage != S::Bytes) return false;
      return aWriter = ValueWriter::Blob, true;
    case TWriteForm::None:
    case TWriteForm::DataSet:
      return false;
  }
  return false;
}

// ASCII characters that the JSON writer escapes; every byte from 0x80 up is escaped too.
std::array<bool, 256> MakeEscaped() {
  std::array<bool, 256> escaped{};
  for (int c = 0; c < 256; ++c) {
    const char ch = static_cast<char>(c);
    escaped[static_cast<std::size_t>(c)] =
        c >= 0x80 || TJsonBase::Encode(std::string_view(&ch, 1)) != std::string_view(&ch, 1);
  }
  return escaped;
}

// Whether eight characters hold one that the JSON writer escapes (see MakeEscaped).
std::uint64_t EscapedBytes(std::uint64_t x) {
  return lanes::ControlOrHighBytes(x) | lanes::BytesEqual(x, '"') | lanes::BytesEqual(x, '\\') |
         lanes::BytesEqual(x, '/');
}

bool IsPlain(std::string_view aText) {
  static const std::array<bool, 256> escaped = MakeEscaped();
  const char* p = aText.data();
  const std::size_t n = aText.size();
  if (n < 8) {
    for (std::size_t i = 0; i < n; ++i)
      if (escaped[static_cast<unsigned char>(p[i])]) return false;
    return true;
  }
  // Eight characters at a time; the last word overlaps the one before it.
  for (std::size_t i = 0; i + 8 < n; i += 8)
    if (EscapedBytes(lanes::Load(p + i)) != 0) return false;
  return EscapedBytes(lanes::Load(p + n - 8)) == 0;
}

void PutString(TTextBuffer& aBuffer, std::string_view aText) {
  if (aText.size() <= TTextBuffer::kCapacity - 2 && IsPlain(aText)) {
    char* p = aBuffer.Room(aText.size() + 2);
    *p++ = '"';
    if (!aText.empty()) std::memcpy(p, aText.data(), aText.size());  // an empty text has no data
    p += aText.size();
    *p++ = '"';
    aBuffer.Advance(p);
    return;
  }
  std::string quoted;
  AppendJsonString(aText, quoted);
  aBuffer.Put(quoted);
}

// A date-time as the ISO text of `aWriter`, quoted.
void PutDateTime(TTextBuffer& aBuffer, ValueWriter aWriter, std::int64_t aMilliseconds,
                 DayCache& aCache) {
  iso::DateTimeParts t;
  const TDateTime value = TDateTime::FromMilliseconds(aMilliseconds);
  const std::int64_t day = value.Days();
  if (day != aCache.Day) {
    DecodeDate(value, aCache.Year, aCache.Month, aCache.Dom);
    aCache.Day = day;
  }
  t.Year = aCache.Year, t.Month = aCache.Month, t.Day = aCache.Dom;
  DecodeTime(value, t.Hour, t.Minute, t.Second, t.MilliSecond);
  if (t.Year < 0 || t.Year > 9999) {
    // Outside the four-digit years: the general writers.
    std::string text = "\"";
    if (aWriter == ValueWriter::Date) iso::AppendDate(t, text);
    if (aWriter == ValueWriter::Time) iso::AppendTime(t, text);
    if (aWriter == ValueWriter::TimeStamp) iso::AppendTimeStamp(t, text);
    text += '"';
    aBuffer.Put(text);
    return;
  }
  char* p = aBuffer.Room(32);
  *p++ = '"';
  if (aWriter != ValueWriter::Time) {
    p = PutTwoDigits(p, static_cast<unsigned>(t.Year / 100));
    p = PutTwoDigits(p, static_cast<unsigned>(t.Year % 100));
    *p++ = '-';
    p = PutTwoDigits(p, static_cast<unsigned>(t.Month));
    *p++ = '-';
    p = PutTwoDigits(p, static_cast<unsigned>(t.Day));
  }
  if (aWriter == ValueWriter::TimeStamp) *p++ = 'T';
  if (aWriter != ValueWriter::Date) {
    p = PutTwoDigits(p, static_cast<unsigned>(t.Hour));
    *p++ = ':';
    p = PutTwoDigits(p, static_cast<unsigned>(t.Minute));
    *p++ = ':';
    p = PutTwoDigits(p, static_cast<unsigned>(t.Second));
  }
  if (aWriter == ValueWriter::TimeStamp) {
    *p++ = '.';
    *p++ = static_cast<char>('0' + t.MilliSecond / 100);
    p = PutTwoDigits(p, static_cast<unsigned>(t.MilliSecond % 100));
    *p++ = 'Z';
  }
  *p++ = '"';
  aBuffer.Advance(p);
}

// A currency value as the number its double is written as. Below 10^15 ten-thousandths the
// double's 15 rounded digits are the exact decimal value, so it is written from the integer.
char* PutCurrency(char* p, std::int64_t aScaled) {
  constexpr std::int64_t kExactLimit = 1000000000000000;
  if (aScaled <= -kExactLimit || aScaled >= kExactLimit)
    return TJsonBase::NumberToChars(TCurrency::FromScaled(aScaled).ToDouble(), p);
  std::uint64_t magnitude = static_cast<std::uint64_t>(aScaled < 0 ? -aScaled : aScaled);
  if (aScaled < 0) *p++ = '-';
  p = TJsonBase::IntegerToChars(static_cast<std::int64_t>(magnitude / 10000), p);
  const auto fraction = static_cast<std::uint32_t>(magnitude % 10000);
  if (fraction != 0) {
    // Four digits after the point, then the trailing zeros taken back.
    *p++ = '.';
    p = PutTwoDigits(p, fraction / 100);
    p = PutTwoDigits(p, fraction % 100);
    while (p[-1] == '0') --p;
  }
  return p;
}

constexpr std::size_t kScalarRoom = TJsonBase::kMaxNumberChars + 8;

void PutValue(TTextBuffer& aBuffer, Column& aColumn, std::int64_t aRow) {
  const TColumnReader& r = aColumn.Reader;
  if (r.IsNull(aRow)) {
    char* p = aBuffer.Room(4);
    std::memcpy(p, "null", 4);
    aBuffer.Advance(p + 4);
    return;
  }
  switch (aColumn.Writer) {
    case ValueWriter::Text:
      return PutString(aBuffer, r.Text(aRow));
    case ValueWriter::Date:
    case ValueWriter::Time:
    case ValueWriter::TimeStamp:
      return PutDateTime(aBuffer, aColumn.Writer, r.Int64(aRow), aColumn.Days);
    case ValueWriter::Blob: {
      std::string quoted;
      AppendJsonString(Base64EncodeMime(r.Text(aRow)), quoted);
      return aBuffer.Put(quoted);
    }
    default:
      break;
  }
  char* p = aBuffer.Room(kScalarRoom);
  switch (aColumn.Writer) {
    case ValueWriter::QuotedInt32:
    case ValueWriter::QuotedInt64:
      *p++ = '"';
      p = TJsonBase::IntegerToChars(
          aColumn.Writer == ValueWriter::QuotedInt32 ? r.Int32(aRow) : r.Int64(aRow), p);
      *p++ = '"';
      break;
    case ValueWriter::Int32:
      p = TJsonBase::IntegerToChars(r.Int32(aRow), p);
      break;
    case ValueWriter::Int64:
      p = TJsonBase::IntegerToChars(r.Int64(aRow), p);
      break;
    case ValueWriter::Boolean:
      if (r.Boolean(aRow)) {
        std::memcpy(p, "true", 4);
        p += 4;
      } else {
        std::memcpy(p, "false", 5);
        p += 5;
      }
      break;
    case ValueWriter::Double:
      p = TJsonBase::NumberToChars(r.Double(aRow), p);
      break;
    case ValueWriter::Extended:
      p = TJsonBase::NumberToChars(static_cast<double>(r.Extended(aRow)), p);
      break;
    case ValueWriter::DecimalNumber:
      p = TJsonBase::NumberToChars(r.DecimalAsDouble(aRow), p);
      break;
    case ValueWriter::Currency:
      p = PutCurrency(p, r.Int64(aRow));
      break;
    default:
      break;
  }
  aBuffer.Advance(p);
}

void PutRecord(TTextBuffer& aBuffer, std::vector<Column>& aColumns, std::int64_t aRow) {
  aBuffer.Put('{');
  for (Column& column : aColumns) {
    if (column.NameToken.size() <= kShortToken) {
      char* p = aBuffer.Room(kShortToken);
      std::memcpy(p, column.ShortToken, kShortToken);
      aBuffer.Advance(p + column.NameToken.size());
    } else {
      aBuffer.Put(column.NameToken);
    }
    PutValue(aBuffer, column, aRow);
  }
  aBuffer.Put('}');
}

}  // namespace

bool WriteColumnRecordsText(TDataSet& aDataSet, std::string& aOut) {
  std::vector<Column> columns;
  for (int i = 0; i < aDataSet.FieldCount(); ++i) {
    TField& field = *aDataSet.Fields(i);
    if (!field.Visible()) continue;
    ValueWriter writer;
    if (!WriterFor(WriteFormOf(field.DataType()), field.Storage(), writer)) return false;
    std::string token = columns.empty() ? "" : ",";
    AppendJsonString(TConverterUtil::ToLowerCamelCase(field.FieldName()), token);
    token += ':';
    Column column{TColumnReader(field), writer, std::move(token), {}, {}};
    if (column.NameToken.size() <= kShortToken)
      std::memcpy(column.ShortToken, column.NameToken.data(), column.NameToken.size());
    columns.push_back(std::move(column));
  }
  const std::int64_t rows = aDataSet.RecordCount();
  auto buffer = std::make_unique<TTextBuffer>(aOut);
  buffer->Put('[');
  for (std::int64_t row = 0; row < rows; ++row) {
    if (row > 0) buffer->Put(',');
    PutRecord(*buffer, columns, row);
    if (row == 0) {
      // The first record's length stands for the rest: one allocation for the whole text
      // instead of a chain of doublings and copies.
      const std::size_t estimate = (buffer->Pending() + 1) * 9 / 8;
      aOut.reserve(aOut.size() + estimate * static_cast<std::size_t>(rows) + 2);
    }
  }
  buffer->Put(']');
  buffer->Flush();
  return true;
}

}  // namespace bramble
