#include "shared/convert/JsonConverter.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/core/AsciiCase.h"
#include "platform/core/Exception.h"
#include "platform/data/ColumnWriter.h"
#include "shared/convert/Base64.h"
#include "shared/convert/ConverterUtil.h"
#include "shared/convert/DataSetConverterException.h"
#include "shared/convert/JsonText.h"
#include "shared/convert/RecordForms.h"

namespace bramble {
namespace {

[[noreturn]] void Fail(const std::string& aMessage) {
  throw EDataSetConverterException(aMessage);
}

void CheckDataSet(TDataSet* aDataSet) {
  if (aDataSet == nullptr) Fail("DataSet Uninformed.");
}

// ---- writing one member into one field -----------------------------------------------------

// Writes `aValue` (a tree value or a scanned member, see below) into `aField` by its kind.
template <typename Value>
void WriteField(TField& aField, TReadForm aForm, Value& aValue) {
  if (aValue.IsNull()) {
    aField.Clear();
    return;
  }
  switch (aForm) {
    case TReadForm::Text:
      aField.SetAsString(aValue.AsString());
      break;
    case TReadForm::Int32:
      // The JSON integer is taken as 32 bits. For the unsigned 32-bit kind those bits are an
      // unsigned number: 4294967295 stays 4294967295 instead of turning into -1.
      if (aField.DataType() == TFieldType::ftLongWord) {
        aField.SetAsLargeInt(static_cast<std::uint32_t>(aValue.AsInteger()));
      } else {
        aField.SetAsInteger(static_cast<std::int32_t>(aValue.AsInteger()));
      }
      break;
    case TReadForm::Int64:
      aField.SetAsLargeInt(aValue.AsInteger());
      break;
    case TReadForm::Boolean:
      aField.SetAsBoolean(aValue.AsBoolean());
      break;
    case TReadForm::Float:
      aField.SetAsFloat(aValue.AsNumber());
      break;
    case TReadForm::Currency:
      // Rounded to the nearest ten-thousandth, ties to even; out of range is an error.
      aField.SetAsCurrency(TCurrency::FromDouble(aValue.AsNumber()));
      break;
    case TReadForm::Date:
      aField.SetAsDateTime(TConverterUtil::ISODateToDate(aValue.AsString()));
      break;
    case TReadForm::Time:
      aField.SetAsDateTime(TConverterUtil::ISOTimeToTime(aValue.AsString()));
      break;
    case TReadForm::TimeStamp:
      aField.SetAsDateTime(TConverterUtil::ISOTimeStampToDateTime(aValue.AsString()));
      break;
    case TReadForm::Blob:
      aField.SetAsBytes(Base64DecodeMime(aValue.AsString()));
      break;
    case TReadForm::None:
    case TReadForm::DataSet:
      break;
  }
}

// Makes the record at `aPosition` current (when there is a choice), then opens it for editing
// or appends a new one.
void BeginRecord(TDataSet& aDataSet, int aPosition, bool aEdit) {
  if (aPosition > 0 && aDataSet.RecordCount() > 1) aDataSet.SetRecNo(aPosition);
  if (aEdit) {
    aDataSet.Edit();
  } else {
    aDataSet.Append();
  }
}

// ---- records from the JSON tree ------------------------------------------------------------

struct TreeValue {
  TJsonValue* Value;
  bool IsNull() const { return Value->IsNull(); }
  std::string AsString() const { return Value->AsString(); }
  std::int64_t AsInteger() const { return Value->AsInteger(); }
  double AsNumber() const { return Value->AsNumber(); }
  bool AsBoolean() const { return Value->AsBoolean(); }
};

void ReadRecords(TJsonArray* aArray, TDataSet* aDataSet, bool aEdit);

void ReadRecord(TJsonObject* aObject, TDataSet* aDataSet, int aPosition, bool aEdit) {
  if (aObject == nullptr || aDataSet == nullptr) return;
  BeginRecord(*aDataSet, aPosition, aEdit);
  for (int i = 0; i < aDataSet->FieldCount(); ++i) {
    TField& field = *aDataSet->Fields(i);
    if (field.ReadOnly()) continue;
    const TReadForm form = ReadFormOf(field.DataType());
    if (form == TReadForm::None) NoRecordForm(field.FieldName());
    if (form == TReadForm::DataSet) {
      switch (TConverterUtil::DataSetFieldToType(&field)) {
        case TDataSetFieldType::dfJSONObject:
          ReadRecord(aObject->Values(field.FieldName())->AsObject(), field.NestedDataSet(), 0,
                     true);
          break;
        case TDataSetFieldType::dfJSONArray: {
          TDataSet* nested = field.NestedDataSet();
          if (nested != nullptr) {
            nested->First();
            while (!nested->IsEmpty()) nested->Delete();
          }
          ReadRecords(aObject->Values(field.FieldName())->AsArray(), nested, false);
          break;
        }
        case TDataSetFieldType::dfUnknown:
          break;
      }
      continue;
    }
    TreeValue value{aObject->Values(field.FieldName())};
    WriteField(field, form, value);
  }
  aDataSet->Post();
}

void ReadRecords(TJsonArray* aArray, TDataSet* aDataSet, bool aEdit) {
  if (aArray == nullptr || aDataSet == nullptr) return;
  int position = 0;
  for (int i = 0; i < aArray->Count(); ++i) {
    if (!aDataSet->IsEmpty()) ++position;
    TJsonValue* item = aArray->Items(i);
    if (item->ValueType() == TJsonValueType::jvArray) {
      // Arrays of records inside the records array are written as if flattened.
      ReadRecords(item->AsArray(), aDataSet, aEdit);
    } else {
      ReadRecord(item->AsObject(), aDataSet, position, aEdit);
    }
  }
}

// ---- records from a scanned text -----------------------------------------------------------
// Scalars are read the way the JSON model reads them; whatever is not plain (escapes,
// non-ASCII text, conversions between kinds that have their own rules) is handed to a
// JSON value of the model, under a pair of the member's name so that its errors read alike.

// A scanned string's characters without the quotes.
std::string_view InnerText(std::string_view aText, const TScannedMember& aMember) {
  return aText.substr(aMember.ValueBegin + 1, aMember.ValueLength - 2);
}

class ScannedValue {
 public:
  ScannedValue(std::string_view aText, const TScannedMember* aMember)
      : text_(aText), member_(aMember) {}

  bool IsNull() const { return member_ != nullptr && member_->Token == TScanToken::Null; }

  std::string AsString() const {
    if (member_ == nullptr) return {};
    switch (member_->Token) {
      case TScanToken::String:
        return std::string(Inner());
      case TScanToken::True:
        return "true";
      case TScanToken::False:
        return "false";
      case TScanToken::Integer: {
        std::string text;
        AppendJsonInteger(Integer(), text);
        return text;
      }
      case TScanToken::Null:
        return {};
      default:
        return Model()->AsString();
    }
  }

  std::int64_t AsInteger() const {
    if (member_ == nullptr) return 0;
    switch (member_->Token) {
      case TScanToken::Integer:
        return Integer();
      case TScanToken::True:
        return 1;
      case TScanToken::False:
      case TScanToken::Null:
        return 0;
      case TScanToken::String: {
        std::int64_t value;
        if (TJsonBase::TryReadInteger(Inner(), value)) return value;
        return Model()->AsInteger();  // raises the model's conversion error
      }
      default:
        return Model()->AsInteger();
    }
  }

  double AsNumber() const {
    if (member_ == nullptr) return 0;
    switch (member_->Token) {
      case TScanToken::Integer:
        return static_cast<double>(Integer());
      case TScanToken::Number:
        return member_->Number;
      case TScanToken::String: {
        double value;
        if (TJsonBase::TryReadNumber(Inner(), value)) return value;
        return Model()->AsNumber();  // raises the model's conversion error
      }
      case TScanToken::True:
        return 1;
      case TScanToken::False:
      case TScanToken::Null:
        return 0;
      default:
        return Model()->AsNumber();
    }
  }

  bool AsBoolean() const {
    if (member_ == nullptr) return false;
    switch (member_->Token) {
      case TScanToken::True:
        return true;
      case TScanToken::False:
      case TScanToken::Null:
        return false;
      case TScanToken::Integer:
        return Integer() != 0;
      case TScanToken::Number:
        return AsNumber() != 0.0;
      case TScanToken::String:
        return EqualsIgnoringCase(Inner(), "true");
      default:
        return Model()->AsBoolean();
    }
  }

 private:
  std::string_view Raw() const { return text_.substr(member_->ValueBegin, member_->ValueLength); }
  std::string_view Inner() const { return InnerText(text_, *member_); }

  std::int64_t Integer() const { return member_->Integer; }

  // The member parsed by the JSON model, under a pair of the member's name.
  TJsonValue* Model() const {
    if (pair_ == nullptr) {
      pair_ = std::make_unique<TJsonPair>(
          nullptr, std::string(text_.substr(member_->NameBegin, member_->NameLength)));
      pair_->Value()->Parse(std::string(Raw()));
    }
    return pair_->Value();
  }

  std::string_view text_;
  const TScannedMember* member_;
  mutable std::unique_ptr<TJsonPair> pair_;
};

bool SameName(std::string_view aText, const TScannedMember& aMember, std::string_view aName) {
  if (aMember.NameLength != aName.size()) return false;
  const std::string_view name = aText.substr(aMember.NameBegin, aMember.NameLength);
  return name == aName || EqualsIgnoringCase(name, aName);
}

const TScannedMember* FindMember(std::string_view aText, std::span<const TScannedMember> aMembers,
                                 std::string_view aName) {
  for (const TScannedMember& member : aMembers)
    if (SameName(aText, member, aName)) return &member;
  return nullptr;
}

// Whether a scanned text can stand for the tree with this dataset: nested-dataset fields take
// objects and arrays as members, which only the tree carries.
bool ScannedFits(TDataSet& aDataSet) {
  for (int i = 0; i < aDataSet.FieldCount(); ++i) {
    TField& field = *aDataSet.Fields(i);
    if (!field.ReadOnly() && field.DataType() == TFieldType::ftDataSet &&
        TConverterUtil::DataSetFieldToType(&field) != TDataSetFieldType::dfUnknown)
      return false;
  }
  return true;
}

void ReadScannedRecord(std::string_view aText, std::span<const TScannedMember> aMembers,
                       TDataSet& aDataSet, int aPosition, bool aEdit) {
  BeginRecord(aDataSet, aPosition, aEdit);
  for (int i = 0; i < aDataSet.FieldCount(); ++i) {
    TField& field = *aDataSet.Fields(i);
    if (field.ReadOnly()) continue;
    const TReadForm form = ReadFormOf(field.DataType());
    if (form == TReadForm::None) NoRecordForm(field.FieldName());
    if (form == TReadForm::DataSet) continue;  // only dfUnknown gets here: not touched
    ScannedValue value(aText, FindMember(aText, aMembers, field.FieldName()));
    WriteField(field, form, value);
  }
  aDataSet.Post();
}

// ---- appending scanned records straight into the storage ----------------------------------
// Appending is the bulk case (a query's whole answer). Values that need no conversion rules of
// their own (a string into a text field, an integer into an integer field, ...) are written
// straight into the record's cells after the checks the field's setter would make; everything
// else, and every value such a check refuses, goes through the field as above.

struct AppendColumn {
  TField* Field;
  TReadForm Form;
  std::optional<TColumnWriter> Writer;            // when some values can be written straight
  std::int64_t Min = INT64_MIN, Max = INT64_MAX;  // integer kinds
};

bool HasDirectWrites(TReadForm aForm, TFieldStorage aStorage) {
  using S = TFieldStorage;
  switch (aForm) {
    case TReadForm::Text:
      return aStorage == S::Text;
    case TReadForm::Int32:
    case TReadForm::Int64:
      return aStorage == S::Int32 || aStorage == S::Int64;
    case TReadForm::Boolean:
      return aStorage == S::Boolean;
    case TReadForm::Float:
      return aStorage == S::Double || aStorage == S::Extended;
    case TReadForm::Currency:
      return aStorage == S::Currency;
    case TReadForm::Date:
    case TReadForm::Time:
    case TReadForm::TimeStamp:
      return aStorage == S::DateTime;
    default:
      return false;
  }
}

// Writes `aMember` into record `aRow` when it is a value the column takes as it stands; false
// when the field must handle it.
bool WriteDirect(AppendColumn& aColumn, std::string_view aText, const TScannedMember& aMember,
                 std::int64_t aRow) {
  TColumnWriter& writer = *aColumn.Writer;
  if (aMember.Token == TScanToken::Null) {
    writer.SetNull(aRow);
    return true;
  }
  const TFieldStorage storage = aColumn.Field->Storage();
  switch (aColumn.Form) {
    case TReadForm::Text:
      if (aMember.Token != TScanToken::String) return false;
      writer.SetText(aRow, InnerText(aText, aMember));
      return true;
    case TReadForm::Int32:
    case TReadForm::Int64: {
      if (aMember.Token != TScanToken::Integer) return false;
      std::int64_t value = aMember.Integer;
      // The 32-bit form takes the low 32 bits; the unsigned 32-bit kind reads them unsigned.
      if (aColumn.Form == TReadForm::Int32)
        value = aColumn.Field->DataType() == TFieldType::ftLongWord
                    ? static_cast<std::int64_t>(static_cast<std::uint32_t>(value))
                    : static_cast<std::int32_t>(value);
      if (value < aColumn.Min || value > aColumn.Max) return false;
      if (storage == TFieldStorage::Int32)
        writer.SetInt32(aRow, static_cast<std::int32_t>(value));
      else
        writer.SetInt64(aRow, value);
      return true;
    }
    case TReadForm::Boolean:
      if (aMember.Token != TScanToken::True && aMember.Token != TScanToken::False) return false;
      writer.SetBoolean(aRow, aMember.Token == TScanToken::True);
      return true;
    case TReadForm::Float:
    case TReadForm::Currency: {
      double value;
      if (aMember.Token == TScanToken::Integer)
        value = static_cast<double>(aMember.Integer);
      else if (aMember.Token == TScanToken::Number)
        value = aMember.Number;
      else
        return false;
      if (storage == TFieldStorage::Double)
        writer.SetDouble(aRow, value);
      else if (storage == TFieldStorage::Extended)
        writer.SetExtended(aRow, value);
      else
        writer.SetInt64(aRow, TCurrency::FromDouble(value).Scaled());
      return true;
    }
    case TReadForm::Date:
    case TReadForm::Time:
    case TReadForm::TimeStamp: {
      if (aMember.Token != TScanToken::String) return false;
      const std::string_view text = InnerText(aText, aMember);
      TDateTime value = aColumn.Form == TReadForm::Date ? TConverterUtil::ISODateToDate(text)
                        : aColumn.Form == TReadForm::Time
                            ? TConverterUtil::ISOTimeToTime(text)
                            : TConverterUtil::ISOTimeStampToDateTime(text);
      if (!IsValidDateTime(value)) return false;
      // A date keeps no time of day and a time no date.
      if (aColumn.Field->DataType() == TFieldType::ftDate)
        value = TDateTime{value.Days() * kMillisecondsPerDay};
      if (aColumn.Field->DataType() == TFieldType::ftTime) value = TDateTime{value.TimeOfDay()};
      writer.SetInt64(aRow, value.Milliseconds);
      return true;
    }
    default:
      return false;
  }
}

// Appends of at least this many records (estimated) reserve room for them up front.
constexpr std::int64_t kBulkRecords = 1024;

class ScannedAppender {
 public:
  ScannedAppender(std::string_view aText, TDataSet& aDataSet) : text_(aText), dataSet_(aDataSet) {
    for (int i = 0; i < aDataSet.FieldCount(); ++i) {
      TField* field = aDataSet.Fields(i);
      AppendColumn column{field, ReadFormOf(field->DataType()), std::nullopt};
      for (const AppendColumn& other : columns_)
        if (EqualsIgnoringCase(other.Field->FieldName(), field->FieldName())) uniqueNames_ = false;
      columns_.push_back(std::move(column));
    }
  }

  void Append(std::span<const TScannedMember> aMembers) {
    if (first_ && !aMembers.empty()) {
      // The first record's length stands for the rest: room for them all at once instead of
      // growing every column step by step (room that is never used is never touched). Only a
      // bulk append reserves, and never less than the records already held, so that many small
      // appends to one large table still grow it by doubling rather than a record at a time.
      first_ = false;
      const std::size_t length =
          aMembers.back().ValueBegin + aMembers.back().ValueLength - aMembers.front().NameBegin + 4;
      const std::size_t leastLength = aMembers.size() * 6 + 2;
      const auto estimate = static_cast<std::int64_t>(text_.size() / std::max(length, leastLength));
      if (estimate >= kBulkRecords)
        ReserveRecords(dataSet_, std::max<std::int64_t>(estimate, dataSet_.RecordCount()));
    }
    dataSet_.Append();
    if (!writersMade_) MakeWriters();
    const std::int64_t row = dataSet_.RecordCount() - 1;
    // Members in the order of the fields are found by position; a name that is not where its
    // field is (or fields whose names are not unique) falls back to the first match.
    // A name equal to the one before, in a record before that was all in order, is in order.
    bool inOrder = uniqueNames_;
    for (std::size_t k = 0; k < columns_.size(); ++k) {
      AppendColumn& column = columns_[k];
      TField& field = *column.Field;
      const std::string& name = field.FieldName();
      const TScannedMember* member = nullptr;
      if (inOrder && k < aMembers.size() &&
          ((lastInOrder_ && aMembers[k].NameAsBefore) || SameName(text_, aMembers[k], name))) {
        member = &aMembers[k];
      } else {
        inOrder = false;
        member = FindMember(text_, aMembers, name);
      }
      if (field.ReadOnly()) continue;
      if (column.Form == TReadForm::None) NoRecordForm(name);
      if (column.Form == TReadForm::DataSet) continue;  // only dfUnknown gets here: not touched
      if (member != nullptr && column.Writer && WriteDirect(column, text_, *member, row)) continue;
      ScannedValue value(text_, member);
      WriteField(field, column.Form, value);
    }
    lastInOrder_ = inOrder;
    dataSet_.Post();
  }

 private:
  // Writers for the columns that can take values straight; made once the dataset has its
  // records storage (a nested dataset gets it with its first record).
  void MakeWriters() {
    writersMade_ = true;
    for (AppendColumn& column : columns_) {
      if (!HasDirectWrites(column.Form, column.Field->Storage())) continue;
      IntegerRange(column.Field->DataType(), column.Min, column.Max);
      column.Writer.emplace(*column.Field);
    }
  }

  std::string_view text_;
  TDataSet& dataSet_;
  std::vector<AppendColumn> columns_;
  bool uniqueNames_ = true;
  bool lastInOrder_ = false;  // every field of the record before was found at its place
  bool first_ = true;
  bool writersMade_ = false;
};

// Writes the records of a text that ScanRecords accepted, reading it a second time record by
// record, so that no more than one record's positions are held at once.
void ReadScannedRecords(std::string_view aText, TDataSet& aDataSet, bool aEdit) {
  bool scannedArray;
  bool read;
  if (!aEdit && !aDataSet.CheckRequired()) {
    ScannedAppender appender(aText, aDataSet);
    read = ScanRecords(aText, scannedArray, [&](std::span<const TScannedMember> aMembers) {
      appender.Append(aMembers);
    });
  } else {
    int position = 0;
    const bool isArray = TJsonBase::IsJsonArray(aText);  // a single object keeps position 0
    read = ScanRecords(aText, scannedArray, [&](std::span<const TScannedMember> aMembers) {
      if (isArray && !aDataSet.IsEmpty()) ++position;
      ReadScannedRecord(aText, aMembers, aDataSet, position, aEdit);
    });
  }
  // The text was checked when it was handed over; reading it must get to its end. Should it
  // ever stop early, the records after that point must not go missing without a word.
  if (!read) Fail("The records text could not be read to its end.");
}

// ---- field description ---------------------------------------------------------------------

void ReadFields(TJsonArray* aArray, TDataSet* aDataSet) {
  if (aArray == nullptr || aDataSet == nullptr) return;
  if (aArray->Count() == 0) Fail("The JSON is Empty.");
  if (aDataSet->Active()) Fail("The DataSet can not be active.");
  if (aDataSet->FieldCount() > 0) Fail("The DataSet can not have predefined Fields.");
  for (int i = 0; i < aArray->Count(); ++i) {
    TJsonObject* item = aArray->Items(i)->AsObject();
    const std::string typeName = item->Values("dataType")->AsString();
    TFieldType kind;
    if (!FieldTypeFromName(typeName, kind)) Fail("Unknown field type \"" + typeName + "\".");
    const std::string name = item->Values("fieldName")->AsString();
    const std::int64_t size = item->Values("size")->AsInteger();
    if (size < INT32_MIN || size > INT32_MAX) Fail("Size out of range for field \"" + name + "\".");
    TConverterUtil::NewDataSetField(aDataSet, kind, name, static_cast<std::int32_t>(size), "", "");
  }
}

}  // namespace

IJsonConverter::Ptr TJsonConverter::New() {
  return std::make_shared<TJsonConverter>();
}

TJsonConverter::TJsonConverter() = default;
TJsonConverter::~TJsonConverter() = default;

IJsonConverter::Ptr TJsonConverter::UseObject(TJsonObject* aJsonObject) {
  FJsonObject = aJsonObject;
  FObjectFromText = false;
  return shared_from_this();
}

IJsonConverter::Ptr TJsonConverter::UseArray(TJsonArray* aJsonArray) {
  FJsonArray = aJsonArray;
  FArrayFromText = false;
  return shared_from_this();
}

IJsonConverter::Ptr TJsonConverter::UseText(const std::string& aJsonString) {
  return UseText(std::string(aJsonString));
}

IJsonConverter::Ptr TJsonConverter::UseText(std::string&& aJsonString) {
  if (aJsonString.empty()) throw Exception("JSON string Uninformed.");
  // A source taken from an earlier text dies with that text's tree.
  if (FObjectFromText) FJsonObject = nullptr, FObjectFromText = false;
  if (FArrayFromText) FJsonArray = nullptr, FArrayFromText = false;
  FJson.reset();
  FText = std::move(aJsonString);
  FTextScanned = ScanRecords(FText);
  if (!FTextScanned) ParseText();  // raises the JSON model's error for a malformed text
  if (TJsonBase::IsJsonObject(FText)) {
    FObjectFromText = true;
    if (FJson) FJsonObject = FJson->JsonObject();
  } else if (TJsonBase::IsJsonArray(FText)) {
    FArrayFromText = true;
    if (FJson) FJsonArray = FJson->JsonArray();
  }
  return shared_from_this();
}

void TJsonConverter::ParseText() {
  if (FJson) return;
  FJson = std::make_unique<TJson>();
  FJson->Parse(FText);
}

TJsonObject* TJsonConverter::SourceObject() {
  if (FObjectFromText && FJsonObject == nullptr) {
    ParseText();
    FJsonObject = FJson->JsonObject();
  }
  return FJsonObject;
}

TJsonArray* TJsonConverter::SourceArray() {
  if (FArrayFromText && FJsonArray == nullptr) {
    ParseText();
    FJsonArray = FJson->JsonArray();
  }
  return FJsonArray;
}

void TJsonConverter::BuildFields(TDataSet* aDataSet) {
  if (FJsonObject != nullptr || FObjectFromText)
    Fail("To convert a structure only JSONArray is allowed.");
  if (FJsonArray == nullptr && !FArrayFromText) Fail("JSON Value Uninformed.");
  CheckDataSet(aDataSet);
  if (aDataSet->Active()) aDataSet->Close();
  if (aDataSet->FieldCount() > 0) aDataSet->Fields().Clear();
  if (aDataSet->FieldDefs().Count() > 0) aDataSet->FieldDefs().Clear();
  ReadFields(SourceArray(), aDataSet);
}

void TJsonConverter::AppendToDataSet(TDataSet* aDataSet) {
  WriteRecords(aDataSet, false);
}

void TJsonConverter::UpdateDataSet(TDataSet* aDataSet) {
  WriteRecords(aDataSet, true);
}

void TJsonConverter::WriteRecords(TDataSet* aDataSet, bool aEdit) {
  CheckDataSet(aDataSet);
  if (aDataSet->FieldDefs().Count() == 0 && aDataSet->FieldCount() == 0)
    Fail("DataSet without Fields.");
  if (!aDataSet->Active()) aDataSet->Open();
  aDataSet->DisableControls();
  try {
    const bool objectSource = FJsonObject != nullptr || FObjectFromText;
    const bool arraySource = FJsonArray != nullptr || FArrayFromText;
    const bool textSource = objectSource ? FObjectFromText : FArrayFromText;
    if (!objectSource && !arraySource) Fail("JSON Value Uninformed.");
    if (textSource && FTextScanned && FJson == nullptr && ScannedFits(*aDataSet)) {
      ReadScannedRecords(FText, *aDataSet, aEdit);
    } else if (objectSource) {
      ReadRecord(SourceObject(), aDataSet, 0, aEdit);
    } else {
      ReadRecords(SourceArray(), aDataSet, aEdit);
    }
  } catch (...) {
    aDataSet->EnableControls();
    throw;
  }
  aDataSet->EnableControls();
}

}  // namespace bramble
