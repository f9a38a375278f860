#pragma once
// Dataset to JSON: the field description of a dataset as one JSON array, all its records as
// another, or its current record as one JSON object.
//
// Format. Field description: one object per field, hidden fields included, in field order:
// {"fieldName": lower-cased name, "dataType": TFieldType name, "size": size}. Records: one
// object per record, one member per visible field, named as in the description; a null field of
// any kind is written as null. Text kinds as strings, integers as numbers (ftAutoInc and
// ftLongWord as strings of digits), booleans, floating, decimal and currency values as numbers,
// dates, times and time stamps as ISO texts, binary values as MIME Base64 strings, nested
// datasets as one object (their current record) or an array (all their records).
#include <memory>
#include <string>

#include "platform/data/DataSet.h"
#include "shared/json/Json.h"

namespace bramble {

class IDataSetConverter {
 public:
  using Ptr = std::shared_ptr<IDataSetConverter>;
  virtual ~IDataSetConverter() = default;

  // Stores the source dataset (referenced, never owned).
  virtual Ptr UseDataSet(TDataSet* aDataSet) = 0;
  // The source's current record; an empty object when the source holds no record.
  virtual TJsonObject* RecordToJson() = 0;
  // All records of the source, from the first; the source is left on the record it was on.
  virtual TJsonArray* RecordsToJson() = 0;
  // The field description of the source.
  virtual TJsonArray* FieldsToJson() = 0;

  // The same three results as JSON text, written directly: the text equals what Stringify of
  // the corresponding tree gives, without building the tree.
  virtual std::string RecordToText() = 0;
  virtual std::string RecordsToText() = 0;
  virtual std::string FieldsToText() = 0;
};

// The containers returned by RecordToJson, RecordsToJson and FieldsToJson stay owned by the
// converter and are valid until the next conversion on it or its release; RecordsToJson and
// FieldsToJson share one array, so a call of either replaces what the other returned.
class TDataSetConverter final : public IDataSetConverter,
                                public std::enable_shared_from_this<TDataSetConverter> {
 public:
  static IDataSetConverter::Ptr New();
  TDataSetConverter();
  ~TDataSetConverter() override;

  Ptr UseDataSet(TDataSet* aDataSet) override;
  TJsonObject* RecordToJson() override;
  TJsonArray* RecordsToJson() override;
  TJsonArray* FieldsToJson() override;
  std::string RecordToText() override;
  std::string RecordsToText() override;
  std::string FieldsToText() override;

 private:
  TDataSet* SourceDataSet() const;

  TDataSet* FDataSet = nullptr;
  std::unique_ptr<TJsonObject> FJsonObject;
  std::unique_ptr<TJsonArray> FJsonArray;
};

}  // namespace bramble
