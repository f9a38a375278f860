#pragma once
// A field of a dataset: one column's definition (name, kind, size, flags) and the access to
// its value in the dataset's current record. A field belongs to one dataset, which owns it.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/data/Currency.h"
#include "platform/data/DateTime.h"
#include "platform/data/FieldType.h"

namespace bramble {

class TDataSet;
class TFDMemTable;

enum class TFieldKind : std::uint8_t {
  fkData,
  fkCalculated,
  fkLookup,
  fkInternalCalc,
  fkAggregate
};

// How a kind's values are held. Several kinds share one storage; kinds with no storage have
// no field class (CreateField refuses them).
enum class TFieldStorage : std::uint8_t {
  None,      // no field class
  Int32,     // ftSmallint ftInteger ftWord ftAutoInc ftShortint ftByte
  Int64,     // ftLargeint ftLongWord
  Boolean,   // ftBoolean
  Double,    // ftFloat ftSingle
  Extended,  // ftExtended (long double)
  Currency,  // ftCurrency (int64 scaled by 10000)
  Decimal,   // ftBCD ftFMTBcd: the exact decimal text
  DateTime,  // ftDate ftTime ftDateTime ftTimeStamp ftOraTimeStamp (milliseconds)
  Text,      // string kinds, memo kinds, ftGuid, ftOraClob, ftTimeStampOffset, ftOraInterval
  Bytes,     // binary kinds: ftBytes ftVarBytes ftBlob ftGraphic ... ftStream
  DataSet,   // ftDataSet: a nested dataset per record
};
TFieldStorage StorageOf(TFieldType aType);
// Whole numbers a field of integer kind `aType` accepts.
void IntegerRange(TFieldType aType, std::int64_t& aMin, std::int64_t& aMax);

class TField {
 public:
  explicit TField(TFieldType aType);
  ~TField();
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  // ---- definition ----
  TFieldType DataType() const { return type_; }
  TFieldStorage Storage() const { return storage_; }
  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(std::string aName);
  // Object (component) name.
  const std::string& Name() const { return name_; }
  void SetName(std::string aName) { name_ = std::move(aName); }
  TFieldKind FieldKind() const { return kind_; }
  void SetFieldKind(TFieldKind aKind) { kind_ = aKind; }
  // Maximum length of text kinds, number of decimal places of decimal kinds, 0 otherwise.
  int Size() const { return size_; }
  void SetSize(int aSize);
  bool Visible() const { return visible_; }
  void SetVisible(bool aValue);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool aValue) { readOnly_ = aValue; }
  bool Required() const { return required_; }
  void SetRequired(bool aValue) { required_ = aValue; }
  const std::string& Origin() const { return origin_; }
  void SetOrigin(std::string aOrigin) { origin_ = std::move(aOrigin); }
  // The label a grid shows: the display label when set, otherwise the field name.
  const std::string& DisplayLabel() const {
    return displayLabel_.empty() ? fieldName_ : displayLabel_;
  }
  void SetDisplayLabel(std::string aLabel) { displayLabel_ = std::move(aLabel); }
  // Position in the dataset's field list, -1 when the field belongs to no dataset.
  int Index() const { return index_; }
  TDataSet* DataSet() const { return dataSet_; }
  // True for fields the dataset created from its field definitions when it opened; the dataset
  // destroys them again when it closes.
  bool DefaultField() const { return defaultField_; }

  // ---- value in the current record ----
  // Reading without a current record (closed or empty dataset) gives null. Writing needs the
  // dataset in edit or insert state and a writable field; otherwise bramble::Exception.
  // Null reads as "" / 0 / false / no bytes / date-time 0 through the getters below.
  bool IsNull() const;
  void Clear();  // sets null
  void SetNull() { Clear(); }

  // Text of the value: digits for integers, shortest round-trip text for floats, the exact
  // decimal text for ftBCD/ftFMTBcd, "True"/"False", ISO-like date-time texts, raw bytes for
  // binary kinds. Setting parses the text for the kind (bramble::Exception when it does not).
  std::string AsString() const;
  void SetAsString(std::string_view aValue);
  std::int32_t AsInteger() const;
  void SetAsInteger(std::int32_t aValue);
  std::int64_t AsLargeInt() const;
  void SetAsLargeInt(std::int64_t aValue);
  bool AsBoolean() const;
  void SetAsBoolean(bool aValue);
  double AsFloat() const;
  void SetAsFloat(double aValue);
  long double AsExtended() const;
  void SetAsExtended(long double aValue);
  TCurrency AsCurrency() const;
  void SetAsCurrency(TCurrency aValue);
  TDateTime AsDateTime() const;
  void SetAsDateTime(TDateTime aValue);
  // The bytes of a binary field (the text of a text field).
  std::string AsBytes() const;
  void SetAsBytes(std::string_view aValue);
  // The value's text for display: like AsString, with binary kinds shown as "(BLOB)" and
  // nested datasets as "(DATASET)".
  std::string DisplayText() const;

  // The display text of record `aRecNo` (counting from 1) without moving the cursor or telling
  // bound controls: for grids that draw many records. Out-of-range numbers give "".
  std::string DisplayTextAt(int aRecNo) const;

  // ftDataSet only: the nested dataset, whose records are those of the owner's current record
  // (nullptr for every other kind). Define its fields before the owner opens.
  TDataSet* NestedDataSet() const;

 private:
  friend class TDataSet;
  friend class TFields;
  void CheckWritable() const;
  bool HasValue() const;  // dataset has a current record
  [[noreturn]] void Unsupported(const char* aAs) const;

  TFieldType type_;
  TFieldStorage storage_;
  TFieldKind kind_ = TFieldKind::fkData;
  std::string fieldName_;
  std::string name_;
  std::string origin_;
  std::string displayLabel_;
  int size_ = 0;
  bool visible_ = true;
  bool readOnly_ = false;
  bool required_ = false;
  bool defaultField_ = false;
  TDataSet* dataSet_ = nullptr;
  int index_ = -1;
  std::unique_ptr<TFDMemTable> nested_;
};

// A field object for `aType`, not yet part of any dataset. Raises bramble::Exception
// "No field class for field type <name>" for kinds without storage (ftUnknown, ftCursor,
// ftADT, ftArray, ftReference, ftVariant, ftInterface, ftIDispatch, ftConnection, ftParams,
// ftObject).
std::unique_ptr<TField> CreateField(TFieldType aType);

}  // namespace bramble
