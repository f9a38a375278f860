#pragma once
// Which record form each field kind has, in each direction. Kinds outside these tables have no
// record form: converting a record that holds one fails.
#include <cstdint>
#include <string>

#include "platform/data/DataSet.h"
#include "shared/convert/DataSetConverterException.h"

namespace bramble {

// How a field's value is written into a record object.
enum class TWriteForm : std::uint8_t {
  None,       // no record form
  Text,       // string: the field's text
  Int32,      // integer: the field as a 32-bit integer
  Int64,      // integer: the field as a 64-bit integer
  Digits,     // string: the field's text (its decimal digits)
  Boolean,    // true or false
  Float,      // number: the field as a double
  Currency,   // number: the currency value as a double
  Date,       // string: ISO date
  Time,       // string: ISO time
  TimeStamp,  // string: ISO time stamp
  Blob,       // string: MIME Base64 of the bytes
  DataSet,    // nested dataset: object or array
};

// How a record member is read into a field.
enum class TReadForm : std::uint8_t {
  None,
  Text,       // value as text
  Int32,      // value as integer, taken as 32 bits
  Int64,      // value as integer
  Boolean,    // value as boolean
  Float,      // value as number
  Currency,   // value as number, rounded to the nearest ten-thousandth (ties to even)
  Date,       // ISODateToDate of the text
  Time,       // ISOTimeToTime of the text
  TimeStamp,  // ISOTimeStampToDateTime of the text
  Blob,       // Base64 decoding of the text
  DataSet,    // nested dataset
};

inline TWriteForm WriteFormOf(TFieldType aKind) {
  switch (aKind) {
    case TFieldType::ftString:
    case TFieldType::ftMemo:
    case TFieldType::ftWideString:
    case TFieldType::ftWideMemo:
      return TWriteForm::Text;
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftShortint:
      return TWriteForm::Int32;
    case TFieldType::ftLargeint:
      return TWriteForm::Int64;
    case TFieldType::ftAutoInc:
    case TFieldType::ftLongWord:
      return TWriteForm::Digits;
    case TFieldType::ftBoolean:
      return TWriteForm::Boolean;
    case TFieldType::ftFloat:
    case TFieldType::ftSingle:
    case TFieldType::ftBCD:
    case TFieldType::ftFMTBcd:
    case TFieldType::ftExtended:
      return TWriteForm::Float;
    case TFieldType::ftCurrency:
      return TWriteForm::Currency;
    case TFieldType::ftDate:
      return TWriteForm::Date;
    case TFieldType::ftTime:
      return TWriteForm::Time;
    case TFieldType::ftDateTime:
    case TFieldType::ftTimeStamp:
      return TWriteForm::TimeStamp;
    case TFieldType::ftBlob:
    case TFieldType::ftGraphic:
    case TFieldType::ftStream:
      return TWriteForm::Blob;
    case TFieldType::ftDataSet:
      return TWriteForm::DataSet;
    default:
      return TWriteForm::None;
  }
}

inline TReadForm ReadFormOf(TFieldType aKind) {
  switch (aKind) {
    case TFieldType::ftString:
    case TFieldType::ftMemo:
    case TFieldType::ftWideString:
    case TFieldType::ftWideMemo:
      return TReadForm::Text;
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftLongWord:
    case TFieldType::ftShortint:
      return TReadForm::Int32;
    case TFieldType::ftAutoInc:
    case TFieldType::ftLargeint:
      return TReadForm::Int64;
    case TFieldType::ftBoolean:
      return TReadForm::Boolean;
    case TFieldType::ftFloat:
    case TFieldType::ftBCD:
    case TFieldType::ftFMTBcd:
    case TFieldType::ftExtended:
    case TFieldType::ftSingle:
      return TReadForm::Float;
    case TFieldType::ftCurrency:
      return TReadForm::Currency;
    case TFieldType::ftDate:
      return TReadForm::Date;
    case TFieldType::ftTime:
      return TReadForm::Time;
    case TFieldType::ftDateTime:
    case TFieldType::ftTimeStamp:
      return TReadForm::TimeStamp;
    case TFieldType::ftBlob:
    case TFieldType::ftGraphic:
    case TFieldType::ftStream:
      return TReadForm::Blob;
    case TFieldType::ftDataSet:
      return TReadForm::DataSet;
    default:
      return TReadForm::None;
  }
}

// The error for a field whose kind has no record form; `aName` names the field in the message.
[[noreturn]] inline void NoRecordForm(const std::string& aName) {
  throw EDataSetConverterException("Cannot find type for field \"" + aName + "\"");
}

}  // namespace bramble
