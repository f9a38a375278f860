#include "platform/data/FieldType.h"

#include <array>

namespace bramble {
namespace {

constexpr std::array<std::string_view, kFieldTypeCount> kNames = {
    "ftUnknown",      "ftString",      "ftSmallint", "ftInteger",       "ftWord",
    "ftBoolean",      "ftFloat",       "ftCurrency", "ftBCD",           "ftDate",
    "ftTime",         "ftDateTime",    "ftBytes",    "ftVarBytes",      "ftAutoInc",
    "ftBlob",         "ftMemo",        "ftGraphic",  "ftFmtMemo",       "ftParadoxOle",
    "ftDBaseOle",     "ftTypedBinary", "ftCursor",   "ftFixedChar",     "ftWideString",
    "ftLargeint",     "ftADT",         "ftArray",    "ftReference",     "ftDataSet",
    "ftOraBlob",      "ftOraClob",     "ftVariant",  "ftInterface",     "ftIDispatch",
    "ftGuid",         "ftTimeStamp",   "ftFMTBcd",   "ftFixedWideChar", "ftWideMemo",
    "ftOraTimeStamp", "ftOraInterval", "ftLongWord", "ftShortint",      "ftByte",
    "ftExtended",     "ftConnection",  "ftParams",   "ftStream",        "ftTimeStampOffset",
    "ftObject",       "ftSingle"};

static_assert(static_cast<int>(TFieldType::ftSingle) == kFieldTypeCount - 1);

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::string_view FieldTypeName(TFieldType aType) {
  const auto i = static_cast<std::size_t>(aType);
  return i < kNames.size() ? kNames[i] : std::string_view{};
}

std::optional<TFieldType> FindFieldType(std::string_view aName) {
  for (std::size_t i = 0; i < kNames.size(); ++i)
    if (SameAscii(kNames[i], aName)) return static_cast<TFieldType>(i);
  return std::nullopt;
}

bool FieldTypeFromName(std::string_view aName, TFieldType& aType) {
  const auto found = FindFieldType(aName);
  if (found) aType = *found;
  return found.has_value();
}

std::optional<TFieldType> FieldTypeFromOrdinal(int aOrdinal) {
  if (aOrdinal < 0 || aOrdinal >= kFieldTypeCount) return std::nullopt;
  return static_cast<TFieldType>(aOrdinal);
}

}  // namespace bramble
