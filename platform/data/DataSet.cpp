#include "platform/data/DataSet.h"

#include <algorithm>

#include "platform/core/Exception.h"
#include "platform/data/MemTable.h"
#include "platform/data/RowStore.h"

namespace bramble {

using data_detail::Layout;
using data_detail::RowStore;

namespace {
bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}
}  // namespace

// ---- TFields --------------------------------------------------------------------------------

TField* TFields::Fields(int aIndex) const {
  if (aIndex < 0 || aIndex >= Count())
    throw Exception("Field index out of range (" + std::to_string(aIndex) + ")");
  return items_[static_cast<std::size_t>(aIndex)].get();
}

TField* TFields::Add(std::unique_ptr<TField> aField) {
  if (!aField) throw Exception("No field to add");
  owner_.CheckInactive();
  aField->dataSet_ = &owner_;
  aField->index_ = Count();
  items_.push_back(std::move(aField));
  owner_.Notify(TDataEvent::deLayoutChange);
  return items_.back().get();
}

void TFields::Clear() {
  if (items_.empty()) return;
  owner_.CheckInactive();
  items_.clear();
  owner_.Notify(TDataEvent::deLayoutChange);
}

TField* TFields::FindField(std::string_view aName) const {
  for (const auto& f : items_)
    if (SameAscii(f->FieldName(), aName)) return f.get();
  return nullptr;
}

TField* TFields::FieldByName(std::string_view aName) const {
  TField* f = FindField(aName);
  if (f == nullptr) throw Exception("Field '" + std::string(aName) + "' not found");
  return f;
}

// ---- TDataSet: life ------------------------------------------------------------------------

TDataSet::TDataSet() : fields_(*this) {}

TDataSet::~TDataSet() {
  listeners_.clear();
  if (state_ != TDataSetState::dsInactive) {
    state_ = TDataSetState::dsInactive;
    DetachNested();
  }
}

void TDataSet::CheckActive() const {
  if (state_ == TDataSetState::dsInactive)
    throw Exception("Cannot perform this operation on a closed dataset");
}

void TDataSet::CheckInactive() const {
  if (state_ != TDataSetState::dsInactive)
    throw Exception("Cannot perform this operation on an open dataset");
}

void TDataSet::CheckBrowse() {
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) Post();
}

// Creates fields from the definitions when there are none, or definitions from the fields
// when there are none of those; then the same for every nested dataset.
void TDataSet::PrepareFields() {
  if (fields_.Count() == 0) {
    for (int i = 0; i < fieldDefs_.Count(); ++i) {
      const TFieldDef& def = fieldDefs_.Items(i);
      auto field = CreateField(def.DataType());
      field->SetFieldName(def.Name());
      field->SetSize(def.Size());
      field->SetRequired(def.Required());
      field->SetReadOnly(def.ReadOnly());
      field->SetVisible(!def.Hidden());
      field->SetOrigin(def.Origin());
      field->defaultField_ = true;
      if (field->NestedDataSet() != nullptr) {
        TDataSet& nested = *field->NestedDataSet();
        nested.FieldDefs() = def.ChildDefs();
      }
      field->dataSet_ = this;
      field->index_ = fields_.Count();
      fields_.items_.push_back(std::move(field));
    }
  } else if (fieldDefs_.Count() == 0) {
    for (int i = 0; i < fields_.Count(); ++i) {
      const TField& f = *fields_.Fields(i);
      TFieldDef& def = fieldDefs_.Add(f.FieldName(), f.DataType(), f.Size(), f.Required());
      def.SetReadOnly(f.ReadOnly());
      def.SetHidden(!f.Visible());
      def.SetOrigin(f.Origin());
    }
  }
  hasNested_ = false;
  for (int i = 0; i < fields_.Count(); ++i) {
    TField& f = *fields_.Fields(i);
    if (f.NestedDataSet() != nullptr) {
      hasNested_ = true;
      f.NestedDataSet()->PrepareFields();
    }
  }
}

std::shared_ptr<const Layout> TDataSet::MakeLayout() const {
  auto layout = std::make_shared<Layout>();
  layout->Columns.resize(static_cast<std::size_t>(fields_.Count()));
  for (int i = 0; i < fields_.Count(); ++i) {
    const TField& f = *fields_.Fields(i);
    auto& c = layout->Columns[static_cast<std::size_t>(i)];
    c.Type = f.DataType();
    c.Storage = f.Storage();
    if (f.NestedDataSet() != nullptr) c.Child = f.NestedDataSet()->MakeLayout();
  }
  return layout;
}

void TDataSet::BuildStore() {
  PrepareFields();
  ownStore_ = std::make_unique<RowStore>(MakeLayout());
  store_ = ownStore_.get();
}

void TDataSet::OpenCursor() {
  BuildStore();
}

void TDataSet::Open() {
  if (state_ != TDataSetState::dsInactive) return;
  if (masterField_ != nullptr)
    throw Exception("A nested dataset opens and closes with its master dataset");
  try {
    OpenCursor();
    if (store_ == nullptr) BuildStore();
  } catch (...) {
    // A failed open leaves the dataset as a closed one: no records, no fields made from
    // definitions, so the next open builds them afresh.
    ownStore_.reset();
    store_ = nullptr;
    DropDefaultFields();
    throw;
  }
  FinishOpen();
}

void TDataSet::FinishOpen() {
  state_ = TDataSetState::dsBrowse;
  SetCursor(store_->Rows() > 0 ? 0 : -1);
  bof_ = true;
  eof_ = store_->Rows() == 0;
  Notify(TDataEvent::deOpened);
}

void TDataSet::Close() {
  if (state_ == TDataSetState::dsInactive) return;
  if (masterField_ != nullptr)
    throw Exception("A nested dataset opens and closes with its master dataset");
  if (state_ == TDataSetState::dsInsert || state_ == TDataSetState::dsEdit) Cancel();
  state_ = TDataSetState::dsInactive;
  DetachNested();
  store_ = nullptr;
  ownStore_.reset();
  editBackup_.reset();
  cur_ = -1;
  bof_ = eof_ = true;
  DropDefaultFields();
  CloseCursor();
  Notify(TDataEvent::deClosed);
}

// Fields made from the definitions at Open go away with the records.
void TDataSet::DropDefaultFields() {
  auto& items = fields_.items_;
  const auto isDefault = [](const auto& f) { return f->DefaultField(); };
  if (std::none_of(items.begin(), items.end(), isDefault)) return;
  items.erase(std::remove_if(items.begin(), items.end(), isDefault), items.end());
  for (std::size_t i = 0; i < items.size(); ++i) items[i]->index_ = static_cast<int>(i);
  Notify(TDataEvent::deLayoutChange);
}

// ---- nested datasets -------------------------------------------------------------------------

void TDataSet::AttachStore(RowStore* aStore) {
  store_ = aStore;
  editBackup_.reset();
  state_ = TDataSetState::dsBrowse;
  const std::int64_t rows = store_ != nullptr ? store_->Rows() : 0;
  SetCursor(rows > 0 ? 0 : -1);
  bof_ = true;
  eof_ = rows == 0;
  Notify(TDataEvent::deDataSetChange);
}

void TDataSet::DetachNested() {
  if (!hasNested_) return;
  for (int i = 0; i < fields_.Count(); ++i) {
    TDataSet* nested = fields_.Fields(i)->NestedDataSet();
    if (nested == nullptr) continue;
    if (nested->state_ != TDataSetState::dsInactive) {
      nested->state_ = TDataSetState::dsInactive;
      nested->DetachNested();
      nested->store_ = nullptr;
      nested->editBackup_.reset();
      nested->cur_ = -1;
      nested->bof_ = nested->eof_ = true;
      nested->Notify(TDataEvent::deClosed);
    }
  }
}

void TDataSet::BindNested() {
  for (int i = 0; i < fields_.Count(); ++i) {
    TField* f = fields_.Fields(i);
    TDataSet* nested = f->NestedDataSet();
    if (nested == nullptr) continue;
    if (nested->state_ == TDataSetState::dsEdit || nested->state_ == TDataSetState::dsInsert)
      nested->Post();
    nested->AttachStore(cur_ >= 0 ? store_->NestedAt(i, cur_, false) : nullptr);
  }
}

RowStore* TDataSet::EnsureStore() {
  if (store_ != nullptr) return store_;
  if (masterField_ == nullptr) throw Exception("Cannot perform this operation on a closed dataset");
  TDataSet* master = masterField_->DataSet();
  if (master == nullptr || master->store_ == nullptr || master->cur_ < 0)
    throw Exception("No master record for the nested dataset");
  store_ = master->store_->NestedAt(masterField_->Index(), master->cur_, true);
  return store_;
}

// ---- cursor ----------------------------------------------------------------------------------

void TDataSet::SetCursor(std::int64_t aRow) {
  cur_ = aRow;
  if (hasNested_) BindNested();
}

int TDataSet::RecordCount() const {
  if (state_ == TDataSetState::dsInactive || store_ == nullptr) return 0;
  return static_cast<int>(std::min<std::int64_t>(store_->Rows(), INT32_MAX));
}

int TDataSet::RecNo() const {
  if (state_ == TDataSetState::dsInactive || cur_ < 0) return 0;
  return static_cast<int>(cur_ + 1);
}

void TDataSet::SetRecNo(int aValue) {
  CheckActive();
  CheckBrowse();
  const std::int64_t rows = store_ != nullptr ? store_->Rows() : 0;
  if (rows == 0) return;
  const std::int64_t target = std::clamp<std::int64_t>(aValue, 1, rows) - 1;
  bof_ = eof_ = false;
  if (target == cur_) return;
  SetCursor(target);
  Notify(TDataEvent::deScrolled);
}

void TDataSet::First() {
  CheckActive();
  CheckBrowse();
  const std::int64_t rows = store_ != nullptr ? store_->Rows() : 0;
  const std::int64_t before = cur_;
  SetCursor(rows > 0 ? 0 : -1);
  bof_ = true;
  eof_ = rows == 0;
  if (before != cur_) Notify(TDataEvent::deScrolled);
}

void TDataSet::Last() {
  CheckActive();
  CheckBrowse();
  const std::int64_t rows = store_ != nullptr ? store_->Rows() : 0;
  const std::int64_t before = cur_;
  SetCursor(rows - 1);
  eof_ = true;
  bof_ = rows == 0;
  if (before != cur_) Notify(TDataEvent::deScrolled);
}

int TDataSet::MoveBy(int aDistance) {
  CheckActive();
  CheckBrowse();
  const std::int64_t rows = store_ != nullptr ? store_->Rows() : 0;
  if (rows == 0) {
    bof_ = eof_ = true;
    return 0;
  }
  const std::int64_t target = cur_ + aDistance;
  const std::int64_t clamped = std::clamp<std::int64_t>(target, 0, rows - 1);
  if (aDistance > 0) {
    eof_ = target > rows - 1;
    bof_ = false;
  } else if (aDistance < 0) {
    bof_ = target < 0;
    eof_ = false;
  }
  const auto moved = static_cast<int>(clamped - cur_);
  if (moved != 0) {
    SetCursor(clamped);
    Notify(TDataEvent::deScrolled);
  }
  return moved;
}

void TDataSet::Next() {
  MoveBy(1);
}
void TDataSet::Prior() {
  MoveBy(-1);
}

// ---- editing -----------------------------------------------------------------------------

void TDataSet::Append() {
  CheckActive();
  CheckBrowse();
  RowStore* store = EnsureStore();
  // A record needs at least one field to be told apart in a stream.
  if (store->ColumnCount() == 0) throw Exception("Cannot add records to a dataset without fields");
  const std::int64_t row = store->AppendNull();
  state_ = TDataSetState::dsInsert;
  SetCursor(row);
  bof_ = eof_ = false;
  Notify(TDataEvent::deStateChange);
}

void TDataSet::Edit() {
  CheckActive();
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) return;
  // Editing an empty dataset starts a new record instead.
  if (store_ == nullptr || store_->Rows() == 0 || cur_ < 0) return Append();
  editBackup_ = std::make_unique<RowStore>(store_->GetLayout());
  editBackup_->AppendNull();
  editBackup_->CopyRow(*store_, cur_, 0);
  state_ = TDataSetState::dsEdit;
  Notify(TDataEvent::deStateChange);
}

void TDataSet::Post() {
  CheckActive();
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
  if (CheckRequired()) {
    for (int i = 0; i < fields_.Count(); ++i) {
      const TField& f = *fields_.Fields(i);
      if (f.Required() && !f.ReadOnly() && f.IsNull())
        throw Exception("Field '" + f.FieldName() + "' must have a value");
    }
  }
  if (hasNested_) {
    for (int i = 0; i < fields_.Count(); ++i)
      if (TDataSet* nested = fields_.Fields(i)->NestedDataSet()) nested->CheckBrowse();
  }
  state_ = TDataSetState::dsBrowse;
  editBackup_.reset();
  Notify(TDataEvent::deDataSetChange);
}

void TDataSet::Cancel() {
  if (state_ == TDataSetState::dsInsert) {
    state_ = TDataSetState::dsBrowse;
    store_->PopBack();
    SetCursor(store_->Rows() - 1);
    bof_ = eof_ = store_->Rows() == 0;
    Notify(TDataEvent::deDataSetChange);
  } else if (state_ == TDataSetState::dsEdit) {
    state_ = TDataSetState::dsBrowse;
    if (editBackup_) store_->CopyRow(*editBackup_, 0, cur_);
    editBackup_.reset();
    Notify(TDataEvent::deDataSetChange);
  }
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == TDataSetState::dsInsert) return Cancel();
  if (state_ == TDataSetState::dsEdit) Cancel();
  if (store_ == nullptr || cur_ < 0 || store_->Rows() == 0)
    throw Exception("Cannot perform this operation on an empty dataset");
  store_->Erase(cur_);
  const std::int64_t rows = store_->Rows();
  SetCursor(std::min(cur_, rows - 1));
  bof_ = eof_ = rows == 0;
  Notify(TDataEvent::deDataSetChange);
}

void TDataSet::EmptyDataSet() {
  CheckActive();
  if (state_ == TDataSetState::dsInsert || state_ == TDataSetState::dsEdit) Cancel();
  if (store_ != nullptr) store_->ClearRows();
  SetCursor(-1);
  bof_ = eof_ = true;
  Notify(TDataEvent::deDataSetChange);
}

// ---- bookmarks ---------------------------------------------------------------------------

TBookmark TDataSet::GetBookmark() const {
  if (state_ == TDataSetState::dsInactive || store_ == nullptr || cur_ < 0) return {};
  return TBookmark{store_->IdAt(cur_)};
}

bool TDataSet::BookmarkValid(TBookmark aBookmark) const {
  return aBookmark && state_ != TDataSetState::dsInactive && store_ != nullptr &&
         store_->FindId(aBookmark.Id) >= 0;
}

void TDataSet::GotoBookmark(TBookmark aBookmark) {
  CheckActive();
  CheckBrowse();
  const std::int64_t row = aBookmark && store_ != nullptr ? store_->FindId(aBookmark.Id) : -1;
  if (row < 0) throw Exception("Record not found");
  bof_ = eof_ = false;
  if (row == cur_) return;
  SetCursor(row);
  Notify(TDataEvent::deScrolled);
}

// ---- notifications -------------------------------------------------------------------------

void TDataSet::EnableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ > 0) return;
  const bool openClose = pendingOpenClose_;
  pendingOpenClose_ = false;
  Notify(openClose ? (Active() ? TDataEvent::deOpened : TDataEvent::deClosed)
                   : TDataEvent::deDataSetChange);
}

void TDataSet::AddListener(TDataSetListener* aListener) {
  if (aListener != nullptr &&
      std::find(listeners_.begin(), listeners_.end(), aListener) == listeners_.end())
    listeners_.push_back(aListener);
}

void TDataSet::RemoveListener(TDataSetListener* aListener) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), aListener), listeners_.end());
}

void TDataSet::Notify(TDataEvent aEvent) {
  if (disableCount_ > 0) {
    if (aEvent == TDataEvent::deOpened || aEvent == TDataEvent::deClosed) pendingOpenClose_ = true;
    return;
  }
  if (listeners_.empty()) return;
  // A listener may add or remove listeners while it is told.
  const std::vector<TDataSetListener*> copy = listeners_;
  for (TDataSetListener* l : copy)
    if (std::find(listeners_.begin(), listeners_.end(), l) != listeners_.end())
      l->DataEvent(*this, aEvent);
}

}  // namespace bramble
