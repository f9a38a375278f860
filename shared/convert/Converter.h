#pragma once
// Entry point of the dataset-JSON conversion: hands out a fresh converter for either direction.
#include <memory>
#include <string>

#include "platform/data/DataSet.h"
#include "shared/convert/DataSetConverter.h"
#include "shared/convert/JsonConverter.h"
#include "shared/json/Json.h"

namespace bramble {

class IConverter {
 public:
  using Ptr = std::shared_ptr<IConverter>;
  virtual ~IConverter() = default;

  // Each call creates a new, independent converter.
  virtual IDataSetConverter::Ptr FromDataSet() = 0;
  virtual IDataSetConverter::Ptr FromDataSet(TDataSet* aDataSet) = 0;
  virtual IJsonConverter::Ptr FromJson() = 0;
  virtual IJsonConverter::Ptr FromJson(TJsonObject* aJsonObject) = 0;
  virtual IJsonConverter::Ptr FromJson(TJsonArray* aJsonArray) = 0;
  // Texts: a string literal goes here, not to the object or array overloads.
  IJsonConverter::Ptr FromJson(const char* aJsonString) {
    return FromJson(std::string(aJsonString));
  }
  virtual IJsonConverter::Ptr FromJson(const std::string& aJsonString) = 0;
  virtual IJsonConverter::Ptr FromJson(std::string&& aJsonString) = 0;  // takes the text over
};

class TConverter final : public IConverter {
 public:
  static IConverter::Ptr New();

  IDataSetConverter::Ptr FromDataSet() override;
  IDataSetConverter::Ptr FromDataSet(TDataSet* aDataSet) override;
  IJsonConverter::Ptr FromJson() override;
  IJsonConverter::Ptr FromJson(TJsonObject* aJsonObject) override;
  IJsonConverter::Ptr FromJson(TJsonArray* aJsonArray) override;
  IJsonConverter::Ptr FromJson(const std::string& aJsonString) override;
  IJsonConverter::Ptr FromJson(std::string&& aJsonString) override;
};

}  // namespace bramble
