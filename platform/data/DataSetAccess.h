#pragma once
// Internal to the data layer: the dataset internals that the stream codec and the column
// readers work on directly.
#include "platform/data/DataSet.h"
#include "platform/data/RowStore.h"

namespace bramble::data_detail {

struct Access {
  static RowStore* Store(TDataSet& d) { return d.store_; }
  static const RowStore* Store(const TDataSet& d) { return d.store_; }
  static void CheckBrowse(TDataSet& d) { d.CheckBrowse(); }
  static void BuildStore(TDataSet& d) { d.BuildStore(); }
  static void FinishOpen(TDataSet& d) { d.FinishOpen(); }
  static void Discard(TDataSet& d) {
    d.state_ = TDataSetState::dsInactive;
    d.DetachNested();
    d.store_ = nullptr;
    d.ownStore_.reset();
    d.cur_ = -1;
    d.fields_.Clear();
    d.fieldDefs_.Clear();
  }
};

}  // namespace bramble::data_detail
