#pragma once
// Small helpers the conversion tests share: building memory tables (with the data layer tests'
// helpers), the example texts and catching errors.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/Exception.h"
#include "platform/data/MemTable.h"
#include "shared/convert/Converter.h"
#include "shared/convert/DataSetConverterException.h"
#include "tests/unit/data/DataFixtures.h"

namespace bramble::test {

// The field description and records of a four-field table (ID, NOME, NASC, SALDO) holding one
// full record and one of nulls, as the converters write them.
inline constexpr char kExampleFields[] =
    R"([{"fieldName":"id","dataType":"ftInteger","size":0},)"
    R"({"fieldName":"nome","dataType":"ftWideString","size":60},)"
    R"({"fieldName":"nasc","dataType":"ftDate","size":0},)"
    R"({"fieldName":"saldo","dataType":"ftCurrency","size":0}])";
inline constexpr char kExampleRecords[] =
    R"([{"id":1,"nome":"Ana","nasc":"1990-05-17","saldo":12.5},)"
    R"({"id":2,"nome":null,"nasc":null,"saldo":null}])";

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
