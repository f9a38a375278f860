// A field of kind ftDataSet holds a dataset of its own for every record of its owner.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/core/Exception.h"
#include "tests/unit/data/DataFixtures.h"

namespace bramble {
namespace {

using test::AddField;
using ::testing::ElementsAre;

class Nested : public ::testing::Test {
 protected:
  void SetUp() override {
    id = AddField(master, "ID", TFieldType::ftInteger);
    items = AddField(master, "ITEMS", TFieldType::ftDataSet);
    detail = items->NestedDataSet();
    ASSERT_NE(detail, nullptr);
    qty = AddField(*detail, "QTY", TFieldType::ftInteger);
    master.Open();
  }
  void AddMaster(int aId, std::vector<int> aQty) {
    master.Append();
    id->SetAsInteger(aId);
    for (int q : aQty) {
      detail->Append();
      qty->SetAsInteger(q);
      detail->Post();
    }
    master.Post();
  }
  std::vector<int> Quantities() {
    std::vector<int> out;
    for (detail->First(); !detail->Eof(); detail->Next()) out.push_back(qty->AsInteger());
    return out;
  }
  TFDMemTable master;
  TField* id = nullptr;
  TField* items = nullptr;
  TDataSet* detail = nullptr;
  TField* qty = nullptr;
};

TEST_F(Nested, EachRecordHasItsOwnNestedRecords) {
  AddMaster(1, {10, 11});
  AddMaster(2, {});
  AddMaster(3, {30});
  EXPECT_TRUE(detail->Active());
  master.First();
  EXPECT_THAT(Quantities(), ElementsAre(10, 11));
  EXPECT_FALSE(items->IsNull());
  master.Next();
  EXPECT_TRUE(detail->IsEmpty());
  EXPECT_TRUE(items->IsNull());
  master.Next();
  EXPECT_THAT(Quantities(), ElementsAre(30));
  // Deleting nested records until none is left, then appending, replaces them.
  for (detail->First(); !detail->IsEmpty();) detail->Delete();
  detail->Append();
  qty->SetAsInteger(31);
  detail->Post();
  master.First();
  master.Last();
  EXPECT_THAT(Quantities(), ElementsAre(31));
  EXPECT_EQ(items->DataType(), TFieldType::ftDataSet);
  EXPECT_EQ(id->NestedDataSet(), nullptr);
}

TEST_F(Nested, FollowsItsMasterOpenAndClosed) {
  AddMaster(1, {5});
  EXPECT_THROW(detail->Close(), Exception);
  master.Close();
  EXPECT_FALSE(detail->Active());
  EXPECT_THROW(detail->Append(), Exception);
  master.Open();
  EXPECT_TRUE(detail->Active());
  EXPECT_TRUE(detail->IsEmpty());
  EXPECT_THROW(detail->Append(), Exception);  // no master record yet
  AddMaster(2, {6});
  EXPECT_THAT(Quantities(), ElementsAre(6));
}

}  // namespace
}  // namespace bramble
