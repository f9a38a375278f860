#pragma once
// A field's value as the tests write expected values: AsString, except binary values in
// lower-case hex and booleans as "true"/"false".
#include <string>

#include "platform/data/Field.h"

namespace bramble::dbtest {

inline std::string FieldText(const TField& field) {
  if (field.IsNull()) return "(null)";
  if (field.DataType() == TFieldType::ftBoolean) return field.AsBoolean() ? "true" : "false";
  if (StorageOf(field.DataType()) == TFieldStorage::Bytes) {
    static const char* kHex = "0123456789abcdef";
    std::string hex;
    for (unsigned char b : field.AsBytes()) {
      hex += kHex[b >> 4];
      hex += kHex[b & 15];
    }
    return hex;
  }
  return field.AsString();
}

}  // namespace bramble::dbtest
