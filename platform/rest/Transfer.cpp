#include "platform/rest/Transfer.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "platform/core/Exception.h"
#include "platform/rest/Request.h"
#include "platform/rest/Response.h"

namespace bramble::rest {

namespace {

void GlobalInit() {
  static std::once_flag Once;
  std::call_once(Once, [] {
    CURLcode Code = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (Code != CURLE_OK)
      throw Exception(std::string("HTTP client initialisation failed: ") +
                      curl_easy_strerror(Code));
  });
}

struct EasyDeleter {
  void operator()(CURL* Handle) const { curl_easy_cleanup(Handle); }
};
struct SlistDeleter {
  void operator()(curl_slist* List) const { curl_slist_free_all(List); }
};
struct MimeDeleter {
  void operator()(curl_mime* Mime) const { curl_mime_free(Mime); }
};

// State shared with libcurl's callbacks during one exchange.
struct Sink {
  Response* Out = nullptr;
  std::size_t MaxBodyBytes = 0;
  std::size_t HeaderBytes = 0;
  std::string Failure;  // set when a callback stops the transfer
};

std::string_view TrimLine(std::string_view S) {
  while (!S.empty() &&
         (S.back() == '\r' || S.back() == '\n' || S.back() == ' ' || S.back() == '\t'))
    S.remove_suffix(1);
  while (!S.empty() && (S.front() == ' ' || S.front() == '\t')) S.remove_prefix(1);
  return S;
}

// Reads "HTTP/1.1 404 Not Found"; false when the line is no status line.
bool ParseStatusLine(std::string_view Line, int& Code, std::string& Text) {
  if (Line.substr(0, 5) != "HTTP/") return false;
  std::size_t Space = Line.find(' ');
  if (Space == std::string_view::npos) return false;
  std::string_view Rest = Line.substr(Space + 1);
  if (Rest.size() < 3) return false;
  Code = 0;
  for (int I = 0; I < 3; ++I) {
    if (Rest[I] < '0' || Rest[I] > '9') return false;
    Code = Code * 10 + (Rest[I] - '0');
  }
  Text = std::string(TrimLine(Rest.substr(3)));
  return true;
}

size_t OnHeader(char* Data, size_t Size, size_t Count, void* User) {
  auto* S = static_cast<Sink*>(User);
  size_t Bytes = Size * Count;
  S->HeaderBytes += Bytes;
  if (S->HeaderBytes > Request::kMaxResponseHeaderBytes) {
    S->Failure =
        "Response headers exceed " + std::to_string(Request::kMaxResponseHeaderBytes) + " bytes";
    return 0;
  }
  std::string_view Line = TrimLine(std::string_view(Data, Bytes));
  int Code = 0;
  std::string Text;
  if (ParseStatusLine(Line, Code, Text)) {
    // A new answer begins (after a redirect or an interim 1xx): keep only the last one.
    S->Out->SetStatus(Code, std::move(Text));
    S->Out->ClearHeaders();
    return Bytes;
  }
  std::size_t Colon = Line.find(':');
  if (Colon != std::string_view::npos && Colon > 0)
    S->Out->AddHeader(TrimLine(Line.substr(0, Colon)), TrimLine(Line.substr(Colon + 1)));
  return Bytes;
}

size_t OnBody(char* Data, size_t Size, size_t Count, void* User) {
  auto* S = static_cast<Sink*>(User);
  size_t Bytes = Size * Count;
  if (S->Out->RawBytes().size() + Bytes > S->MaxBodyBytes) {
    S->Failure = "Response body exceeds " + std::to_string(S->MaxBodyBytes) + " bytes";
    return 0;
  }
  S->Out->AppendBody(Data, Bytes);
  return Bytes;
}

void Check(CURLcode Code) {
  if (Code != CURLE_OK) throw Exception(std::string("HTTP client: ") + curl_easy_strerror(Code));
}

}  // namespace

void Perform(const Wire& W, Response& Out) {
  GlobalInit();
  std::unique_ptr<CURL, EasyDeleter> Easy(curl_easy_init());
  if (!Easy) throw Exception("HTTP client: cannot create a transfer");
  CURL* H = Easy.get();

  char ErrorBuffer[CURL_ERROR_SIZE] = {};
  Sink S;
  S.Out = &Out;
  S.MaxBodyBytes = W.MaxBodyBytes;

  std::unique_ptr<curl_slist, SlistDeleter> Headers;
  for (const std::string& Line : W.Headers) {
    curl_slist* Next = curl_slist_append(Headers.get(), Line.c_str());
    if (Next == nullptr) throw Exception("HTTP client: out of memory");
    (void)Headers.release();
    Headers.reset(Next);
  }

  Check(curl_easy_setopt(H, CURLOPT_ERRORBUFFER, ErrorBuffer));
  Check(curl_easy_setopt(H, CURLOPT_NOSIGNAL, 1L));
  Check(curl_easy_setopt(H, CURLOPT_URL, W.Url.c_str()));
  Check(curl_easy_setopt(H, CURLOPT_PROTOCOLS_STR, "http,https"));
  Check(curl_easy_setopt(H, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"));
  Check(curl_easy_setopt(H, CURLOPT_FOLLOWLOCATION, 1L));
  Check(curl_easy_setopt(H, CURLOPT_MAXREDIRS, Request::kMaxRedirects));
  Check(curl_easy_setopt(H, CURLOPT_HTTPHEADER, Headers.get()));
  Check(curl_easy_setopt(H, CURLOPT_HEADERFUNCTION, OnHeader));
  Check(curl_easy_setopt(H, CURLOPT_HEADERDATA, &S));
  Check(curl_easy_setopt(H, CURLOPT_WRITEFUNCTION, OnBody));
  Check(curl_easy_setopt(H, CURLOPT_WRITEDATA, &S));
  if (!W.UserAgent.empty()) Check(curl_easy_setopt(H, CURLOPT_USERAGENT, W.UserAgent.c_str()));
  if (!W.Cookie.empty()) Check(curl_easy_setopt(H, CURLOPT_COOKIE, W.Cookie.c_str()));
  if (!W.AcceptEncoding.empty())
    Check(curl_easy_setopt(H, CURLOPT_ACCEPT_ENCODING, W.AcceptEncoding.c_str()));
  if (W.TimeoutMs > 0)
    Check(curl_easy_setopt(H, CURLOPT_TIMEOUT_MS, static_cast<long>(W.TimeoutMs)));

  // Only the proxy configured here is used: the environment's proxy variables are ignored.
  Check(curl_easy_setopt(H, CURLOPT_PROXY, W.Proxy.Server.c_str()));
  Check(curl_easy_setopt(H, CURLOPT_NOPROXY, ""));
  if (!W.Proxy.Server.empty()) {
    if (W.Proxy.Port > 0)
      Check(curl_easy_setopt(H, CURLOPT_PROXYPORT, static_cast<long>(W.Proxy.Port)));
    if (!W.Proxy.Username.empty() || !W.Proxy.Password.empty()) {
      Check(curl_easy_setopt(H, CURLOPT_PROXYUSERNAME, W.Proxy.Username.c_str()));
      Check(curl_easy_setopt(H, CURLOPT_PROXYPASSWORD, W.Proxy.Password.c_str()));
    }
  }

  std::unique_ptr<curl_mime, MimeDeleter> Mime;
  if (W.SendsBody && W.Multipart) {
    Mime.reset(curl_mime_init(H));
    for (const MultipartPart& P : W.Parts) {
      curl_mimepart* Part = curl_mime_addpart(Mime.get());
      Check(curl_mime_name(Part, P.Name.c_str()));
      Check(curl_mime_data(Part, P.Data.data(), P.Data.size()));
      if (P.IsFile) Check(curl_mime_filename(Part, P.FileName.c_str()));
      if (!P.ContentType.empty()) Check(curl_mime_type(Part, P.ContentType.c_str()));
    }
    Check(curl_easy_setopt(H, CURLOPT_MIMEPOST, Mime.get()));
  } else if (W.SendsBody) {
    Check(curl_easy_setopt(H, CURLOPT_POSTFIELDSIZE_LARGE,
                           static_cast<curl_off_t>(W.RawBody.size())));
    Check(curl_easy_setopt(H, CURLOPT_POSTFIELDS, W.RawBody.data()));
  } else {
    Check(curl_easy_setopt(H, CURLOPT_HTTPGET, 1L));
  }
  if (W.Method != Method::Get && W.Method != Method::Post)
    Check(curl_easy_setopt(H, CURLOPT_CUSTOMREQUEST, std::string(MethodText(W.Method)).c_str()));
  if (W.Method == Method::Post && !W.SendsBody) {
    Check(curl_easy_setopt(H, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(0)));
    Check(curl_easy_setopt(H, CURLOPT_POSTFIELDS, ""));
  }

  CURLcode Code = curl_easy_perform(H);
  if (Code != CURLE_OK) {
    std::string Message = !S.Failure.empty()    ? S.Failure
                          : ErrorBuffer[0] != 0 ? std::string(ErrorBuffer)
                                                : std::string(curl_easy_strerror(Code));
    Out.Reset();
    throw Exception(Message);
  }
}

}  // namespace bramble::rest
