#include "platform/data/FDQuery.h"

#include <functional>
#include <optional>

#include "platform/core/Exception.h"
#include "platform/data/FDConnection.h"
#include "platform/data/RowAppender.h"
#include "platform/data/drivers/Driver.h"

namespace bramble {

void TFDSQLText::Add(const std::string& aLine) {
  if (!text_.empty()) text_ += '\n';
  text_ += aLine;
}

namespace {

// Fills a dataset from the first result set of a command: the columns become field
// definitions, the dataset's storage is built from them, and the rows go in through a
// TRowAppender. Later result sets of the same command are read and dropped.
class DataSetSink : public drivers::ResultSink {
 public:
  // `buildStore` makes the dataset's storage once the field definitions are set.
  DataSetSink(TDataSet& aDataSet, std::function<void()> buildStore)
      : dataSet_(aDataSet), buildStore_(std::move(buildStore)) {}

  bool HasResult() const { return started_; }

  void BeginResult(std::vector<drivers::ColumnInfo> columns) override {
    if (started_) {
      ignoring_ = true;
      return;
    }
    started_ = true;
    TFieldDefs& defs = dataSet_.FieldDefs();
    defs.Clear();
    for (const auto& c : columns) defs.Add(c.name, c.type, c.size, c.required);
    buildStore_();
    rows_.emplace(dataSet_);
    months_.assign(columns.size(), MonthCache{});
  }
  void BeginRow() override {
    if (ignoring_) return;
    rows_->BeginRow();
    inRow_ = true;
  }
  void EndRow() override {
    if (ignoring_) return;
    rows_->EndRow();
    inRow_ = false;
  }
  void Null(size_t i) override {
    if (!ignoring_) rows_->SetNull(Column(i));
  }
  void Int(size_t i, std::int64_t v) override {
    if (!ignoring_) rows_->SetInt64(Column(i), v);
  }
  void Bool(size_t i, bool v) override {
    if (!ignoring_) rows_->SetBoolean(Column(i), v);
  }
  void Float(size_t i, double v) override {
    if (!ignoring_) rows_->SetDouble(Column(i), v);
  }
  void Decimal(size_t i, std::string_view text) override {
    if (!ignoring_) rows_->SetDecimal(Column(i), text);
  }
  void DateTime(size_t i, const drivers::DateTimeValue& v) override {
    if (ignoring_) return;
    if (static_cast<unsigned>(v.hour) > 23 || static_cast<unsigned>(v.minute) > 59 ||
        static_cast<unsigned>(v.second) > 59 || static_cast<unsigned>(v.millisecond) > 999)
        [[unlikely]]
      OutOfRange(i);
    std::int64_t value =
        ((v.hour * std::int64_t{60} + v.minute) * 60 + v.second) * 1000 + v.millisecond;
    if (v.year != 0 || v.month != 0 || v.day != 0) {
      // Dates of neighbouring rows are mostly in the same month: its first day and length
      // are encoded once, and a date of it is that day plus a count of days.
      MonthCache unused;
      MonthCache& month = i < months_.size() ? months_[i] : unused;
      if (v.year != month.year || v.month != month.month) {
        TDateTime first, next;
        if (!TryEncodeDate(v.year, v.month, 1, first)) OutOfRange(i);
        int days = 31;  // December
        if (v.month < 12 && TryEncodeDate(v.year, v.month + 1, 1, next))
          days = static_cast<int>((next.Milliseconds - first.Milliseconds) / kMillisecondsPerDay);
        month = MonthCache{v.year, v.month, days, first.Milliseconds};
      }
      if (v.day < 1 || v.day > month.days) OutOfRange(i);
      value += month.first + (v.day - 1) * kMillisecondsPerDay;
    }
    rows_->SetDateTime(Column(i), TDateTime{value});
  }
  void Text(size_t i, std::string_view text) override {
    if (!ignoring_) rows_->SetText(Column(i), text);
  }
  void Bytes(size_t i, std::string_view bytes) override {
    if (!ignoring_) rows_->SetBytes(Column(i), bytes);
  }

  // Drops a row left half-written by an error.
  void Abandon() {
    if (rows_ && inRow_) rows_->CancelRow();
    rows_.reset();
  }
  void Finish() { rows_.reset(); }

 private:
  static int Column(size_t i) { return static_cast<int>(i); }

  [[noreturn, gnu::cold]] void OutOfRange(size_t i) const {
    throw Exception("column " + dataSet_.Fields(Column(i))->FieldName() +
                    ": date or time out of range");
  }

  // The month of the date a date-time column had last: its first day, encoded, and length.
  struct MonthCache {
    int year = -1, month = -1, days = 0;
    std::int64_t first = 0;
  };

  TDataSet& dataSet_;
  std::function<void()> buildStore_;
  std::optional<TRowAppender> rows_;
  bool started_ = false;
  bool ignoring_ = false;
  bool inRow_ = false;
  std::vector<MonthCache> months_;  // by column
};

}  // namespace

TFDQuery::TFDQuery() = default;
TFDQuery::TFDQuery(TFDConnection* aConnection) : connection_(aConnection) {}
TFDQuery::~TFDQuery() = default;

TFDConnection& TFDQuery::CheckConnection() const {
  if (!connection_) throw Exception("Query has no connection");
  return *connection_;
}

void TFDQuery::Open(const std::string& aSql) {
  Close();
  sql_.SetText(aSql);
  Open();
}

void TFDQuery::ExecSQL() {
  CheckConnection().ExecSQL(sql_.Text());
}

void TFDQuery::ExecSQL(const std::string& aSql) {
  sql_.SetText(aSql);
  ExecSQL();
}

void TFDQuery::OpenCursor() {
  TFDConnection& connection = CheckConnection();
  // The fields come from the result set, not from an earlier one
  FieldDefs().Clear();
  DataSetSink sink(*this, [this] { TFDMemTable::OpenCursor(); });
  try {
    connection.Execute(sql_.Text(), &sink);
  } catch (...) {
    sink.Abandon();
    throw;
  }
  sink.Finish();
  // No result set: the command ran; the dataset opens with no fields and no records.
  if (!sink.HasResult()) TFDMemTable::OpenCursor();
}

}  // namespace bramble
