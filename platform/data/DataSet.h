#pragma once
// Datasets: an ordered list of fields over a set of records held in memory, with a cursor
// (the current record), edit states, bookmarks and notifications for bound controls.
//
// Every dataset keeps its records in memory. Open builds the storage from the fields (or from
// the field definitions when there are no fields) through the virtual OpenCursor, which a
// dataset that reads its records from elsewhere overrides to fill them in (see TRowAppender
// for the fast way to do that).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data/Field.h"
#include "platform/data/FieldDefs.h"

namespace bramble {

class TDataSet;
namespace data_detail {
class RowStore;
struct Layout;
struct Access;
}  // namespace data_detail

enum class TDataSetState : std::uint8_t { dsInactive, dsBrowse, dsEdit, dsInsert };

// What happened to a dataset, for bound controls.
enum class TDataEvent : std::uint8_t {
  deOpened,         // the dataset opened
  deClosed,         // the dataset closed
  deDataSetChange,  // records changed in ways a control must reread everything for
  deScrolled,       // the current record moved
  deRecordChange,   // a field of the current record changed
  deStateChange,    // the edit state changed
  deLayoutChange,   // fields were added, removed or changed visibility
};

// A bound control (grid, navigator). Registered listeners are not owned; remove a listener
// before it is destroyed. While controls are disabled nothing is sent; enabling them again
// sends one deDataSetChange (or deOpened/deClosed when the active state changed meanwhile).
class TDataSetListener {
 public:
  virtual ~TDataSetListener() = default;
  virtual void DataEvent(TDataSet& aDataSet, TDataEvent aEvent) = 0;
};

// A position that survives appends and deletes of other records. Id 0 is "no bookmark".
struct TBookmark {
  std::uint64_t Id = 0;
  explicit operator bool() const { return Id != 0; }
  friend bool operator==(TBookmark, TBookmark) = default;
};

// The dataset's field objects, in column order. Owned by the dataset.
class TFields {
 public:
  explicit TFields(TDataSet& aOwner) : owner_(aOwner) {}
  int Count() const { return static_cast<int>(items_.size()); }
  TField* Fields(int aIndex) const;  // raises bramble::Exception for a bad index
  TField* operator[](int aIndex) const { return Fields(aIndex); }
  // Appends `aField` (refused on an open dataset); returns it.
  TField* Add(std::unique_ptr<TField> aField);
  // Removes and destroys every field (refused on an open dataset).
  void Clear();
  // The field named `aName`, ASCII case ignored; nullptr when none.
  TField* FindField(std::string_view aName) const;
  // As FindField; raises bramble::Exception "Field '<name>' not found" when none.
  TField* FieldByName(std::string_view aName) const;

 private:
  friend class TDataSet;
  TDataSet& owner_;
  std::vector<std::unique_ptr<TField>> items_;
};

class TDataSet {
 public:
  TDataSet();
  virtual ~TDataSet();
  TDataSet(const TDataSet&) = delete;
  TDataSet& operator=(const TDataSet&) = delete;

  // Component name (used to name fields).
  const std::string& Name() const { return name_; }
  void SetName(std::string aName) { name_ = std::move(aName); }

  // ---- fields and definitions ----
  TFields& Fields() { return fields_; }
  const TFields& Fields() const { return fields_; }
  TField* Fields(int aIndex) const { return fields_.Fields(aIndex); }
  int FieldCount() const { return fields_.Count(); }
  TField* FindField(std::string_view aName) const { return fields_.FindField(aName); }
  TField* FieldByName(std::string_view aName) const { return fields_.FieldByName(aName); }
  // Appends a field made by CreateField (refused on an open dataset).
  TField* AddField(std::unique_ptr<TField> aField) { return fields_.Add(std::move(aField)); }
  TFieldDefs& FieldDefs() { return fieldDefs_; }
  const TFieldDefs& FieldDefs() const { return fieldDefs_; }

  // ---- open / close ----
  bool Active() const { return state_ != TDataSetState::dsInactive; }
  void SetActive(bool aValue) { aValue ? Open() : Close(); }
  TDataSetState State() const { return state_; }
  // Opens an inactive dataset (nothing happens when it is open). Without fields, one field is
  // created per field definition; with fields and no definitions, the definitions are made
  // from the fields. The cursor goes to the first record.
  void Open();
  // Cancels a pending append or edit, discards every record and destroys the fields that Open
  // created from definitions. Nothing happens when the dataset is closed.
  void Close();

  // ---- records and cursor ----
  int RecordCount() const;
  bool IsEmpty() const { return RecordCount() == 0; }
  // Number of the current record counting from 1; 0 when there is none.
  int RecNo() const;
  // Makes record `aValue` current; numbers beyond the ends go to the first or last record.
  void SetRecNo(int aValue);
  void First();
  void Last();
  void Next();
  void Prior();
  // Moves by `aDistance` records; returns how far it moved.
  int MoveBy(int aDistance);
  // End-of-data: true after Next on the last record, and whenever there is no record.
  bool Eof() const { return eof_; }
  // Beginning: true after First or Prior on the first record, and whenever there is no record.
  bool Bof() const { return bof_; }

  // ---- editing ----
  // Scrolling and Close post a pending append or edit first (Close cancels it instead).
  // Adds a new, all-null record at the end and makes it current (insert state).
  void Append();
  // Puts the current record in edit state (needs a current record).
  void Edit();
  // Stores the pending append or edit; with required-field checks on, a required field that is
  // null raises "Field '<name>' must have a value" and the record stays pending.
  void Post();
  // Drops a pending append or restores the record being edited.
  void Cancel();
  // Removes the current record; the next one (or the new last one) becomes current.
  void Delete();
  // Removes every record.
  void EmptyDataSet();
  // Raise "Field '<name>' must have a value" on Post for required fields that are null.
  virtual bool CheckRequired() const { return checkRequired_; }
  virtual void SetCheckRequired(bool aValue) { checkRequired_ = aValue; }
  // The ftDataSet field whose nested dataset this is, or nullptr.
  TField* DataSetField() const { return masterField_; }

  // ---- bookmarks ----
  TBookmark GetBookmark() const;  // of the current record; empty when there is none
  bool BookmarkValid(TBookmark aBookmark) const;
  // Makes the bookmarked record current; raises bramble::Exception when it no longer exists.
  void GotoBookmark(TBookmark aBookmark);
  void FreeBookmark(TBookmark& aBookmark) { aBookmark = TBookmark{}; }

  // ---- bound controls ----
  void DisableControls() { ++disableCount_; }
  // Undoes one DisableControls; the last one notifies the listeners (see TDataSetListener).
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ > 0; }
  void AddListener(TDataSetListener* aListener);
  void RemoveListener(TDataSetListener* aListener);

 protected:
  // Makes the records storage for the current fields (creating fields from definitions when
  // there are none). Overrides that fetch records call this first, then append records with a
  // TRowAppender, then return; Open moves to the first record afterwards.
  virtual void OpenCursor();
  // Hook after the records were discarded on Close.
  virtual void CloseCursor() {}
  // Sends `aEvent` unless controls are disabled.
  void Notify(TDataEvent aEvent);

 private:
  friend class TField;
  friend class TFields;
  friend class TRowAppender;
  friend class TFDMemTable;
  friend class TFDDataSet;
  friend struct data_detail::Access;

  void CheckActive() const;
  void CheckInactive() const;
  void CheckBrowse();  // posts a pending change
  void BuildStore();
  void SetCursor(std::int64_t aRow);  // row index, or -1 when empty
  void BindNested();
  void AttachStore(data_detail::RowStore* aStore);
  void DetachNested();
  void DropDefaultFields();
  data_detail::RowStore* EnsureStore();
  void PrepareFields();
  std::shared_ptr<const data_detail::Layout> MakeLayout() const;
  void FinishOpen();
  std::int64_t CurrentRow() const { return cur_; }
  data_detail::RowStore* Store() const { return store_; }

  std::string name_;
  TFields fields_;
  TFieldDefs fieldDefs_;
  TDataSetState state_ = TDataSetState::dsInactive;
  std::unique_ptr<data_detail::RowStore> ownStore_;
  data_detail::RowStore* store_ = nullptr;  // ownStore_, or a master record's nested records
  TField* masterField_ = nullptr;           // the ftDataSet field whose records these are
  bool hasNested_ = false;                  // some field is of kind ftDataSet
  std::int64_t cur_ = -1;
  bool eof_ = true;
  bool bof_ = true;
  bool checkRequired_ = true;
  std::unique_ptr<data_detail::RowStore> editBackup_;  // the record as it was before Edit
  int disableCount_ = 0;
  bool pendingOpenClose_ = false;
  std::vector<TDataSetListener*> listeners_;
};

}  // namespace bramble
