#include "shared/convert/DataSetConverter.h"

#include <vector>

#include "shared/convert/Base64.h"
#include "shared/convert/ColumnRecordsText.h"
#include "shared/convert/ConverterUtil.h"
#include "shared/convert/DataSetConverterException.h"
#include "shared/convert/IsoText.h"
#include "shared/convert/JsonText.h"
#include "shared/convert/RecordForms.h"

namespace bramble {
namespace {

// Runs `aWalk` with the first record current and bound controls not notified, then returns to
// the record that was current before, whatever happens on the way.
template <typename Walk>
void FromFirstRecord(TDataSet& aDataSet, Walk&& aWalk) {
  TBookmark bookmark = aDataSet.GetBookmark();
  aDataSet.DisableControls();
  auto restore = [&] {
    aDataSet.EnableControls();
    if (aDataSet.BookmarkValid(bookmark)) aDataSet.GotoBookmark(bookmark);
    aDataSet.FreeBookmark(bookmark);
  };
  try {
    aDataSet.First();
    aWalk();
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

// Visits every record of a dataset from the first (see FromFirstRecord).
template <typename Visit>
void ForEachRecord(TDataSet& aDataSet, Visit&& aVisit) {
  FromFirstRecord(aDataSet, [&] {
    while (!aDataSet.Eof()) {
      aVisit();
      aDataSet.Next();
    }
  });
}

// ---- JSON tree -----------------------------------------------------------------------------

void ConvertRecordInto(TDataSet* aDataSet, TJsonObject& aObject);
void ConvertRecordsInto(TDataSet* aDataSet, TJsonArray& aArray);

void PutField(TJsonObject& aObject, TField& aField, const std::string& aName) {
  const TWriteForm form = WriteFormOf(aField.DataType());
  if (form == TWriteForm::None) NoRecordForm(aName);
  if (form == TWriteForm::DataSet) {
    switch (TConverterUtil::DataSetFieldToType(&aField)) {
      case TDataSetFieldType::dfJSONObject:
        ConvertRecordInto(aField.NestedDataSet(),
                          *aObject.Put(aName, TJsonEmpty::empty)->AsObject());
        break;
      case TDataSetFieldType::dfJSONArray:
        ConvertRecordsInto(aField.NestedDataSet(),
                           *aObject.Put(aName, TJsonEmpty::empty)->AsArray());
        break;
      case TDataSetFieldType::dfUnknown:
        break;
    }
    return;
  }
  if (aField.IsNull()) {
    aObject.Put(aName, TJsonNull::null);
    return;
  }
  switch (form) {
    case TWriteForm::Text:
    case TWriteForm::Digits:
      aObject.Put(aName, aField.AsString());
      break;
    case TWriteForm::Int32:
      aObject.Put(aName, static_cast<std::int64_t>(aField.AsInteger()));
      break;
    case TWriteForm::Int64:
      aObject.Put(aName, static_cast<std::int64_t>(aField.AsLargeInt()));
      break;
    case TWriteForm::Boolean:
      aObject.Put(aName, aField.AsBoolean());
      break;
    case TWriteForm::Float:
      aObject.Put(aName, aField.AsFloat());
      break;
    case TWriteForm::Currency:
      aObject.Put(aName, aField.AsCurrency().ToDouble());
      break;
    case TWriteForm::Date:
      aObject.Put(aName, TConverterUtil::DateToISODate(aField.AsDateTime()));
      break;
    case TWriteForm::Time:
      aObject.Put(aName, TConverterUtil::TimeToISOTime(aField.AsDateTime()));
      break;
    case TWriteForm::TimeStamp:
      aObject.Put(aName, TConverterUtil::DateTimeToISOTimeStamp(aField.AsDateTime()));
      break;
    case TWriteForm::Blob:
      aObject.Put(aName, Base64EncodeMime(aField.AsBytes()));
      break;
    case TWriteForm::None:
    case TWriteForm::DataSet:
      break;
  }
}

void ConvertRecordInto(TDataSet* aDataSet, TJsonObject& aObject) {
  if (aDataSet == nullptr || aDataSet->IsEmpty()) return;
  for (int i = 0; i < aDataSet->FieldCount(); ++i) {
    TField& field = *aDataSet->Fields(i);
    if (!field.Visible()) continue;
    PutField(aObject, field, TConverterUtil::ToLowerCamelCase(field.FieldName()));
  }
}

void ConvertRecordsInto(TDataSet* aDataSet, TJsonArray& aArray) {
  if (aDataSet == nullptr || aDataSet->IsEmpty()) return;
  // Each record is built in place as the array's next item: no working copy per record.
  ForEachRecord(*aDataSet, [&] { ConvertRecordInto(aDataSet, *aArray.Add()->AsObject()); });
}

void ConvertFieldsInto(TDataSet* aDataSet, TJsonArray& aArray) {
  if (aDataSet == nullptr || aDataSet->FieldCount() == 0) return;
  for (int i = 0; i < aDataSet->FieldCount(); ++i) {
    TField& field = *aDataSet->Fields(i);
    TJsonObject& item = *aArray.Add()->AsObject();
    item.Put("fieldName", TConverterUtil::ToLowerCamelCase(field.FieldName()));
    item.Put("dataType", FieldTypeName(field.DataType()));
    item.Put("size", static_cast<std::int64_t>(field.Size()));
  }
}

// ---- JSON text -----------------------------------------------------------------------------
// The same conversions written straight into text. The member names are worked out once per
// dataset instead of once per record.

struct TextColumn {
  TField* Field;
  TWriteForm Form;
  std::string MemberName;  // lower-cased field name, for the error message
  std::string NameToken;   // "name": as it appears in the text
};

std::vector<TextColumn> TextColumns(TDataSet& aDataSet) {
  std::vector<TextColumn> columns;
  columns.reserve(static_cast<std::size_t>(aDataSet.FieldCount()));
  for (int i = 0; i < aDataSet.FieldCount(); ++i) {
    TField* field = aDataSet.Fields(i);
    if (!field->Visible()) continue;
    TextColumn column{field,
                      WriteFormOf(field->DataType()),
                      TConverterUtil::ToLowerCamelCase(field->FieldName()),
                      {}};
    AppendJsonString(column.MemberName, column.NameToken);
    column.NameToken.push_back(':');
    columns.push_back(std::move(column));
  }
  return columns;
}

// A date-time value as a quoted ISO text, written in place.
void AppendIsoText(TDateTime aValue, void (*aAppend)(const iso::DateTimeParts&, std::string&),
                   std::string& aOut) {
  iso::DateTimeParts parts;
  DecodeDateTime(aValue, parts.Year, parts.Month, parts.Day, parts.Hour, parts.Minute, parts.Second,
                 parts.MilliSecond);
  aOut.push_back('"');
  aAppend(parts, aOut);
  aOut.push_back('"');
}

void WriteRecordText(TDataSet* aDataSet, std::string& aOut);
void WriteRecordsText(TDataSet* aDataSet, std::string& aOut);

void WriteRecordText(const std::vector<TextColumn>& aColumns, std::string& aOut) {
  aOut.push_back('{');
  bool first = true;
  for (const TextColumn& column : aColumns) {
    TField& field = *column.Field;
    if (column.Form == TWriteForm::None) NoRecordForm(column.MemberName);
    TDataSetFieldType nested = TDataSetFieldType::dfUnknown;
    if (column.Form == TWriteForm::DataSet) {
      nested = TConverterUtil::DataSetFieldToType(&field);
      if (nested == TDataSetFieldType::dfUnknown) continue;
    }
    if (!first) aOut.push_back(',');
    first = false;
    aOut += column.NameToken;
    if (column.Form == TWriteForm::DataSet) {
      if (nested == TDataSetFieldType::dfJSONObject) {
        WriteRecordText(field.NestedDataSet(), aOut);
      } else {
        WriteRecordsText(field.NestedDataSet(), aOut);
      }
      continue;
    }
    if (field.IsNull()) {
      aOut += "null";
      continue;
    }
    switch (column.Form) {
      case TWriteForm::Text:
      case TWriteForm::Digits:
        AppendJsonString(field.AsString(), aOut);
        break;
      case TWriteForm::Int32:
        AppendJsonInteger(field.AsInteger(), aOut);
        break;
      case TWriteForm::Int64:
        AppendJsonInteger(field.AsLargeInt(), aOut);
        break;
      case TWriteForm::Boolean:
        aOut += field.AsBoolean() ? "true" : "false";
        break;
      case TWriteForm::Float:
        AppendNumberText(field.AsFloat(), aOut);
        break;
      case TWriteForm::Currency:
        AppendNumberText(field.AsCurrency().ToDouble(), aOut);
        break;
      case TWriteForm::Date:
        AppendIsoText(field.AsDateTime(), iso::AppendDate, aOut);
        break;
      case TWriteForm::Time:
        AppendIsoText(field.AsDateTime(), iso::AppendTime, aOut);
        break;
      case TWriteForm::TimeStamp:
        AppendIsoText(field.AsDateTime(), iso::AppendTimeStamp, aOut);
        break;
      case TWriteForm::Blob:
        // Base64 needs no escaping but its line breaks: CR LF becomes \r\n.
        AppendJsonString(Base64EncodeMime(field.AsBytes()), aOut);
        break;
      case TWriteForm::None:
      case TWriteForm::DataSet:
        break;
    }
  }
  aOut.push_back('}');
}

void WriteRecordText(TDataSet* aDataSet, std::string& aOut) {
  if (aDataSet == nullptr || aDataSet->IsEmpty()) {
    aOut += "{}";
    return;
  }
  WriteRecordText(TextColumns(*aDataSet), aOut);
}

void WriteRecordsText(TDataSet* aDataSet, std::string& aOut) {
  if (aDataSet == nullptr || aDataSet->IsEmpty()) {
    aOut += "[]";
    return;
  }
  FromFirstRecord(*aDataSet, [&] {
    // Plain datasets are written from their columns (pending changes posted first), others
    // record by record.
    if (WriteColumnRecordsText(*aDataSet, aOut)) return;
    const std::vector<TextColumn> columns = TextColumns(*aDataSet);
    aOut.push_back('[');
    const std::size_t start = aOut.size();
    for (bool first = true; !aDataSet->Eof(); aDataSet->Next(), first = false) {
      if (!first) aOut.push_back(',');
      WriteRecordText(columns, aOut);
      if (first) {
        // The first record's length stands for the rest: one allocation instead of a chain of
        // doublings and copies of an ever larger text.
        const std::size_t estimate = (aOut.size() - start + 1) * 9 / 8;
        aOut.reserve(aOut.size() + estimate * static_cast<std::size_t>(aDataSet->RecordCount()));
      }
    }
    aOut.push_back(']');
  });
}

void WriteFieldsText(TDataSet* aDataSet, std::string& aOut) {
  aOut.push_back('[');
  if (aDataSet != nullptr) {
    for (int i = 0; i < aDataSet->FieldCount(); ++i) {
      TField& field = *aDataSet->Fields(i);
      if (i > 0) aOut.push_back(',');
      aOut += "{\"fieldName\":";
      AppendJsonString(TConverterUtil::ToLowerCamelCase(field.FieldName()), aOut);
      aOut += ",\"dataType\":";
      AppendJsonString(FieldTypeName(field.DataType()), aOut);
      aOut += ",\"size\":";
      AppendJsonInteger(field.Size(), aOut);
      aOut.push_back('}');
    }
  }
  aOut.push_back(']');
}

}  // namespace

IDataSetConverter::Ptr TDataSetConverter::New() {
  return std::make_shared<TDataSetConverter>();
}

TDataSetConverter::TDataSetConverter()
    : FJsonObject(std::make_unique<TJsonObject>(nullptr)),
      FJsonArray(std::make_unique<TJsonArray>(nullptr)) {}

TDataSetConverter::~TDataSetConverter() = default;

IDataSetConverter::Ptr TDataSetConverter::UseDataSet(TDataSet* aDataSet) {
  FDataSet = aDataSet;
  return shared_from_this();
}

TDataSet* TDataSetConverter::SourceDataSet() const {
  if (FDataSet == nullptr) throw EDataSetConverterException("DataSet Uninformed.");
  return FDataSet;
}

TJsonObject* TDataSetConverter::RecordToJson() {
  TDataSet* source = SourceDataSet();
  FJsonObject->Clear();
  ConvertRecordInto(source, *FJsonObject);
  return FJsonObject.get();
}

TJsonArray* TDataSetConverter::RecordsToJson() {
  TDataSet* source = SourceDataSet();
  FJsonArray->Clear();
  ConvertRecordsInto(source, *FJsonArray);
  return FJsonArray.get();
}

TJsonArray* TDataSetConverter::FieldsToJson() {
  TDataSet* source = SourceDataSet();
  FJsonArray->Clear();
  ConvertFieldsInto(source, *FJsonArray);
  return FJsonArray.get();
}

std::string TDataSetConverter::RecordToText() {
  std::string text;
  WriteRecordText(SourceDataSet(), text);
  return text;
}

std::string TDataSetConverter::RecordsToText() {
  std::string text;
  WriteRecordsText(SourceDataSet(), text);
  return text;
}

std::string TDataSetConverter::FieldsToText() {
  std::string text;
  WriteFieldsText(SourceDataSet(), text);
  return text;
}

}  // namespace bramble
