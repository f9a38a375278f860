#pragma once
// Helpers that both directions of the dataset-JSON conversion share: the JSON member name of a
// field, the text forms of dates and times, field creation from a field description and the
// way a nested dataset is written. All are class-level; the class is never instantiated.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/data/DataSet.h"

namespace bramble {

// How a field of kind ftDataSet travels: its nested dataset's current record as one JSON
// object, all its records as a JSON array, or not at all.
enum class TDataSetFieldType : std::uint8_t { dfUnknown, dfJSONObject, dfJSONArray };

class TConverterUtil {
 public:
  TConverterUtil() = delete;

  // The JSON member name of a field: the name with every letter lowered (not only A to Z);
  // blanks, digits, underscores and punctuation stay as they are.
  static std::string ToLowerCamelCase(std::string_view aValue);

  // "YYYY-MM-DDThh:nn:ss.zzzZ" of the value as it stands (the "Z" labels it, nothing shifts).
  static std::string DateTimeToISOTimeStamp(TDateTime aDateTime);
  // "YYYY-MM-DD"; the time of day is ignored.
  static std::string DateToISODate(TDateTime aDate);
  // "hh:nn:ss"; milliseconds are dropped.
  static std::string TimeToISOTime(TDateTime aTime);

  // An ISO 8601 date and time. "Z" or no designator: taken as it stands; a numeric offset is
  // subtracted, giving UTC. Raises the general error for text that is no such value.
  static TDateTime ISOTimeStampToDateTime(std::string_view aDateTime);
  // Characters 1-4, 6-7 and 9-10 as year, month and day (the separators are not looked at).
  // Raises "'%s' is not a valid integer value" for a piece that is no whole number and the
  // date-encoding error for a combination that is no date.
  static TDateTime ISODateToDate(std::string_view aDate);
  // Characters 1-2, 4-5 and 7-8 as hour, minute and second; errors as for dates.
  static TDateTime ISOTimeToTime(std::string_view aTime);

  // Creates a data field of `aFieldType` owned by and appended to `aDataSet`. An empty name
  // becomes "Field<n>" (n = field count + 1); the object name is MakeValidIdent of the dataset
  // name and field name. A kind without a field class is refused before anything is added.
  // ftString and ftWideString need a size above 0: otherwise the field stays added and
  // EDataSetConverterException("Size not defined for field \"<aFieldName>\".") is raised.
  static TField* NewDataSetField(TDataSet* aDataSet, TFieldType aFieldType,
                                 const std::string& aFieldName, std::int32_t aSize,
                                 const std::string& aOrigin, const std::string& aDisplaylabel);

  // The field's origin, trimmed, compared without ASCII case with "Unknown", "JSONObject" and
  // "JSONArray"; anything else is dfUnknown.
  static TDataSetFieldType DataSetFieldToType(const TField* aDataSetField);

  // Only A-Z, a-z, 0-9 and "_" are kept; "_" when nothing is left; "_" before a leading digit.
  static std::string MakeValidIdent(std::string_view aValue);
};

}  // namespace bramble
