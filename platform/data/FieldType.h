#pragma once
// The kinds of value a field holds. The names and the order are part of the JSON field
// description and of the binary dataset stream: never reorder or rename a member.
#include <cstdint>
#include <optional>
#include <string_view>

namespace bramble {

enum class TFieldType : std::uint8_t {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,
  ftWideString,
  ftLargeint,
  ftADT,
  ftArray,
  ftReference,
  ftDataSet,
  ftOraBlob,
  ftOraClob,
  ftVariant,
  ftInterface,
  ftIDispatch,
  ftGuid,
  ftTimeStamp,
  ftFMTBcd,
  ftFixedWideChar,
  ftWideMemo,
  ftOraTimeStamp,
  ftOraInterval,
  ftLongWord,
  ftShortint,
  ftByte,
  ftExtended,
  ftConnection,
  ftParams,
  ftStream,
  ftTimeStampOffset,
  ftObject,
  ftSingle
};

// Number of members of TFieldType (ordinals 0 .. kFieldTypeCount - 1).
inline constexpr int kFieldTypeCount = 52;

// The member's name, e.g. "ftWideString". An ordinal outside the enumeration gives "".
std::string_view FieldTypeName(TFieldType aType);

// The member named `aName`, compared without regard to ASCII letter case; nullopt when no
// member has that name.
std::optional<TFieldType> FindFieldType(std::string_view aName);
// The same lookup: true and `aType` set when found, false (aType untouched) otherwise.
bool FieldTypeFromName(std::string_view aName, TFieldType& aType);

// The kind with ordinal `aOrdinal`, or nullopt when the ordinal is outside 0 .. 51.
std::optional<TFieldType> FieldTypeFromOrdinal(int aOrdinal);

}  // namespace bramble
