#pragma once
// In-memory datasets: TFDDataSet holds the options and the binary stream support that every
// in-memory dataset shares; TFDMemTable is the table that holds rows it is given (appended
// records or a loaded stream). A closed table has no records; opening it again gives an
// empty table with the same fields.
#include <iosfwd>
#include <string>
#include <string_view>

#include "platform/data/DataSet.h"

namespace bramble {

enum class TFDFetchMode : std::uint8_t { fmManual, fmOnDemand, fmAll, fmExactRecsMax };
enum class TFDStorageFormat : std::uint8_t { sfAuto, sfXML, sfBinary, sfJSON };

struct TFDFetchOptions {
  TFDFetchMode Mode = TFDFetchMode::fmOnDemand;
};
struct TFDResourceOptions {
  bool SilentMode = false;  // no wait cursor while working
};
struct TFDUpdateOptions {
  bool CheckRequired = true;  // refuse to post a record whose required fields are null
};

class TFDDataSet : public TDataSet {
 public:
  TFDDataSet();
  ~TFDDataSet() override;

  TFDFetchOptions& FetchOptions() { return fetchOptions_; }
  TFDResourceOptions& ResourceOptions() { return resourceOptions_; }
  TFDUpdateOptions& UpdateOptions() { return updateOptions_; }
  // Changes are applied at once (false) or held back until applied (true). Only false is
  // supported: every Post is final.
  bool CachedUpdates() const { return false; }
  void SetCachedUpdates(bool aValue);
  bool CheckRequired() const override { return updateOptions_.CheckRequired; }
  void SetCheckRequired(bool aValue) override { updateOptions_.CheckRequired = aValue; }

  // Writes the field definitions and every record in the binary dataset format (the dataset
  // must be open; a pending change is posted first). Only sfBinary and sfAuto are supported.
  void SaveToStream(std::ostream& aStream, TFDStorageFormat aFormat = TFDStorageFormat::sfBinary);
  std::string SaveToBytes();
  // Replaces fields, definitions and records by those of the stream and opens the dataset. A
  // truncated, oversized or malformed stream raises bramble::Exception and leaves the dataset
  // closed and without fields or definitions.
  void LoadFromStream(std::istream& aStream, TFDStorageFormat aFormat = TFDStorageFormat::sfBinary);
  void LoadFromBytes(std::string_view aBytes);

 protected:
  void OpenCursor() override;

 private:
  TFDFetchOptions fetchOptions_;
  TFDResourceOptions resourceOptions_;
  TFDUpdateOptions updateOptions_;
};

// Fetch all rows, silent mode, no required-field checks, updates applied at once.
class TFDMemTable : public TFDDataSet {
 public:
  TFDMemTable();
  ~TFDMemTable() override;
};

}  // namespace bramble
