#pragma once
// TRequestClient and TResponseClient: IRequest and IResponse over the REST client of
// platform/rest. Create requests with TRequest::New() (or std::make_shared of a subclass):
// the setters hand out shared_from_this().
#include <memory>
#include <string>
#include <vector>

#include "client/request/Request.h"
#include "platform/rest/BasicAuthenticator.h"
#include "platform/rest/Client.h"
#include "platform/rest/Request.h"
#include "platform/rest/Response.h"

namespace bramble {

class TResponseClient final : public IResponse {
 public:
  // AResponse is not owned; whoever hands the view out keeps it alive as long as the view.
  explicit TResponseClient(rest::Response* AResponse);
  ~TResponseClient() override;

  std::string Content() override;
  std::uint32_t ContentLength() override;
  std::string ContentType() override;
  std::string ContentEncoding() override;
  std::stringstream* ContentStream() override;
  std::int32_t StatusCode() override;
  std::string StatusText() override;
  std::vector<std::uint8_t> RawBytes() override;
  TJson* JSONValue() override;
  rest::NameValueList Headers() override;

 private:
  rest::Response* FRESTResponse;
  std::unique_ptr<std::stringstream> FStreamValue;
  std::unique_ptr<TJson> FJsonValue;
};

class TRequestClient : public IRequest, public std::enable_shared_from_this<TRequestClient> {
 public:
  TRequestClient();
  ~TRequestClient() override;

  std::string AcceptEncoding() override;
  Ptr AcceptEncoding(const std::string& Value) override;
  std::string AcceptCharset() override;
  Ptr AcceptCharset(const std::string& Value) override;
  std::string Accept() override;
  Ptr Accept(const std::string& Value) override;
  std::int32_t Timeout() override;
  Ptr Timeout(std::int32_t Value) override;
  Ptr DataSetAdapter(TDataSet* Value) override;
  TDataSet* DataSetAdapter() override;
  Ptr BaseURL(const std::string& Value) override;
  std::string BaseURL() override;
  Ptr Resource(const std::string& Value) override;
  bool RaiseExceptionOn500() override;
  Ptr RaiseExceptionOn500(bool Value) override;
  std::string Resource() override;
  Ptr ResourceSuffix(const std::string& Value) override;
  std::string ResourceSuffix() override;
  Ptr Token(const std::string& Value) override;
  Ptr BasicAuthentication(const std::string& Username, const std::string& Password) override;
  IResponse::Ptr Get() override;
  IResponse::Ptr Post() override;
  IResponse::Ptr Put() override;
  IResponse::Ptr Delete() override;
  IResponse::Ptr Patch() override;
  std::string FullRequestURL(bool IncludeParams) override;
  Ptr ClearBody() override;
  void SynchronizedEvents(bool Value) override;
  Ptr AddHeader(const std::string& Name, const std::string& Value,
                rest::ParameterOptions Options) override;
  Ptr AddParam(const std::string& Name, const std::string& Value,
               rest::ParameterKind Kind) override;
  Ptr AddBody(const std::string& Content, rest::ContentType ContentType) override;
  Ptr FallbackCharsetEncoding(const std::string& Value) override;
  Ptr AddBody(TJsonBase* Json, bool Owns) override;
  Ptr AddJsonBody(TJsonBase* Json, bool Owns) override;
  Ptr AddBody(std::istream* Body, bool Owns) override;
  Ptr AddUrlSegment(const std::string& Name, const std::string& Value) override;
  Ptr ClearHeaders() override;
  Ptr ClearParams() override;
  Ptr UserAgent(const std::string& Value) override;
  Ptr ContentType(const std::string& Value) override;
  Ptr AddParam(const rest::NameValueList& Params) override;
  Ptr AddFile(const std::string& Name, std::istream* Stream) override;
  Ptr Proxy(const std::string& Server, const std::string& Password, const std::string& Username,
            std::int32_t Port) override;
  Ptr ClearProxy() override;

  // Names recorded by AddParam and by the header setters (kept after the Clear operations).
  const std::vector<std::string>& ParamNames() const { return FParams; }
  const std::vector<std::string>& HeaderNames() const { return FHeaders; }

 protected:
  // Hooks for subclasses; all three do nothing here.
  virtual void DoBeforeExecute(rest::Request& ARequest);
  virtual void DoAfterExecute();
  virtual void DoHTTPProtocolError();

 private:
  Ptr Self() { return shared_from_this(); }
  IResponse::Ptr Execute(rest::Method AMethod);
  void RecordHeader(const std::string& Name);

  std::vector<std::string> FParams;
  std::unique_ptr<TResponseClient> FResponse;
  std::vector<std::string> FHeaders;
  std::unique_ptr<rest::BasicAuthenticator> FHTTPBasicAuthenticator;
  std::unique_ptr<rest::Request> FRESTRequest;
  TDataSet* FDataSetAdapter = nullptr;
  std::unique_ptr<rest::Response> FRESTResponse;
  std::unique_ptr<rest::Client> FRESTClient;
};

// The text with every path or query segment written ":name" turned into "{name}".
std::string ApplySegmentTemplate(const std::string& Text);

// True when Text is empty after removing the characters at or below " " at both ends.
bool IsBlankText(const std::string& Text);

}  // namespace bramble
