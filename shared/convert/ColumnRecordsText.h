#pragma once
// The records array of a plain dataset written straight from its columns: the same text as
// writing record by record through the fields, without moving the cursor or converting each
// value through the field's getters.
#include <string>

#include "platform/data/DataSet.h"

namespace bramble {

// Appends "[{...},...]" for every record of `aDataSet` (open, with at least one record and no
// pending edit) and returns true; returns false, having written nothing, when some visible
// field needs the record-by-record writer (nested datasets, kinds without a record form).
bool WriteColumnRecordsText(TDataSet& aDataSet, std::string& aOut);

}  // namespace bramble
