#include "client/request/RequestClient.h"

#include <cxxabi.h>
#include <algorithm>
#include <iterator>
#include <typeinfo>

#include "shared/json/JsonBase.h"
#include "shared/json/JsonRoot.h"

namespace bramble {

namespace {

std::string ReadWhole(std::istream& In) {
  In.clear();
  In.seekg(0, std::ios::beg);
  In.clear();  // a stream that cannot seek is read from where it stands
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

// The dynamic type's readable name ("std::__cxx11::basic_stringstream<...>").
std::string TypeName(const std::istream& Stream) {
  const char* Mangled = typeid(Stream).name();
  int Status = 0;
  char* Readable = abi::__cxa_demangle(Mangled, nullptr, nullptr, &Status);
  std::string Name = (Status == 0 && Readable != nullptr) ? Readable : Mangled;
  std::free(Readable);
  return Name;
}

}  // namespace

bool IsBlankText(const std::string& Text) {
  return std::all_of(Text.begin(), Text.end(),
                     [](char C) { return static_cast<unsigned char>(C) <= ' '; });
}

std::string ApplySegmentTemplate(const std::string& Text) {
  // Each segment between the delimiters is rewritten in place, so a ":name" text that also
  // occurs inside an earlier segment (as in "a:id/:id") leaves that earlier one alone.
  static constexpr std::string_view kDelimiters = "/?=&";
  std::string Out;
  Out.reserve(Text.size() + 8);
  std::size_t Start = 0;
  while (true) {
    std::size_t End = Text.find_first_of(kDelimiters, Start);
    std::string_view Part = std::string_view(Text).substr(
        Start, End == std::string::npos ? std::string::npos : End - Start);
    if (!Part.empty() && Part.front() == ':') {
      const std::size_t NameStart = Part.find_first_not_of(':');
      std::string_view Name =
          NameStart == std::string_view::npos ? std::string_view{} : Part.substr(NameStart);
      Out += '{';
      Out += Name;
      Out += '}';
    } else {
      Out += Part;
    }
    if (End == std::string::npos) break;
    Out += Text[End];
    Start = End + 1;
  }
  return Out;
}

// ---------------------------------------------------------------- TResponseClient

TResponseClient::TResponseClient(rest::Response* AResponse) : FRESTResponse(AResponse) {}

TResponseClient::~TResponseClient() = default;

std::string TResponseClient::Content() {
  return FRESTResponse->Content();
}

std::uint32_t TResponseClient::ContentLength() {
  return static_cast<std::uint32_t>(
      std::min<std::uint64_t>(FRESTResponse->ContentLength(), UINT32_MAX));
}

std::string TResponseClient::ContentType() {
  return FRESTResponse->ContentType();
}

std::string TResponseClient::ContentEncoding() {
  return FRESTResponse->ContentEncoding();
}

std::stringstream* TResponseClient::ContentStream() {
  FStreamValue.reset();
  auto Stream =
      std::make_unique<std::stringstream>(std::ios::in | std::ios::out | std::ios::binary);
  const std::vector<std::uint8_t>& Bytes = FRESTResponse->RawBytes();
  if (!Bytes.empty())
    Stream->write(reinterpret_cast<const char*>(Bytes.data()),
                  static_cast<std::streamsize>(Bytes.size()));
  Stream->seekg(0);
  Stream->seekp(0);
  FStreamValue = std::move(Stream);
  return FStreamValue.get();
}

std::int32_t TResponseClient::StatusCode() {
  return FRESTResponse->StatusCode();
}

std::string TResponseClient::StatusText() {
  return FRESTResponse->StatusText();
}

std::vector<std::uint8_t> TResponseClient::RawBytes() {
  return FRESTResponse->RawBytes();
}

rest::NameValueList TResponseClient::Headers() {
  return FRESTResponse->Headers();
}

// ---------------------------------------------------------------- TRequestClient

IRequest::Ptr TRequest::New() {
  return std::make_shared<TRequestClient>();
}

TRequestClient::TRequestClient() {
  FRESTResponse = std::make_unique<rest::Response>();
  FRESTClient = std::make_unique<rest::Client>();
  FRESTClient->SynchronizedEvents = false;
  FRESTRequest = std::make_unique<rest::Request>();
  FRESTRequest->SynchronizedEvents = false;
  FResponse = std::make_unique<TResponseClient>(FRESTResponse.get());
  FRESTRequest->OnAfterExecute = [this] { DoAfterExecute(); };
  FRESTRequest->OnHTTPProtocolError = [this] { DoHTTPProtocolError(); };
  FRESTRequest->Client = FRESTClient.get();
  FRESTRequest->Response = FRESTResponse.get();
  FRESTClient->RaiseExceptionOn500 = false;
}

TRequestClient::~TRequestClient() = default;

void TRequestClient::DoBeforeExecute(rest::Request&) {}
void TRequestClient::DoAfterExecute() {}
void TRequestClient::DoHTTPProtocolError() {}

void TRequestClient::RecordHeader(const std::string& Name) {
  if (std::find(FHeaders.begin(), FHeaders.end(), Name) == FHeaders.end()) FHeaders.push_back(Name);
}

std::string TRequestClient::AcceptEncoding() {
  return FRESTRequest->AcceptEncoding;
}

IRequest::Ptr TRequestClient::AcceptEncoding(const std::string& Value) {
  FRESTRequest->AcceptEncoding = Value;
  return Self();
}

std::string TRequestClient::AcceptCharset() {
  return FRESTRequest->AcceptCharset;
}

IRequest::Ptr TRequestClient::AcceptCharset(const std::string& Value) {
  FRESTRequest->AcceptCharset = IsBlankText(Value) ? rest::Request::kDefaultAcceptCharset : Value;
  return Self();
}

std::string TRequestClient::Accept() {
  return FRESTRequest->Accept;
}

IRequest::Ptr TRequestClient::Accept(const std::string& Value) {
  FRESTRequest->Accept = IsBlankText(Value) ? rest::Request::kDefaultAccept : Value;
  return Self();
}

std::int32_t TRequestClient::Timeout() {
  return FRESTRequest->Timeout;
}

IRequest::Ptr TRequestClient::Timeout(std::int32_t Value) {
  FRESTRequest->Timeout = Value;
  return Self();
}

IRequest::Ptr TRequestClient::DataSetAdapter(TDataSet* Value) {
  FDataSetAdapter = Value;
  return Self();
}

TDataSet* TRequestClient::DataSetAdapter() {
  return FDataSetAdapter;
}

IRequest::Ptr TRequestClient::BaseURL(const std::string& Value) {
  FRESTClient->BaseURL = ApplySegmentTemplate(Value);
  return Self();
}

std::string TRequestClient::BaseURL() {
  return FRESTClient->BaseURL;
}

IRequest::Ptr TRequestClient::Resource(const std::string& Value) {
  FRESTRequest->Resource = ApplySegmentTemplate(Value);
  return Self();
}

bool TRequestClient::RaiseExceptionOn500() {
  return FRESTClient->RaiseExceptionOn500;
}

IRequest::Ptr TRequestClient::RaiseExceptionOn500(bool Value) {
  FRESTClient->RaiseExceptionOn500 = Value;
  return Self();
}

std::string TRequestClient::Resource() {
  return FRESTRequest->Resource;
}

IRequest::Ptr TRequestClient::ResourceSuffix(const std::string& Value) {
  FRESTRequest->ResourceSuffix = ApplySegmentTemplate(Value);
  return Self();
}

std::string TRequestClient::ResourceSuffix() {
  return FRESTRequest->ResourceSuffix;
}

IRequest::Ptr TRequestClient::Token(const std::string& Value) {
  if (IsBlankText(Value)) return Self();
  RecordHeader("Authorization");
  FRESTRequest->AddItem("Authorization", Value, rest::ParameterKind::HttpHeader,
                        {rest::ParameterOption::poDoNotEncode});
  return Self();
}

IRequest::Ptr TRequestClient::BasicAuthentication(const std::string& Username,
                                                  const std::string& Password) {
  if (!FHTTPBasicAuthenticator) {
    FHTTPBasicAuthenticator = std::make_unique<rest::BasicAuthenticator>();
    FRESTClient->Authenticator = FHTTPBasicAuthenticator.get();
  }
  FHTTPBasicAuthenticator->Username = Username;
  FHTTPBasicAuthenticator->Password = Password;
  return Self();
}

IResponse::Ptr TRequestClient::Execute(rest::Method AMethod) {
  // The view shares the request's lifetime: holding it keeps the answer it reads alive.
  IResponse::Ptr Result(shared_from_this(), FResponse.get());
  DoBeforeExecute(*FRESTRequest);
  FRESTRequest->Method = AMethod;
  FRESTRequest->Execute();
  return Result;
}

IResponse::Ptr TRequestClient::Get() {
  return Execute(rest::Method::Get);
}
IResponse::Ptr TRequestClient::Post() {
  return Execute(rest::Method::Post);
}
IResponse::Ptr TRequestClient::Put() {
  return Execute(rest::Method::Put);
}
IResponse::Ptr TRequestClient::Delete() {
  return Execute(rest::Method::Delete);
}
IResponse::Ptr TRequestClient::Patch() {
  return Execute(rest::Method::Patch);
}

std::string TRequestClient::FullRequestURL(bool IncludeParams) {
  return FRESTRequest->FullRequestURL(IncludeParams);
}

IRequest::Ptr TRequestClient::ClearBody() {
  FRESTRequest->ClearBody();
  return Self();
}

void TRequestClient::SynchronizedEvents(bool Value) {
  FRESTClient->SynchronizedEvents = Value;
  FRESTRequest->SynchronizedEvents = Value;
}

IRequest::Ptr TRequestClient::AddHeader(const std::string& Name, const std::string& Value,
                                        rest::ParameterOptions Options) {
  if (IsBlankText(Name) || IsBlankText(Value)) return Self();
  RecordHeader(Name);
  FRESTRequest->AddItem(Name, Value, rest::ParameterKind::HttpHeader, Options);
  return Self();
}

IRequest::Ptr TRequestClient::AddParam(const std::string& Name, const std::string& Value,
                                       rest::ParameterKind Kind) {
  if (IsBlankText(Name) || IsBlankText(Value)) return Self();
  FParams.push_back(Name);
  FRESTRequest->AddItem(Name, Value, Kind);
  return Self();
}

IRequest::Ptr TRequestClient::AddBody(const std::string& Content, rest::ContentType ContentType) {
  if (IsBlankText(Content)) return Self();
  FRESTRequest->AddBody(Content, ContentType);
  return Self();
}

IRequest::Ptr TRequestClient::FallbackCharsetEncoding(const std::string& Value) {
  FRESTClient->FallbackCharsetEncoding = Value;
  return Self();
}

IRequest::Ptr TRequestClient::AddBody(TJsonBase* Json, bool Owns) {
  if (Json == nullptr) return Self();
  std::unique_ptr<TJsonBase> Owned(Owns ? Json : nullptr);
  FRESTRequest->AddBody(Json->Stringify(), rest::ContentType::None);
  return Self();
}

IRequest::Ptr TRequestClient::AddJsonBody(TJsonBase* Json, bool Owns) {
  if (Json == nullptr) return Self();
  std::unique_ptr<TJsonBase> Owned(Owns ? Json : nullptr);
  return AddBody(Json->Stringify(), rest::ContentType::ApplicationJson);
}

IRequest::Ptr TRequestClient::AddBody(std::istream* Body, bool Owns) {
  if (Body == nullptr) return Self();
  std::unique_ptr<std::istream> Owned(Owns ? Body : nullptr);
  FRESTRequest->AddBody(ReadWhole(*Body), rest::ContentType::ApplicationOctetStream);
  return Self();
}

IRequest::Ptr TRequestClient::AddUrlSegment(const std::string& Name, const std::string& Value) {
  if (IsBlankText(Name) || IsBlankText(Value)) return Self();
  FRESTRequest->AddItem(Name, Value, rest::ParameterKind::UrlSegment);
  return Self();
}

IRequest::Ptr TRequestClient::ClearHeaders() {
  for (const std::string& Name : FHeaders) FRESTRequest->DeleteParameter(Name);
  return Self();
}

IRequest::Ptr TRequestClient::ClearParams() {
  for (const std::string& Name : FParams) FRESTRequest->DeleteParameter(Name);
  return Self();
}

IRequest::Ptr TRequestClient::UserAgent(const std::string& Value) {
  if (!IsBlankText(Value)) FRESTClient->UserAgent = Value;
  return Self();
}

IRequest::Ptr TRequestClient::ContentType(const std::string& Value) {
  return AddHeader("Content-Type", Value, {rest::ParameterOption::poDoNotEncode});
}

IRequest::Ptr TRequestClient::AddParam(const rest::NameValueList& Params) {
  for (std::size_t I = 0; I < Params.Count(); ++I)
    FRESTRequest->AddItem(Params.Name(I), Params.ValueFromIndex(I), rest::ParameterKind::Cookie);
  return Self();
}

IRequest::Ptr TRequestClient::AddFile(const std::string& Name, std::istream* Stream) {
  if (Stream == nullptr) return Self();
  FRESTRequest->AddFile(Name, TypeName(*Stream), ReadWhole(*Stream),
                        rest::ContentType::ApplicationOctetStream);
  return Self();
}

IRequest::Ptr TRequestClient::Proxy(const std::string& Server, const std::string& Password,
                                    const std::string& Username, std::int32_t Port) {
  FRESTClient->Proxy = {Server, Username, Password, Port};
  return Self();
}

IRequest::Ptr TRequestClient::ClearProxy() {
  FRESTClient->Proxy = rest::ProxySettings{};
  return Self();
}

}  // namespace bramble
