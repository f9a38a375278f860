#pragma once
// The one place that pulls in Boost.Beast and Boost.Asio; include it before any other Boost
// header. Boost 1.74's Asio uses std::exchange without including <utility> itself, which
// breaks the build in C++20 mode unless <utility> comes first.
#include <utility>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
