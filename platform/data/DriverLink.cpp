#include "platform/data/DriverLink.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace bramble {

namespace {

// Every live link, oldest first. Links are few and long-lived: a vector is enough.
std::mutex gMutex;
std::vector<TFDPhysDriverLink*>& Links() {
  static std::vector<TFDPhysDriverLink*> links;
  return links;
}

}  // namespace

TFDPhysDriverLink::TFDPhysDriverLink(std::string driverId) : driverId_(std::move(driverId)) {
  std::lock_guard lock(gMutex);
  Links().push_back(this);
}

TFDPhysDriverLink::~TFDPhysDriverLink() {
  std::lock_guard lock(gMutex);
  auto& links = Links();
  links.erase(std::remove(links.begin(), links.end(), this), links.end());
}

std::string TFDPhysDriverLink::VendorLib() const {
  std::lock_guard lock(gMutex);
  return vendorLib_;
}

void TFDPhysDriverLink::SetVendorLib(const std::string& path) {
  std::lock_guard lock(gMutex);
  vendorLib_ = path;
}

std::string TFDPhysDriverLink::FindVendorLib(const std::string& driverId) {
  std::lock_guard lock(gMutex);
  auto& links = Links();
  for (auto it = links.rbegin(); it != links.rend(); ++it)
    if ((*it)->driverId_ == driverId) return (*it)->vendorLib_;
  return "";
}

}  // namespace bramble
