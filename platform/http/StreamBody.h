#pragma once
// Stage that prepares a stream body for sending.
#include "platform/http/Pipeline.h"

namespace bramble::http {

// After the later stages and the handler have run, a response with a stream body gets the
// content type "application/octet-stream" and "Content-Disposition: attachment" unless the
// handler set them. The server then sends the whole stream from its first byte with its
// length as "Content-Length" and releases it.
Stage StreamBody();

}  // namespace bramble::http
