#pragma once
// One HTTP exchange over libcurl, described completely by a Wire. Request builds the Wire;
// Perform sends it and fills a Response.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/rest/Client.h"
#include "platform/rest/Types.h"

namespace bramble::rest {

class Response;

struct MultipartPart {
  std::string Name;
  std::string Data;
  std::string FileName;     // "" for a plain field
  std::string ContentType;  // "" for none
  bool IsFile = false;
};

struct Wire {
  std::string Url;
  rest::Method Method = rest::Method::Get;
  std::vector<std::string> Headers;  // complete "Name: value" lines
  std::string Cookie;                // "a=1; b=2", "" for none
  std::string UserAgent;
  std::string AcceptEncoding;  // "" for none
  bool SendsBody = false;      // a body (possibly empty) follows the header
  bool Multipart = false;      // body made of Parts, else of RawBody
  std::string RawBody;
  std::vector<MultipartPart> Parts;
  std::int32_t TimeoutMs = 0;
  std::size_t MaxBodyBytes = 0;  // a longer answer fails the exchange
  ProxySettings Proxy;
};

// Runs the exchange; Out must be empty. Raises bramble::Exception with the transport's
// message when no complete answer arrived.
void Perform(const Wire& AWire, Response& Out);

}  // namespace bramble::rest
