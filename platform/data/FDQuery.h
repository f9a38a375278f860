#pragma once
// A query of the data-access layer: an SQL text run on a TFDConnection. Open runs the text
// (connecting on demand), fetches every row of its first result set into memory and is then
// an in-memory dataset like TFDMemTable; ExecSQL runs a statement without keeping rows. Each
// command is committed on its own.
#include <string>

#include "platform/data/MemTable.h"

namespace bramble {

class TFDConnection;

// The SQL text of a query, held as lines; the whole text is one command.
class TFDSQLText {
 public:
  void Clear() { text_.clear(); }
  // Appends a line.
  void Add(const std::string& aLine);
  const std::string& Text() const { return text_; }
  void SetText(std::string aText) { text_ = std::move(aText); }

 private:
  std::string text_;
};

class TFDQuery : public TFDMemTable {
 public:
  TFDQuery();
  explicit TFDQuery(TFDConnection* aConnection);
  ~TFDQuery() override;

  // The connection the query runs on (not owned).
  TFDConnection* Connection() const { return connection_; }
  void SetConnection(TFDConnection* aConnection) { connection_ = aConnection; }

  TFDSQLText& SQL() { return sql_; }
  const TFDSQLText& SQL() const { return sql_; }

  // Open with the SQL text replaced by `aSql` (closing first when open).
  void Open(const std::string& aSql);
  using TDataSet::Open;
  // Runs the SQL text as a statement whose rows, if any, are not kept. The dataset is left as
  // it is. Errors raise bramble::Exception with the database's message.
  void ExecSQL();
  void ExecSQL(const std::string& aSql);

 protected:
  // Runs the SQL text and fills the records. A command that returns no result set (INSERT,
  // UPDATE, DDL) runs once and leaves the dataset open with no fields and no records.
  void OpenCursor() override;

 private:
  TFDConnection& CheckConnection() const;

  TFDConnection* connection_ = nullptr;
  TFDSQLText sql_;
};

}  // namespace bramble
