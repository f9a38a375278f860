#pragma once
// JSON to dataset: creates a dataset's fields from a field description array and appends (or
// edits) records from a records array or a single record object, in the format that
// TDataSetConverter writes. Record members are found by field name without regard to ASCII
// letter case; a JSON null makes a null field; an absent member reads as an empty value (not
// null) and, for a source object or array given by the caller, is added to it empty.
#include <memory>
#include <string>

#include "platform/data/DataSet.h"
#include "shared/convert/RecordScanner.h"
#include "shared/json/Json.h"

namespace bramble {

class IJsonConverter {
 public:
  using Ptr = std::shared_ptr<IJsonConverter>;
  virtual ~IJsonConverter() = default;

  // The source is one record object (referenced: it must outlive the conversion).
  virtual Ptr UseObject(TJsonObject* aJsonObject) = 0;
  // The source is a records array or a field description (referenced, as above).
  virtual Ptr UseArray(TJsonArray* aJsonArray) = 0;
  // Parses the text (kept by the converter): an object text becomes the object source, an
  // array text the array source. An empty text raises the general error
  // "JSON string Uninformed."; the JSON model's parse errors pass through.
  virtual Ptr UseText(const std::string& aJsonString) = 0;
  // The same, taking the text over instead of copying it (large answers).
  virtual Ptr UseText(std::string&& aJsonString) = 0;
  // Writes the source into the dataset, appending records; opens the dataset when closed.
  virtual void AppendToDataSet(TDataSet* aDataSet) = 0;
  // Writes the source into the dataset by editing: an object edits the current record, array
  // item k edits record k (or the single record when there is only one).
  virtual void UpdateDataSet(TDataSet* aDataSet) = 0;
  // Replaces the dataset's fields (and field definitions) by those of the field description.
  virtual void BuildFields(TDataSet* aDataSet) = 0;
};

class TJsonConverter final : public IJsonConverter,
                             public std::enable_shared_from_this<TJsonConverter> {
 public:
  static IJsonConverter::Ptr New();
  TJsonConverter();
  ~TJsonConverter() override;

  Ptr UseObject(TJsonObject* aJsonObject) override;
  Ptr UseArray(TJsonArray* aJsonArray) override;
  Ptr UseText(const std::string& aJsonString) override;
  Ptr UseText(std::string&& aJsonString) override;
  void AppendToDataSet(TDataSet* aDataSet) override;
  void UpdateDataSet(TDataSet* aDataSet) override;
  void BuildFields(TDataSet* aDataSet) override;

 private:
  // Which source an operation uses, after a text source was parsed on demand.
  TJsonObject* SourceObject();
  TJsonArray* SourceArray();
  // Builds FJson from FText when the text went the fast way and a tree is needed now.
  void ParseText();
  // AppendToDataSet (aEdit false) and UpdateDataSet (aEdit true).
  void WriteRecords(TDataSet* aDataSet, bool aEdit);

  // Root holder of the text given to UseText; parsed only when a tree is needed.
  std::unique_ptr<TJson> FJson;
  TJsonObject* FJsonObject = nullptr;
  TJsonArray* FJsonArray = nullptr;

  // A text source kept as text: its records are written straight from the text when it has
  // the plain shape that the scanner understands, otherwise through the tree in FJson.
  std::string FText;
  bool FTextScanned = false;     // FText has the plain shape the scanner reads
  bool FObjectFromText = false;  // the object source is FText's (FJsonObject set once parsed)
  bool FArrayFromText = false;   // the array source is FText's (FJsonArray set once parsed)
};

}  // namespace bramble
