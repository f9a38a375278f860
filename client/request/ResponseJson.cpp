// The response view's JSON reading, kept apart because it is the view's only use of the JSON
// model's parser.
#include "client/request/RequestClient.h"
#include "shared/json/JsonRoot.h"

namespace bramble {

TJson* TResponseClient::JSONValue() {
  auto Value = std::make_unique<TJson>();
  Value->Parse(FRESTResponse->Content());
  FJsonValue = std::move(Value);
  return FJsonValue.get();
}

}  // namespace bramble
