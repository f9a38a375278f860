#pragma once
// Small helpers the conversion tests share: building memory tables and catching errors.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/Exception.h"
#include "platform/data/MemTable.h"
#include "shared/convert/Converter.h"
#include "shared/convert/DataSetConverterException.h"

namespace bramble::test {

inline TField* AddField(TDataSet& aDataSet, const std::string& aName, TFieldType aType,
                        int aSize = 0) {
  auto field = CreateField(aType);
  field->SetFieldName(aName);
  field->SetSize(aSize);
  return aDataSet.AddField(std::move(field));
}

// Appends one record whose fields take the given texts in field order (nullptr: null).
inline void AppendRow(TDataSet& aDataSet, std::initializer_list<const char*> aValues) {
  aDataSet.Append();
  int i = 0;
  for (const char* value : aValues) {
    TField* field = aDataSet.Fields(i++);
    if (value == nullptr) {
      field->Clear();
    } else {
      field->SetAsString(value);
    }
  }
  aDataSet.Post();
}

// The message of the EDataSetConverterException that `aCall` raises ("" and a test failure
// when it raises nothing or another error type).
template <typename Call>
std::string ConverterError(Call&& aCall) {
  try {
    aCall();
  } catch (const EDataSetConverterException& e) {
    return e.what();
  } catch (const std::exception& e) {
    ADD_FAILURE() << "not a conversion error: " << e.what();
    return {};
  }
  ADD_FAILURE() << "nothing raised";
  return {};
}

// The message of a general error (not the conversion's own type).
template <typename Call>
std::string GeneralError(Call&& aCall) {
  try {
    aCall();
  } catch (const EDataSetConverterException& e) {
    ADD_FAILURE() << "raised as a conversion error: " << e.what();
    return e.what();
  } catch (const Exception& e) {
    return e.what();
  }
  ADD_FAILURE() << "nothing raised";
  return {};
}

inline std::string RecordsText(TDataSet& aDataSet) {
  return TConverter::New()->FromDataSet(&aDataSet)->RecordsToText();
}

inline std::string FieldsText(TDataSet& aDataSet) {
  return TConverter::New()->FromDataSet(&aDataSet)->FieldsToText();
}

}  // namespace bramble::test
