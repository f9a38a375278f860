// Cursor, editing, bookmarks, open/close and notifications of datasets.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <algorithm>

#include "platform/core/Exception.h"
#include "platform/data/RowAppender.h"
#include "tests/unit/data/DataFixtures.h"

namespace bramble {
namespace {

using test::AddField;
using test::Recorder;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

// A table of `n` records whose ID field holds 1..n and NAME "r1".."rn".
class Table : public ::testing::Test {
 protected:
  void Fill(int n) {
    id = AddField(table, "ID", TFieldType::ftInteger);
    name = AddField(table, "NAME", TFieldType::ftWideString, 20);
    table.Open();
    for (int i = 1; i <= n; ++i) {
      table.Append();
      id->SetAsInteger(i);
      name->SetAsString("r" + std::to_string(i));
      table.Post();
    }
  }
  std::vector<int> Ids() {
    std::vector<int> out;
    for (table.First(); !table.Eof(); table.Next()) out.push_back(id->AsInteger());
    return out;
  }
  TFDMemTable table;
  TField* id = nullptr;
  TField* name = nullptr;
};

TEST_F(Table, WalksForwardAndBackward) {
  Fill(3);
  EXPECT_EQ(table.RecordCount(), 3);
  EXPECT_THAT(Ids(), ElementsAre(1, 2, 3));
  EXPECT_TRUE(table.Eof());
  EXPECT_EQ(table.RecNo(), 3);  // Next past the end stays on the last record
  table.Last();
  EXPECT_TRUE(table.Eof());
  table.Prior();
  EXPECT_FALSE(table.Eof());
  EXPECT_EQ(id->AsInteger(), 2);
  table.Prior();
  table.Prior();
  EXPECT_TRUE(table.Bof());
  EXPECT_EQ(table.RecNo(), 1);
  EXPECT_EQ(table.MoveBy(10), 2);
  EXPECT_TRUE(table.Eof());
}

TEST_F(Table, RecNoCountsFromOneAndClampsToTheEnds) {
  Fill(5);
  for (auto [set, got] : {std::pair{3, 3}, {1, 1}, {5, 5}, {9, 5}, {0, 1}, {-4, 1}}) {
    table.SetRecNo(set);
    EXPECT_EQ(table.RecNo(), got) << set;
    EXPECT_EQ(id->AsInteger(), got);
    EXPECT_FALSE(table.Eof());
  }
}

TEST_F(Table, EmptyTableIsAtBothEnds) {
  Fill(0);
  EXPECT_TRUE(table.IsEmpty());
  EXPECT_TRUE(table.Eof());
  EXPECT_TRUE(table.Bof());
  EXPECT_EQ(table.RecNo(), 0);
  table.First();
  table.Next();
  table.SetRecNo(3);
  EXPECT_TRUE(table.Eof());
  EXPECT_TRUE(id->IsNull());
  EXPECT_THROW(table.Delete(), Exception);
}

TEST_F(Table, EditPostCancelAndDelete) {
  Fill(3);
  table.SetRecNo(2);
  table.Edit();
  EXPECT_EQ(table.State(), TDataSetState::dsEdit);
  name->SetAsString("changed");
  table.Cancel();
  EXPECT_EQ(name->AsString(), "r2");
  table.Edit();
  name->SetAsString("changed");
  table.Next();  // scrolling posts
  EXPECT_EQ(table.State(), TDataSetState::dsBrowse);
  table.SetRecNo(2);
  EXPECT_EQ(name->AsString(), "changed");

  table.Append();
  id->SetAsInteger(4);
  table.Cancel();  // a cancelled append leaves nothing behind
  EXPECT_EQ(table.RecordCount(), 3);

  table.SetRecNo(2);
  table.Delete();
  EXPECT_EQ(id->AsInteger(), 3);  // the next record becomes current
  table.Delete();
  EXPECT_EQ(id->AsInteger(), 1);  // deleting the last moves back
  EXPECT_THAT(Ids(), ElementsAre(1));
}

TEST_F(Table, EditOnAnEmptyTableAppends) {
  Fill(0);
  table.Edit();
  EXPECT_EQ(table.State(), TDataSetState::dsInsert);
  id->SetAsInteger(1);
  table.Post();
  EXPECT_EQ(table.RecordCount(), 1);
}

TEST_F(Table, RequiredFieldsAreCheckedOnlyWhenAsked) {
  Fill(0);
  id->SetRequired(true);
  table.Append();
  table.Post();  // a memory table does not check
  table.SetCheckRequired(true);
  table.Append();
  EXPECT_THAT([&] { table.Post(); }, ThrowsMessage<Exception>("Field 'ID' must have a value"));
  EXPECT_EQ(table.State(), TDataSetState::dsInsert);
}

TEST_F(Table, BookmarksSurviveOtherChangesButNotTheirRecord) {
  Fill(4);
  table.SetRecNo(3);
  TBookmark mark = table.GetBookmark();
  table.First();
  table.Delete();  // record 1 goes, record 3 moves up
  table.Append();
  id->SetAsInteger(9);
  table.Post();
  ASSERT_TRUE(table.BookmarkValid(mark));
  table.GotoBookmark(mark);
  EXPECT_EQ(id->AsInteger(), 3);
  table.Delete();
  EXPECT_FALSE(table.BookmarkValid(mark));
  EXPECT_THAT([&] { table.GotoBookmark(mark); }, ThrowsMessage<Exception>("Record not found"));
  table.FreeBookmark(mark);
  EXPECT_FALSE(mark);
  EXPECT_FALSE(table.BookmarkValid(mark));
  // A bookmark of one table never finds a record of another.
  TFDMemTable other;
  AddField(other, "X", TFieldType::ftInteger);
  other.Open();
  other.Append();
  other.Post();
  EXPECT_FALSE(table.BookmarkValid(other.GetBookmark()));
}

TEST_F(Table, ClosingDiscardsRecordsAndReopeningGivesTheSameFields) {
  Fill(3);
  table.Close();
  EXPECT_FALSE(table.Active());
  EXPECT_EQ(table.RecordCount(), 0);
  EXPECT_TRUE(id->IsNull());
  ASSERT_EQ(table.FieldDefs().Count(), 2);  // made from the fields when it opened
  table.Open();
  EXPECT_TRUE(table.IsEmpty());
  EXPECT_EQ(table.FieldCount(), 2);
  EXPECT_EQ(table.Fields(0), id);
}

TEST(DataSetDefs, FieldsFromDefinitionsComeAndGoWithOpen) {
  TFDMemTable table;
  table.FieldDefs().Add("A", TFieldType::ftInteger);
  table.FieldDefs().Add("B", TFieldType::ftString, 5, true);
  table.Open();
  ASSERT_EQ(table.FieldCount(), 2);
  EXPECT_TRUE(table.FieldByName("b")->Required());
  EXPECT_EQ(table.FieldByName("B")->Size(), 5);
  EXPECT_THAT([&] { table.FieldByName("C"); }, ThrowsMessage<Exception>("Field 'C' not found"));
  EXPECT_THAT([&] { table.Fields().Clear(); }, ThrowsMessage<Exception>(HasSubstr("open dataset")));
  table.Close();
  EXPECT_EQ(table.FieldCount(), 0);
  table.Open();
  EXPECT_EQ(table.FieldCount(), 2);
  table.Close();
  table.FieldDefs().Clear();
  table.Open();  // no fields and no definitions: an open table without columns
  EXPECT_EQ(table.FieldCount(), 0);
  EXPECT_TRUE(table.IsEmpty());
  // ... which takes no records, since no stream could carry them
  EXPECT_THAT([&] { table.Append(); }, ThrowsMessage<Exception>(HasSubstr("without fields")));
  EXPECT_THROW(TRowAppender(table).BeginRow(), Exception);
}

// A dataset that fetches its records elsewhere and fails after its fields were made.
class FailingOpen : public TFDMemTable {
 public:
  bool fail = true;

 protected:
  void OpenCursor() override {
    TFDMemTable::OpenCursor();
    if (fail) throw Exception("fetch failed");
  }
};

TEST(DataSetDefs, AFailedOpenLeavesNoFieldsBehind) {
  FailingOpen query;
  query.FieldDefs().Add("OLD", TFieldType::ftInteger);
  EXPECT_THAT([&] { query.Open(); }, ThrowsMessage<Exception>("fetch failed"));
  EXPECT_FALSE(query.Active());
  EXPECT_EQ(query.FieldCount(), 0);
  query.FieldDefs().Clear();
  query.FieldDefs().Add("NEW", TFieldType::ftString, 3);
  query.fail = false;
  query.Open();
  ASSERT_EQ(query.FieldCount(), 1);
  EXPECT_EQ(query.Fields(0)->FieldName(), "NEW");
}

TEST_F(Table, ControlsHearNothingWhileDisabledThenOneChange) {
  Recorder rec;
  table.AddListener(&rec);
  Fill(2);
  EXPECT_THAT(rec.events, ::testing::Contains(TDataEvent::deOpened));
  rec.events.clear();
  table.DisableControls();
  table.DisableControls();
  Ids();
  table.Append();
  id->SetAsInteger(3);
  table.Post();
  table.EnableControls();
  EXPECT_TRUE(rec.events.empty());
  table.EnableControls();
  EXPECT_THAT(rec.events, ElementsAre(TDataEvent::deDataSetChange));
  table.First();
  rec.events.clear();
  table.Next();
  table.Prior();
  table.Prior();  // already first: no move, no event
  EXPECT_THAT(rec.events, ElementsAre(TDataEvent::deScrolled, TDataEvent::deScrolled));
  rec.events.clear();
  table.DisableControls();
  table.Close();
  table.EnableControls();
  EXPECT_THAT(rec.events, ElementsAre(TDataEvent::deClosed));
  table.RemoveListener(&rec);
  table.Open();
  EXPECT_EQ(rec.events.size(), 1u);
}

TEST_F(Table, GridsReadAnyRecordWithoutMovingTheCursor) {
  Fill(3);
  table.SetRecNo(2);
  Recorder rec;
  table.AddListener(&rec);
  EXPECT_EQ(name->DisplayTextAt(3), "r3");
  EXPECT_EQ(id->DisplayTextAt(1), "1");
  EXPECT_EQ(id->DisplayTextAt(4), "");
  EXPECT_EQ(id->DisplayTextAt(0), "");
  EXPECT_EQ(table.RecNo(), 2);
  EXPECT_TRUE(rec.events.empty());
  table.RemoveListener(&rec);
}

TEST_F(Table, RowAppenderFillsFastAndChecksStorage) {
  Fill(1);
  {
    TRowAppender rows(table);
    rows.Reserve(2);
    rows.BeginRow();
    rows.SetInt64(0, 2);
    rows.SetText(1, "two");
    rows.EndRow();
    rows.BeginRow();
    rows.SetInt32(0, 3);
    EXPECT_THROW(rows.SetDateTime(0, TDateTime{}), Exception);
    EXPECT_THROW(rows.SetInt64(0, INT64_MAX), Exception);
    EXPECT_THROW(rows.SetNull(2), Exception);
    rows.EndRow();
    rows.BeginRow();  // never ended: dropped
  }
  EXPECT_EQ(table.RecNo(), 1);
  EXPECT_THAT(Ids(), ElementsAre(1, 2, 3));
  table.SetRecNo(3);
  EXPECT_TRUE(name->IsNull());
  TFDMemTable closed;
  EXPECT_THROW(TRowAppender{closed}, Exception);
}

// Records are added into slots prepared ahead in blocks: whatever a dropped or deleted record
// held, the records added after it start with every cell null, and ids are never handed out
// twice.
TEST_F(Table, RecordsAddedAfterDroppedOnesStartNull) {
  Fill(0);
  table.Append();
  id->SetAsInteger(7);
  name->SetAsString("dropped");
  const TBookmark dropped = table.GetBookmark();
  table.Cancel();
  table.Append();
  EXPECT_TRUE(id->IsNull());
  EXPECT_TRUE(name->IsNull());
  EXPECT_NE(table.GetBookmark(), dropped);
  table.Cancel();
  constexpr int kRows = 10000;  // several blocks of slots
  {
    TRowAppender rows(table);
    for (int i = 0; i < kRows; ++i) {
      rows.BeginRow();
      rows.SetInt64(0, i);
      rows.SetText(1, "v" + std::to_string(i));
      if (i % 3 == 0) rows.CancelRow();
    }
  }
  ASSERT_EQ(table.RecordCount(), kRows - (kRows + 2) / 3);
  table.SetRecNo(5000);
  const int deleted = id->AsInteger();
  table.Delete();
  EXPECT_EQ(id->AsInteger(), deleted + (deleted % 3 == 2 ? 2 : 1));
  {
    TRowAppender rows(table);
    for (int i = 0; i < 5000; ++i) {
      rows.BeginRow();
      if (i % 2 == 0) rows.SetNull(1);
      rows.EndRow();
    }
  }
  int bad = 0, previous = -1;
  std::vector<std::uint64_t> marks;
  for (table.First(); !table.Eof(); table.Next()) {
    marks.push_back(table.GetBookmark().Id);
    if (table.RecNo() > kRows - (kRows + 2) / 3 - 1) {
      bad += !id->IsNull() || !name->IsNull() || name->AsString() != "";
      continue;
    }
    const int value = id->AsInteger();
    bad += value % 3 == 0 || value <= previous || value == deleted ||
           name->AsString() != "v" + std::to_string(value);
    previous = value;
  }
  EXPECT_EQ(bad, 0);
  EXPECT_EQ(marks.size(), static_cast<size_t>(kRows - (kRows + 2) / 3 - 1 + 5000));
  EXPECT_TRUE(std::is_sorted(marks.begin(), marks.end()));
  EXPECT_EQ(std::adjacent_find(marks.begin(), marks.end()), marks.end());
  EXPECT_EQ(std::find(marks.begin(), marks.end(), dropped.Id), marks.end());
}

TEST(RowAppender, KeepsToWhatTheColumnKindHolds) {
  TFDMemTable t;
  AddField(t, "S", TFieldType::ftSmallint);
  AddField(t, "D", TFieldType::ftDate);
  AddField(t, "W", TFieldType::ftLongWord);
  t.Open();
  {
    TRowAppender rows(t);
    rows.BeginRow();
    EXPECT_THROW(rows.SetInt64(0, 40000), Exception);
    EXPECT_THROW(rows.SetInt64(2, -1), Exception);
    rows.SetInt64(2, 4294967295);
    rows.SetDateTime(1, EncodeDateTime(2024, 5, 17, 10, 0, 0, 0));
    rows.EndRow();
  }
  EXPECT_TRUE(t.Fields(0)->IsNull());
  EXPECT_EQ(t.Fields(1)->AsDateTime(), EncodeDate(2024, 5, 17));
  EXPECT_EQ(t.Fields(2)->AsLargeInt(), 4294967295);
  TFDMemTable copy;
  copy.LoadFromBytes(t.SaveToBytes());  // what the appender stored always loads back
  EXPECT_EQ(copy.Fields(1)->AsString(), "2024-05-17");
}

// Large column arrays freed by a closed table are reused by the next ones: tables filled at
// the same time afterwards must each keep their own values.
TEST(RowAppender, TablesFilledAfterOthersClosedKeepTheirOwnValues) {
  constexpr std::int64_t kRows = 20000;  // columns well past the size of reused blocks
  auto make = [](TFDMemTable& t) {
    AddField(t, "N", TFieldType::ftLargeint);
    AddField(t, "T", TFieldType::ftString, 12);
    t.Open();
  };
  {
    TFDMemTable first;
    make(first);
    TRowAppender rows(first);
    for (std::int64_t i = 0; i < kRows; ++i) {
      rows.BeginRow();
      rows.SetInt64(0, -i);
      rows.EndRow();
    }
  }
  TFDMemTable a, b;
  make(a);
  make(b);
  {
    TRowAppender ra(a), rb(b);
    for (std::int64_t i = 0; i < kRows; ++i) {
      ra.BeginRow();
      ra.SetInt64(0, i);
      ra.SetText(1, "a" + std::to_string(i));
      rb.BeginRow();
      rb.SetInt64(0, i * 3);
      rb.EndRow();
      ra.EndRow();
    }
  }
  ASSERT_EQ(a.RecordCount(), kRows);
  ASSERT_EQ(b.RecordCount(), kRows);
  std::int64_t bad = 0;
  for (std::int64_t i = 0; i < kRows; ++i) {
    a.SetRecNo(static_cast<int>(i + 1));
    b.SetRecNo(static_cast<int>(i + 1));
    bad += a.Fields(0)->AsLargeInt() != i || a.Fields(1)->AsString() != "a" + std::to_string(i) ||
           b.Fields(0)->AsLargeInt() != i * 3 || !b.Fields(1)->IsNull();
  }
  EXPECT_EQ(bad, 0);
}

}  // namespace
}  // namespace bramble
