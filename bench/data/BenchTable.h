#pragma once
// The table the data benchmarks share: 8 mixed columns (integer, large integer, float,
// currency, date-time, boolean, text of about 20 characters, exact decimal), filled the way a
// driver fills a query result.
#include <cstdint>
#include <string>

#include "platform/data/MemTable.h"
#include "platform/data/RowAppender.h"

namespace bramble::bench {

inline void DefineColumns(TFDMemTable& aTable) {
  const std::pair<const char*, TFieldType> columns[] = {
      {"ID", TFieldType::ftInteger},       {"COUNTER", TFieldType::ftLargeint},
      {"RATIO", TFieldType::ftFloat},      {"PRICE", TFieldType::ftCurrency},
      {"CREATED", TFieldType::ftDateTime}, {"ACTIVE", TFieldType::ftBoolean},
      {"NAME", TFieldType::ftWideString},  {"AMOUNT", TFieldType::ftFMTBcd}};
  for (const auto& [name, type] : columns) {
    auto field = CreateField(type);
    field->SetFieldName(name);
    field->SetSize(type == TFieldType::ftWideString ? 40 : type == TFieldType::ftFMTBcd ? 2 : 0);
    aTable.AddField(std::move(field));
  }
}

inline void Fill(TFDMemTable& aTable, std::int64_t aRows) {
  TRowAppender rows(aTable);
  rows.Reserve(aRows);
  char text[48];
  char amount[32];
  for (std::int64_t r = 0; r < aRows; ++r) {
    rows.BeginRow();
    rows.SetInt32(0, static_cast<std::int32_t>(r));
    rows.SetInt64(1, r * 7919);
    rows.SetDouble(2, static_cast<double>(r) / 3.0);
    rows.SetCurrency(3, TCurrency::FromScaled(r * 125));
    rows.SetDateTime(4, TDateTime{45000LL * kMillisecondsPerDay + r * 1000});
    rows.SetBoolean(5, r % 2 == 0);
    const int n =
        std::snprintf(text, sizeof text, "customer name %07lld", static_cast<long long>(r));
    rows.SetText(6, std::string_view(text, static_cast<std::size_t>(n)));
    const int m = std::snprintf(amount, sizeof amount, "%lld.%02lld",
                                static_cast<long long>(r * 13), static_cast<long long>(r % 100));
    rows.SetDecimal(7, std::string_view(amount, static_cast<std::size_t>(m)));
    rows.EndRow();
  }
}

}  // namespace bramble::bench
