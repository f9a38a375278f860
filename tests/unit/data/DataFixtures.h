#pragma once
// Small helpers the data layer tests share.
#include <memory>
#include <string>
#include <vector>

#include "platform/data/DataSet.h"
#include "platform/data/MemTable.h"

namespace bramble::test {

inline TField* AddField(TDataSet& aDataSet, const std::string& aName, TFieldType aType,
                        int aSize = 0) {
  auto field = CreateField(aType);
  field->SetFieldName(aName);
  field->SetSize(aSize);
  return aDataSet.AddField(std::move(field));
}

// A listener that records every event.
class Recorder : public TDataSetListener {
 public:
  void DataEvent(TDataSet&, TDataEvent aEvent) override { events.push_back(aEvent); }
  std::vector<TDataEvent> events;
};

}  // namespace bramble::test
