#include "platform/data/FieldDefs.h"

#include "platform/core/Exception.h"

namespace bramble {

TFieldDef::TFieldDef(std::string aName, TFieldType aType, int aSize, bool aRequired)
    : name_(std::move(aName)), type_(aType), size_(aSize), required_(aRequired) {}

TFieldDef::~TFieldDef() = default;

TFieldDefs& TFieldDef::ChildDefs() {
  if (!children_) children_ = std::make_unique<TFieldDefs>();
  return *children_;
}

const TFieldDefs& TFieldDef::ChildDefs() const {
  static const TFieldDefs kNone;
  return children_ ? *children_ : kNone;
}

bool TFieldDef::HasChildDefs() const {
  return children_ && children_->Count() > 0;
}

TFieldDefs::TFieldDefs(const TFieldDefs& aOther) {
  *this = aOther;
}

TFieldDefs& TFieldDefs::operator=(const TFieldDefs& aOther) {
  if (this == &aOther) return *this;
  items_.clear();
  for (const auto& d : aOther.items_) {
    TFieldDef& copy = Add(d->Name(), d->DataType(), d->Size(), d->Required());
    copy.SetReadOnly(d->ReadOnly());
    copy.SetHidden(d->Hidden());
    copy.SetOrigin(d->Origin());
    if (d->HasChildDefs()) copy.ChildDefs() = d->ChildDefs();
  }
  return *this;
}

TFieldDef& TFieldDefs::Items(int aIndex) {
  if (aIndex < 0 || aIndex >= Count())
    throw Exception("List index out of bounds (" + std::to_string(aIndex) + ")");
  return *items_[static_cast<std::size_t>(aIndex)];
}

const TFieldDef& TFieldDefs::Items(int aIndex) const {
  return const_cast<TFieldDefs*>(this)->Items(aIndex);
}

TFieldDef& TFieldDefs::Add(std::string aName, TFieldType aType, int aSize, bool aRequired) {
  items_.push_back(std::make_unique<TFieldDef>(std::move(aName), aType, aSize, aRequired));
  return *items_.back();
}

int TFieldDefs::IndexOf(std::string_view aName) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string& n = items_[static_cast<std::size_t>(i)]->Name();
    if (n.size() != aName.size()) continue;
    bool same = true;
    for (std::size_t k = 0; k < n.size() && same; ++k) {
      char a = n[k], b = aName[k];
      if (a >= 'A' && a <= 'Z') a = static_cast<char>(a + 32);
      if (b >= 'A' && b <= 'Z') b = static_cast<char>(b + 32);
      same = a == b;
    }
    if (same) return i;
  }
  return -1;
}

}  // namespace bramble
