// The HTTP side of `gridlet serve`: the page, the API and the rules every
// response follows (security headers, errors as JSON, limits on what a
// client may send).
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "web/conversion_service.h"

namespace httplib {
class Server;
}

namespace gridlet::web {

struct ServerLimits {
  std::size_t maxUpload = 16u << 20;  // the largest request body, in bytes
  std::size_t threads = 64;           // connections served at once
  std::size_t maxFiles = 256;         // files in one conversion request
};

class WebServer {
 public:
  WebServer(ConversionService& service, ServerLimits limits);
  ~WebServer();
  WebServer(const WebServer&) = delete;
  WebServer& operator=(const WebServer&) = delete;

  // Binds to the address; port 0 takes any free port. False when the
  // address cannot be had.
  bool Bind(const std::string& host, int port);
  int Port() const { return port_; }

  // Serves until Stop is called (from any thread).
  bool Run();
  void Stop();

  // Logs one line per request on stderr.
  void LogRequests();

 private:
  class Listener;
  void Routes();

  ConversionService& service_;
  ServerLimits limits_;
  std::unique_ptr<Listener> server_;
  std::string host_;
  int port_ = 0;
};

// Whether the host names this machine's loopback interface.
bool IsLoopbackHost(const std::string& host);

}  // namespace gridlet::web
