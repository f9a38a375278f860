#pragma once
// Field definitions: what a dataset's columns are, independent of the field objects. An
// in-memory dataset that opens without fields creates one field per definition.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data/FieldType.h"

namespace bramble {

class TFieldDefs;

class TFieldDef {
 public:
  TFieldDef(std::string aName, TFieldType aType, int aSize = 0, bool aRequired = false);
  ~TFieldDef();

  const std::string& Name() const { return name_; }
  void SetName(std::string aName) { name_ = std::move(aName); }
  TFieldType DataType() const { return type_; }
  void SetDataType(TFieldType aType) { type_ = aType; }
  int Size() const { return size_; }
  void SetSize(int aSize) { size_ = aSize; }
  bool Required() const { return required_; }
  void SetRequired(bool aValue) { required_ = aValue; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool aValue) { readOnly_ = aValue; }
  bool Hidden() const { return hidden_; }
  void SetHidden(bool aValue) { hidden_ = aValue; }
  const std::string& Origin() const { return origin_; }
  void SetOrigin(std::string aOrigin) { origin_ = std::move(aOrigin); }
  // ftDataSet only: the definitions of the nested dataset's fields.
  TFieldDefs& ChildDefs();
  const TFieldDefs& ChildDefs() const;
  bool HasChildDefs() const;

 private:
  std::string name_;
  TFieldType type_;
  int size_;
  bool required_;
  bool readOnly_ = false;
  bool hidden_ = false;
  std::string origin_;
  std::unique_ptr<TFieldDefs> children_;
};

class TFieldDefs {
 public:
  TFieldDefs() = default;
  TFieldDefs(const TFieldDefs& aOther);
  TFieldDefs& operator=(const TFieldDefs& aOther);

  int Count() const { return static_cast<int>(items_.size()); }
  TFieldDef& Items(int aIndex);
  const TFieldDef& Items(int aIndex) const;
  TFieldDef& operator[](int aIndex) { return Items(aIndex); }
  // Appends a definition and returns it.
  TFieldDef& Add(std::string aName, TFieldType aType, int aSize = 0, bool aRequired = false);
  void Clear() { items_.clear(); }
  // Index of the definition named `aName` (ASCII case ignored), -1 when none.
  int IndexOf(std::string_view aName) const;

 private:
  std::vector<std::unique_ptr<TFieldDef>> items_;
};

}  // namespace bramble
