#include "shared/convert/ConverterUtil.h"

#include "platform/core/AsciiCase.h"
#include "shared/convert/DataSetConverterException.h"
#include "shared/convert/IsoText.h"
#include "shared/convert/LowerCase.h"
#include "shared/json/JsonBase.h"

namespace bramble {
namespace {

iso::DateTimeParts ToParts(TDateTime aValue) {
  iso::DateTimeParts parts;
  DecodeDateTime(aValue, parts.Year, parts.Month, parts.Day, parts.Hour, parts.Minute, parts.Second,
                 parts.MilliSecond);
  return parts;
}

// The data layer's encoding checks the parts and raises its date- and time-encoding errors.
TDateTime EncodeParts(const iso::DateTimeParts& aParts) {
  const TDateTime date = EncodeDate(aParts.Year, aParts.Month, aParts.Day);
  const TDateTime time = EncodeTime(aParts.Hour, aParts.Minute, aParts.Second, aParts.MilliSecond);
  return TDateTime::FromMilliseconds(date.Milliseconds + time.Milliseconds);
}

}  // namespace

std::string TConverterUtil::ToLowerCamelCase(std::string_view aValue) {
  return LinguisticLowerCase(aValue);
}

std::string TConverterUtil::DateTimeToISOTimeStamp(TDateTime aDateTime) {
  std::string text;
  iso::AppendTimeStamp(ToParts(aDateTime), text);
  return text;
}

std::string TConverterUtil::DateToISODate(TDateTime aDate) {
  std::string text;
  iso::AppendDate(ToParts(aDate), text);
  return text;
}

std::string TConverterUtil::TimeToISOTime(TDateTime aTime) {
  std::string text;
  iso::AppendTime(ToParts(aTime), text);
  return text;
}

TDateTime TConverterUtil::ISOTimeStampToDateTime(std::string_view aDateTime) {
  int offsetMinutes = 0;
  const iso::DateTimeParts parts = iso::ReadTimeStamp(aDateTime, offsetMinutes);
  // A numeric offset is subtracted in whole milliseconds, so the date moves with the time.
  const TDateTime value = TDateTime::FromMilliseconds(EncodeParts(parts).Milliseconds -
                                                      std::int64_t{offsetMinutes} * 60000);
  if (!IsValidDateTime(value)) iso::InvalidTimeStamp(aDateTime);
  return value;
}

TDateTime TConverterUtil::ISODateToDate(std::string_view aDate) {
  const iso::DateTimeParts parts = iso::ReadDate(aDate);
  return EncodeDate(parts.Year, parts.Month, parts.Day);
}

TDateTime TConverterUtil::ISOTimeToTime(std::string_view aTime) {
  const iso::DateTimeParts parts = iso::ReadTime(aTime);
  return EncodeTime(parts.Hour, parts.Minute, parts.Second, 0);
}

TField* TConverterUtil::NewDataSetField(TDataSet* aDataSet, TFieldType aFieldType,
                                        const std::string& aFieldName, std::int32_t aSize,
                                        const std::string& aOrigin,
                                        const std::string& aDisplaylabel) {
  if (aDataSet == nullptr) throw EDataSetConverterException("DataSet Uninformed.");
  std::unique_ptr<TField> owned = CreateField(aFieldType);
  TField* field = owned.get();
  field->SetFieldName(aFieldName.empty() ? "Field" + std::to_string(aDataSet->FieldCount() + 1)
                                         : aFieldName);
  field->SetFieldKind(TFieldKind::fkData);
  aDataSet->AddField(std::move(owned));
  field->SetName(MakeValidIdent(aDataSet->Name() + field->FieldName()));
  field->SetSize(aSize);
  field->SetOrigin(aOrigin);
  if (!aDisplaylabel.empty()) field->SetDisplayLabel(aDisplaylabel);
  if ((aFieldType == TFieldType::ftString || aFieldType == TFieldType::ftWideString) && aSize <= 0)
    throw EDataSetConverterException("Size not defined for field \"" + aFieldName + "\".");
  return field;
}

TDataSetFieldType TConverterUtil::DataSetFieldToType(const TField* aDataSetField) {
  const std::string originText = aDataSetField->Origin();
  const std::string_view origin = TJsonBase::Trim(originText);
  if (EqualsIgnoringCase(origin, "Unknown")) return TDataSetFieldType::dfUnknown;
  if (EqualsIgnoringCase(origin, "JSONObject")) return TDataSetFieldType::dfJSONObject;
  if (EqualsIgnoringCase(origin, "JSONArray")) return TDataSetFieldType::dfJSONArray;
  return TDataSetFieldType::dfUnknown;
}

std::string TConverterUtil::MakeValidIdent(std::string_view aValue) {
  std::string ident;
  for (const char c : aValue) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')
      ident.push_back(c);
  }
  if (ident.empty()) return "_";
  if (ident[0] >= '0' && ident[0] <= '9') ident.insert(ident.begin(), '_');
  return ident;
}

}  // namespace bramble
