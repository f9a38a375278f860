#include "shared/convert/Converter.h"

namespace bramble {

IConverter::Ptr TConverter::New() {
  return std::make_shared<TConverter>();
}

IDataSetConverter::Ptr TConverter::FromDataSet() {
  return TDataSetConverter::New();
}

IDataSetConverter::Ptr TConverter::FromDataSet(TDataSet* aDataSet) {
  return TDataSetConverter::New()->UseDataSet(aDataSet);
}

IJsonConverter::Ptr TConverter::FromJson() {
  return TJsonConverter::New();
}

IJsonConverter::Ptr TConverter::FromJson(TJsonObject* aJsonObject) {
  return TJsonConverter::New()->UseObject(aJsonObject);
}

IJsonConverter::Ptr TConverter::FromJson(TJsonArray* aJsonArray) {
  return TJsonConverter::New()->UseArray(aJsonArray);
}

IJsonConverter::Ptr TConverter::FromJson(const std::string& aJsonString) {
  return TJsonConverter::New()->UseText(aJsonString);
}

IJsonConverter::Ptr TConverter::FromJson(std::string&& aJsonString) {
  return TJsonConverter::New()->UseText(std::move(aJsonString));
}

}  // namespace bramble
