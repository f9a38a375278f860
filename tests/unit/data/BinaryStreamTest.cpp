// The binary dataset stream: lossless round trips and refusal of damaged streams.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "platform/core/Exception.h"
#include "platform/data/BinaryStream.h"
#include "tests/unit/data/DataFixtures.h"

namespace bramble {
namespace {

using test::AddField;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

// One field per kind that has a field class, in ordinal order.
std::vector<TFieldType> StorableKinds() {
  std::vector<TFieldType> kinds;
  for (int i = 0; i < kFieldTypeCount; ++i)
    if (StorageOf(*FieldTypeFromOrdinal(i)) != TFieldStorage::None)
      kinds.push_back(*FieldTypeFromOrdinal(i));
  return kinds;
}

// An extreme value of each storage, set through the field.
void SetExtreme(TField& f, int aVariant) {
  const bool lo = aVariant == 0;
  switch (f.Storage()) {
    case TFieldStorage::Int32: {
      std::int64_t min = INT32_MIN, max = INT32_MAX;
      if (f.DataType() == TFieldType::ftSmallint) min = INT16_MIN, max = INT16_MAX;
      if (f.DataType() == TFieldType::ftShortint) min = INT8_MIN, max = INT8_MAX;
      if (f.DataType() == TFieldType::ftByte) min = 0, max = UINT8_MAX;
      if (f.DataType() == TFieldType::ftWord) min = 0, max = UINT16_MAX;
      return f.SetAsLargeInt(lo ? min : max);
    }
    case TFieldStorage::Int64:
      return f.DataType() == TFieldType::ftLongWord ? f.SetAsLargeInt(lo ? 0 : UINT32_MAX)
                                                    : f.SetAsLargeInt(lo ? INT64_MIN : INT64_MAX);
    case TFieldStorage::Boolean:
      return f.SetAsBoolean(!lo);
    case TFieldStorage::Double:
      return f.SetAsFloat(lo ? -0.1 : 1.7976931348623157e308);
    case TFieldStorage::Extended:
      return f.SetAsExtended(lo ? 1.0L / 3.0L : -1e4000L);
    case TFieldStorage::Currency:
      return f.SetAsCurrency(TCurrency::FromScaled(lo ? INT64_MIN : 1));
    case TFieldStorage::Decimal:
      return f.SetAsString(lo ? "-123456789012345678901234567890.000000000000000001" : "0");
    case TFieldStorage::DateTime:
      return f.SetAsDateTime(TDateTime{lo ? kMinDateTimeMs : kMaxDateTimeMs});
    case TFieldStorage::Text:
      return f.SetAsString(lo ? "" : "ação \"x\"\n");
    case TFieldStorage::Bytes:
      return f.SetAsBytes(lo ? std::string() : std::string("\0\xff\x01", 3));
    case TFieldStorage::DataSet: {
      TDataSet& nested = *f.NestedDataSet();
      if (lo) return;
      nested.Append();
      nested.Fields(0)->SetAsString("inner");
      nested.Post();
      return;
    }
    case TFieldStorage::None:
      return;
  }
}

// Every storable kind; records: all extremes low, all null, all extremes high.
void BuildAllKinds(TFDMemTable& table) {
  table.SetName("T");
  for (TFieldType kind : StorableKinds()) {
    TField* f = AddField(table, std::string(FieldTypeName(kind)), kind, 7);
    if (kind == TFieldType::ftDataSet) AddField(*f->NestedDataSet(), "S", TFieldType::ftWideMemo);
  }
  table.Fields(1)->SetRequired(true);
  table.Fields(2)->SetReadOnly(true);
  table.Fields(3)->SetVisible(false);
  table.Fields(4)->SetOrigin("JSONArray");
  table.Open();
  for (int variant : {0, -1, 1}) {
    table.Append();
    if (variant >= 0)
      for (int i = 0; i < table.FieldCount(); ++i) {
        TField& f = *table.Fields(i);
        const bool ro = f.ReadOnly();
        f.SetReadOnly(false);
        SetExtreme(f, variant);
        f.SetReadOnly(ro);
      }
    table.Post();
  }
}

std::string Dump(TDataSet& t) {
  std::string out;
  for (t.First(); !t.Eof(); t.Next()) {
    for (int i = 0; i < t.FieldCount(); ++i) {
      TField& f = *t.Fields(i);
      out += f.IsNull() ? "<null>" : f.Storage() == TFieldStorage::DataSet ? "" : f.AsString();
      if (f.Storage() == TFieldStorage::DataSet)
        for (TDataSet* n = f.NestedDataSet(); n->RecNo() <= n->RecordCount() && !n->IsEmpty();) {
          out += "[" + Dump(*n) + "]";
          break;
        }
      if (f.Storage() == TFieldStorage::Extended && !f.IsNull()) {
        const long double v = f.AsExtended();
        out += "/" + std::string(reinterpret_cast<const char*>(&v), 10);
      }
      out += "|";
    }
    out += "\n";
  }
  return out;
}

TEST(BinaryStream, EveryKindRoundTripsWithNullsAndDefinitions) {
  TFDMemTable source;
  BuildAllKinds(source);
  const std::string bytes = source.SaveToBytes();

  TFDMemTable target;
  AddField(target, "OLD", TFieldType::ftInteger);  // replaced by the stream's fields
  target.LoadFromBytes(bytes);
  ASSERT_TRUE(target.Active());
  ASSERT_EQ(target.FieldCount(), source.FieldCount());
  for (int i = 0; i < source.FieldCount(); ++i) {
    const TField& a = *source.Fields(i);
    const TField& b = *target.Fields(i);
    EXPECT_EQ(b.FieldName(), a.FieldName());
    EXPECT_EQ(b.DataType(), a.DataType());
    EXPECT_EQ(b.Size(), 7);
    EXPECT_EQ(b.Required(), a.Required());
    EXPECT_EQ(b.ReadOnly(), a.ReadOnly());
    EXPECT_EQ(b.Visible(), a.Visible());
    EXPECT_EQ(b.Origin(), a.Origin());
  }
  EXPECT_EQ(target.RecordCount(), 3);
  EXPECT_EQ(target.RecNo(), 1);
  EXPECT_EQ(Dump(target), Dump(source));
  target.SetRecNo(3);
  EXPECT_EQ(target.FieldByName("ftLargeint")->AsLargeInt(), INT64_MAX);
  EXPECT_EQ(target.FieldByName("ftCurrency")->AsCurrency().Scaled(), 1);
  target.SetRecNo(2);
  for (int i = 0; i < target.FieldCount(); ++i) EXPECT_TRUE(target.Fields(i)->IsNull()) << i;
  // Saving what was loaded gives the same bytes.
  EXPECT_EQ(target.SaveToBytes(), bytes);
}

TEST(BinaryStream, EmptyResultsAreValidStreams) {
  TFDMemTable none;
  none.Open();  // no fields, no records
  TFDMemTable loaded;
  loaded.LoadFromBytes(none.SaveToBytes());
  EXPECT_TRUE(loaded.Active());
  EXPECT_EQ(loaded.FieldCount(), 0);
  EXPECT_TRUE(loaded.IsEmpty());

  TFDMemTable noRows;
  AddField(noRows, "A", TFieldType::ftWideString, 10);
  noRows.Open();
  std::stringstream stream;
  noRows.SaveToStream(stream);
  loaded.LoadFromStream(stream);
  EXPECT_EQ(loaded.FieldCount(), 1);
  EXPECT_TRUE(loaded.IsEmpty());
  EXPECT_TRUE(loaded.Eof());
}

TEST(BinaryStream, SavingNeedsAnOpenTableAndPostsPendingChanges) {
  TFDMemTable t;
  TField* a = AddField(t, "A", TFieldType::ftInteger);
  EXPECT_THROW(t.SaveToBytes(), Exception);
  t.Open();
  t.Append();
  a->SetAsInteger(5);
  const std::string bytes = t.SaveToBytes();
  EXPECT_EQ(t.State(), TDataSetState::dsBrowse);
  TFDMemTable u;
  u.LoadFromBytes(bytes);
  EXPECT_EQ(u.Fields(0)->AsInteger(), 5);
  std::stringstream s;
  EXPECT_THROW(t.SaveToStream(s, TFDStorageFormat::sfXML), Exception);
}

// A stream with one ftWideString field and one record "abc", for damaging.
std::string SmallStream() {
  TFDMemTable t;
  AddField(t, "NAME", TFieldType::ftWideString, 10);
  t.Open();
  t.Append();
  t.Fields(0)->SetAsString("abc");
  t.Post();
  return t.SaveToBytes();
}

void Put32(std::string& s, std::size_t at, std::uint32_t v) {
  std::memcpy(&s[at], &v, 4);
}

TEST(BinaryStream, DamagedStreamsAreRejectedAndLeaveTheTableClosedAndEmpty) {
  const std::string good = SmallStream();
  // Layout: magic 4, version 2, flags 2, field count 4 @8, kind 1 @12, name length 2 @13,
  // "NAME" @15, size 4 @19, flags 1 @23, origin length 2 @24, record count 8 @26,
  // bitmap 1 @34, value length 4 @35, "abc" @39.
  ASSERT_EQ(good.size(), 42u);
  struct Case {
    const char* what;
    std::string bytes;
    const char* message;
  };
  std::vector<Case> cases;
  cases.push_back({"empty", "", "truncated"});
  cases.push_back({"magic", "XRDS" + good.substr(4), "not a binary dataset stream"});
  std::string v = good;
  v[4] = 2;
  cases.push_back({"version", v, "unsupported version 2"});
  for (std::size_t cut : {8u, 12u, 20u, 30u, 36u, 41u})
    cases.push_back({"truncated", good.substr(0, cut), "Invalid binary dataset stream: "});
  cases.push_back({"trailing", good + "x", "unexpected bytes"});
  std::string fields = good;
  Put32(fields, 8, 0xFFFFFFFFu);
  cases.push_back({"field count", fields, "too many fields"});
  Put32(fields, 8, 1000);
  cases.push_back({"field count vs size", fields, "field count exceeds the stream"});
  std::string kind = good;
  kind[12] = 52;
  cases.push_back({"kind", kind, "unknown field kind 52"});
  kind[12] = 0;
  cases.push_back({"kind without class", kind, "cannot be stored"});
  std::string rows = good;
  Put32(rows, 26, 0xFFFFFFFFu);
  cases.push_back({"record count", rows, "record count exceeds the stream"});
  std::string length = good;
  Put32(length, 35, 0x7FFFFFFFu);
  cases.push_back({"value length", length, "truncated at value"});
  std::string stray = good;
  stray[34] = 2;
  cases.push_back({"stray null flag", stray, "stray null flags"});
  std::string size = good;
  Put32(size, 19, 0xFFFFFFFFu);
  cases.push_back({"negative size", size, "negative field size"});

  for (const Case& c : cases) {
    TFDMemTable t;
    AddField(t, "KEEP", TFieldType::ftInteger);
    t.FieldDefs().Add("KEEP", TFieldType::ftInteger);
    EXPECT_THAT([&] { t.LoadFromBytes(c.bytes); }, ThrowsMessage<Exception>(HasSubstr(c.message)))
        << c.what;
    EXPECT_FALSE(t.Active()) << c.what;
    EXPECT_EQ(t.FieldCount(), 0) << c.what;
    EXPECT_EQ(t.FieldDefs().Count(), 0) << c.what;
  }
}

TEST(BinaryStream, ValuesThatNoFieldCouldHoldAreRejected) {
  auto oneValue = [](TFieldType aKind, std::string aValue) {
    std::string s("BRDS\x01\x00\x00\x00", 8);
    s += std::string("\x01\x00\x00\x00", 4);
    s += static_cast<char>(aKind);
    s += std::string("\x01\x00X\x00\x00\x00\x00\x00\x00\x00", 10);
    s += std::string("\x01\x00\x00\x00\x00\x00\x00\x00\x00", 9);  // one record, no nulls
    return s + aValue;
  };
  auto i64 = [](std::int64_t v) { return std::string(reinterpret_cast<const char*>(&v), 8); };
  const std::string dec = std::string("\x03\x00\x00\x00", 4);
  TFDMemTable t;
  t.LoadFromBytes(oneValue(TFieldType::ftBCD, dec + "1.5"));
  EXPECT_EQ(t.Fields(0)->AsString(), "1.5");
  EXPECT_THROW(t.LoadFromBytes(oneValue(TFieldType::ftBCD, dec + "1e5")), Exception);
  EXPECT_THROW(t.LoadFromBytes(oneValue(TFieldType::ftBoolean, "\x02")), Exception);
  EXPECT_THROW(t.LoadFromBytes(oneValue(TFieldType::ftDateTime, i64(kMaxDateTimeMs + 1))),
               Exception);
  EXPECT_THROW(t.LoadFromBytes(oneValue(TFieldType::ftDate, i64(1))),
               Exception);  // a date with a time
  const std::int32_t big = 40000;
  EXPECT_THROW(t.LoadFromBytes(oneValue(TFieldType::ftSmallint,
                                        std::string(reinterpret_cast<const char*>(&big), 4))),
               Exception);
  EXPECT_FALSE(t.Active());
  t.LoadFromBytes(oneValue(TFieldType::ftDateTime, i64(kMaxDateTimeMs)));
  EXPECT_EQ(t.Fields(0)->AsString(), "9999-12-31 23:59:59.999");
}

TEST(BinaryStream, NullFlagsCannotClaimMoreCellsThanTheBound) {
  // 64 fields, so one record's null flags are 8 bytes; enough all-null records to pass the
  // cell bound while the stream stays a few megabytes.
  std::string s("BRDS\x01\x00\x00\x00", 8);
  s += std::string("\x40\x00\x00\x00", 4);
  for (int i = 0; i < 64; ++i) {
    s += static_cast<char>(TFieldType::ftInteger);
    s += std::string("\x01\x00I\x00\x00\x00\x00\x00\x00\x00", 10);
  }
  const std::uint64_t rows = kMaxStreamCells / 64 + 1;
  s += std::string(reinterpret_cast<const char*>(&rows), 8);
  s += std::string(rows * 8, '\xff');
  TFDMemTable t;
  EXPECT_THAT([&] { t.LoadFromBytes(s); },
              ThrowsMessage<Exception>(HasSubstr("more records than a dataset may hold")));
  EXPECT_FALSE(t.Active());
}

TEST(BinaryStream, NestingDepthIsBounded) {
  auto nestedStream = [](int aDepth) {
    std::string s("BRDS\x01\x00\x00\x00", 8);
    for (int i = 0; i < aDepth; ++i) {
      s += std::string("\x01\x00\x00\x00", 4);
      s += static_cast<char>(TFieldType::ftDataSet);
      s += std::string("\x01\x00N\x00\x00\x00\x00\x00\x00\x00", 10);
    }
    s += std::string("\x01\x00\x00\x00", 4);
    s += static_cast<char>(TFieldType::ftInteger);
    s += std::string("\x01\x00I\x00\x00\x00\x00\x00\x00\x00", 10);
    return s + std::string(8, '\0');
  };
  TFDMemTable t;
  t.LoadFromBytes(nestedStream(kMaxStreamNesting));
  EXPECT_TRUE(t.Active());
  EXPECT_THAT([&] { t.LoadFromBytes(nestedStream(kMaxStreamNesting + 1)); },
              ThrowsMessage<Exception>(HasSubstr("nested datasets too deep")));
}

}  // namespace
}  // namespace bramble
