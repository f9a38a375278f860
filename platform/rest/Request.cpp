#include "platform/rest/Request.h"

#include <algorithm>

#include "platform/core/AsciiCase.h"
#include "platform/core/Exception.h"
#include "platform/rest/BasicAuthenticator.h"
#include "platform/rest/Client.h"
#include "platform/rest/Response.h"
#include "platform/rest/Transfer.h"

namespace bramble::rest {

namespace {

// Joins two address pieces with exactly one "/" between them.
std::string JoinPath(std::string_view Left, std::string_view Right) {
  if (Right.empty()) return std::string(Left);
  if (Left.empty()) return std::string(Right);
  while (!Left.empty() && Left.back() == '/') Left.remove_suffix(1);
  while (!Right.empty() && Right.front() == '/') Right.remove_prefix(1);
  std::string Out(Left);
  Out += '/';
  Out += Right;
  return Out;
}

std::string Encoded(const Parameter& P, std::string_view Text) {
  return P.Options.Contains(ParameterOption::poDoNotEncode) ? std::string(Text) : UrlEncode(Text);
}

void ReplaceAll(std::string& Text, std::string_view From, std::string_view To) {
  if (From.empty()) return;
  for (std::size_t Pos = Text.find(From); Pos != std::string::npos;
       Pos = Text.find(From, Pos + To.size()))
    Text.replace(Pos, From.size(), To);
}

bool MethodTakesForm(Method M) {
  return M != Method::Get;
}

// How the parameters of a request split between address and body.
struct Layout {
  bool HasFiles = false;
  std::size_t BodyParts = 0;
  bool FormInBody = false;  // get-or-post parameters travel in the body
};

Layout LayoutOf(const std::vector<Parameter>& Params, Method M) {
  Layout L;
  bool HasGetOrPost = false;
  for (const Parameter& P : Params) {
    L.HasFiles |= P.Kind == ParameterKind::File;
    L.BodyParts += P.Kind == ParameterKind::RequestBody;
    HasGetOrPost |= P.Kind == ParameterKind::GetOrPost;
  }
  L.FormInBody = MethodTakesForm(M) && HasGetOrPost && (L.HasFiles || L.BodyParts == 0);
  return L;
}

// A header line travels as given; a line break inside it would start another header or the
// body, so such a line is refused rather than sent.
void CheckHeaderLine(const std::string& Line) {
  if (Line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
    throw Exception("Invalid header: a header name or value holds a line break or NUL");
}

}  // namespace

std::string UrlEncode(std::string_view Text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string Out;
  Out.reserve(Text.size());
  for (char C : Text) {
    unsigned char U = static_cast<unsigned char>(C);
    bool Unreserved = (U >= 'A' && U <= 'Z') || (U >= 'a' && U <= 'z') || (U >= '0' && U <= '9') ||
                      U == '-' || U == '.' || U == '_' || U == '~';
    if (Unreserved) {
      Out += C;
    } else {
      Out += '%';
      Out += kHex[U >> 4];
      Out += kHex[U & 15];
    }
  }
  return Out;
}

Parameter& Request::AddItem(std::string_view Name, std::string_view Value, ParameterKind Kind,
                            ParameterOptions Options) {
  Parameter* P = ParameterByName(Name);
  if (P == nullptr) {
    P = &FParams.emplace_back();
    P->Name = std::string(Name);
  }
  P->Value = std::string(Value);
  P->Kind = Kind;
  P->Options = Options;
  P->ContentType = rest::ContentType::None;
  P->Content.clear();
  P->HasContent = false;
  return *P;
}

Parameter* Request::ParameterByName(std::string_view Name) {
  for (Parameter& P : FParams)
    if (EqualsIgnoringCase(P.Name, Name)) return &P;
  return nullptr;
}

void Request::DeleteParameter(std::string_view Name) {
  std::erase_if(FParams, [&](const Parameter& P) { return EqualsIgnoringCase(P.Name, Name); });
}

void Request::AddBody(std::string Content, rest::ContentType Type) {
  Parameter& P = FParams.emplace_back();
  P.Name = "body" + std::to_string(++FBodyCounter);
  P.Kind = ParameterKind::RequestBody;
  P.ContentType = Type;
  P.Content = std::move(Content);
  P.HasContent = true;
}

void Request::AddFile(std::string_view Name, std::string FileName, std::string Content,
                      rest::ContentType Type) {
  Parameter& P = AddItem(Name, FileName, ParameterKind::File);
  P.ContentType = Type;
  P.Content = std::move(Content);
  P.HasContent = true;
}

void Request::ClearBody() {
  std::erase_if(FParams, [](const Parameter& P) { return P.Kind == ParameterKind::RequestBody; });
}

std::string Request::FullRequestURL(bool IncludeParams) const {
  std::string Url =
      JoinPath(JoinPath(Client ? Client->BaseURL : std::string(), Resource), ResourceSuffix);
  for (const Parameter& P : FParams)
    if (P.Kind == ParameterKind::UrlSegment)
      ReplaceAll(Url, "{" + P.Name + "}", Encoded(P, P.Value));
  if (!IncludeParams) return Url;

  Layout L = LayoutOf(FParams, Method);
  std::string Query;
  for (const Parameter& P : FParams) {
    bool InQuery =
        P.Kind == ParameterKind::Query || (P.Kind == ParameterKind::GetOrPost && !L.FormInBody);
    if (!InQuery) continue;
    if (!Query.empty()) Query += '&';
    Query += Encoded(P, P.Name);
    Query += '=';
    Query += Encoded(P, P.Value);
  }
  if (!Query.empty()) {
    Url += Url.find('?') == std::string::npos ? '?' : '&';
    Url += Query;
  }
  return Url;
}

void Request::Execute() {
  if (Client == nullptr || Response == nullptr)
    throw Exception("Request has no client or no response");
  Response->Reset();
  Response->SetFallbackCharset(Client->FallbackCharsetEncoding);

  Wire W;
  W.Url = FullRequestURL(true);
  W.Method = Method;
  W.UserAgent = Client->UserAgent;
  W.AcceptEncoding = AcceptEncoding;
  W.TimeoutMs = Timeout;
  W.MaxBodyBytes = std::min(MaxResponseBodyBytes, kMaxResponseBodyBytes);
  W.Proxy = Client->Proxy;

  if (!Accept.empty()) W.Headers.push_back("Accept: " + Accept);
  if (!AcceptCharset.empty()) W.Headers.push_back("Accept-Charset: " + AcceptCharset);

  bool ExplicitContentType = false;
  std::string Cookie;
  for (const Parameter& P : FParams) {
    if (P.Kind == ParameterKind::HttpHeader) {
      if (Client->Authenticator != nullptr && EqualsIgnoringCase(P.Name, "Authorization")) {
        continue;  // the authenticator's credentials take its place
      }
      ExplicitContentType |= EqualsIgnoringCase(P.Name, "Content-Type");
      W.Headers.push_back(P.Name + ": " + Encoded(P, P.Value));
    } else if (P.Kind == ParameterKind::Cookie && !P.Name.empty()) {
      if (!Cookie.empty()) Cookie += "; ";
      Cookie += P.Name + "=" + Encoded(P, P.Value);
    }
  }
  if (Client->Authenticator != nullptr)
    W.Headers.push_back("Authorization: " + Client->Authenticator->AuthorizationValue());
  W.Cookie = Cookie;

  // Body.
  Layout L = LayoutOf(FParams, Method);
  std::string BodyType;
  // A GET never carries a body: its parts, files and form fields stay behind.
  const bool CarriesBody = Method != rest::Method::Get;
  if (CarriesBody && (L.HasFiles || L.BodyParts > 1)) {
    W.SendsBody = true;
    W.Multipart = true;
    for (const Parameter& P : FParams) {
      if (P.Kind == ParameterKind::File) {
        W.Parts.push_back(
            {P.Name, P.Content, P.Value, std::string(ContentTypeText(P.ContentType)), true});
      } else if (P.Kind == ParameterKind::RequestBody) {
        W.Parts.push_back({P.Name, P.HasContent ? P.Content : P.Value, "",
                           std::string(ContentTypeText(P.ContentType)), false});
      } else if (P.Kind == ParameterKind::GetOrPost && L.FormInBody) {
        W.Parts.push_back({P.Name, P.Value, "", "", false});
      }
    }
  } else if (CarriesBody && L.BodyParts > 0) {
    W.SendsBody = true;
    for (const Parameter& P : FParams) {
      if (P.Kind != ParameterKind::RequestBody) continue;
      W.RawBody = P.HasContent ? P.Content : P.Value;
      BodyType = ContentTypeText(P.ContentType);
    }
  } else if (L.FormInBody) {
    W.SendsBody = true;
    BodyType = ContentTypeText(rest::ContentType::ApplicationFormUrlEncoded);
    for (const Parameter& P : FParams) {
      if (P.Kind != ParameterKind::GetOrPost) continue;
      if (!W.RawBody.empty()) W.RawBody += '&';
      W.RawBody += Encoded(P, P.Name) + "=" + Encoded(P, P.Value);
    }
  } else if (Method != rest::Method::Get && Method != rest::Method::Delete) {
    W.SendsBody = true;  // an empty body, announced with Content-Length: 0
  }
  if (!W.Multipart && W.SendsBody && !ExplicitContentType)
    W.Headers.push_back(BodyType.empty() ? std::string("Content-Type:")
                                         : "Content-Type: " + BodyType);
  // Large bodies go out at once instead of waiting for "100 Continue".
  W.Headers.push_back("Expect:");

  for (const std::string& Line : W.Headers) CheckHeaderLine(Line);
  CheckHeaderLine(W.Cookie);
  CheckHeaderLine(W.UserAgent);
  CheckHeaderLine(W.AcceptEncoding);

  Perform(W, *Response);

  if (OnAfterExecute) OnAfterExecute();
  if (Response->StatusCode() >= 400 && OnHTTPProtocolError) OnHTTPProtocolError();
  if (Client->RaiseExceptionOn500 && Response->StatusCode() >= 500) {
    std::string Message = "HTTP error " + std::to_string(Response->StatusCode());
    if (!Response->StatusText().empty()) Message += ": " + Response->StatusText();
    throw Exception(Message);
  }
}

}  // namespace bramble::rest
