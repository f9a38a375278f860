#include "platform/data/MemTable.h"

#include <istream>
#include <iterator>
#include <ostream>

#include "platform/core/Exception.h"
#include "platform/data/BinaryStream.h"

namespace bramble {

namespace {
void CheckBinary(TFDStorageFormat aFormat) {
  if (aFormat != TFDStorageFormat::sfBinary && aFormat != TFDStorageFormat::sfAuto)
    throw Exception("Storage format not supported: only the binary format is available");
}
}  // namespace

TFDDataSet::TFDDataSet() = default;
TFDDataSet::~TFDDataSet() = default;

void TFDDataSet::SetCachedUpdates(bool aValue) {
  if (aValue) throw Exception("Cached updates are not supported");
}

void TFDDataSet::OpenCursor() {
  TDataSet::OpenCursor();
}

void TFDDataSet::SaveToStream(std::ostream& aStream, TFDStorageFormat aFormat) {
  CheckBinary(aFormat);
  const std::string bytes = SaveToBytes();
  aStream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!aStream) throw Exception("Cannot write the dataset to the stream");
}

std::string TFDDataSet::SaveToBytes() {
  std::string bytes;
  SaveDataSetBinary(*this, bytes);
  return bytes;
}

void TFDDataSet::LoadFromStream(std::istream& aStream, TFDStorageFormat aFormat) {
  CheckBinary(aFormat);
  const std::string bytes{std::istreambuf_iterator<char>(aStream),
                          std::istreambuf_iterator<char>()};
  LoadFromBytes(bytes);
}

void TFDDataSet::LoadFromBytes(std::string_view aBytes) {
  LoadDataSetBinary(*this, aBytes);
}

TFDMemTable::TFDMemTable() {
  FetchOptions().Mode = TFDFetchMode::fmAll;
  ResourceOptions().SilentMode = true;
  UpdateOptions().CheckRequired = false;
}

TFDMemTable::~TFDMemTable() = default;

}  // namespace bramble
