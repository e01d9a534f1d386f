#include "web/serve_command.h"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <thread>

#include "cli/usage_error.h"
#include "web/conversion_service.h"
#include "web/web_server.h"

namespace gridlet::web {

namespace {

// Waits on its own thread for the signals that end the server. They are
// blocked in every other thread, so no handler runs in the middle of a
// request.
class StopOnSignal {
 public:
  explicit StopOnSignal(WebServer& server) {
    sigemptyset(&signals_);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigaddset(&signals_, signal);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
    waiter_ = std::thread([this, &server] {
      int received = 0;
      sigwait(&signals_, &received);
      if (received != SIGUSR1) {
        std::fprintf(stderr, "gridlet: stopping\n");
        server.Stop();
      }
    });
  }
  ~StopOnSignal() {
    // The server ended by itself: wake the waiter.
    pthread_kill(waiter_.native_handle(), SIGUSR1);
    waiter_.join();
  }

 private:
  sigset_t signals_;
  std::thread waiter_;
};

std::string Address(const std::string& host, int port) {
  const std::string shown = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  return "http://" + shown + ":" + std::to_string(port) + "/";
}

}  // namespace

std::optional<std::size_t> ParseByteSize(const std::string& text) {
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front()))) return std::nullopt;
  std::size_t used = 0;
  unsigned long long value = 0;
  try {
    value = std::stoull(text, &used);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  const std::string unit = text.substr(used);
  unsigned shift = 0;
  if (unit == "K" || unit == "k") shift = 10;
  else if (unit == "M" || unit == "m") shift = 20;
  else if (unit == "G" || unit == "g") shift = 30;
  else if (!unit.empty()) return std::nullopt;
  if (value > (~0ull >> shift)) return std::nullopt;
  return static_cast<std::size_t>(value << shift);
}

int RunServe(const ServeOptions& options) {
  const std::optional<std::size_t> maxUpload = ParseByteSize(options.maxUpload);
  if (!maxUpload || *maxUpload == 0) {
    return cli::UsageError("--max-upload takes a size such as 16M, 512K or 1048576");
  }
  if (options.port < 0 || options.port > 65535) return cli::UsageError("--port takes 0 to 65535");
  const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
  ServiceOptions service;
  service.jobs = options.jobs ? options.jobs : processors;
  service.spreadsheets = options.spreadsheets ? options.spreadsheets : std::min<std::size_t>(service.jobs, 2);
  service.timeLimit = std::chrono::seconds(std::max(1u, options.timeout));
  service.wait = service.timeLimit;
  std::signal(SIGPIPE, SIG_IGN);

  ConversionService conversions(service);
  ServerLimits limits;
  limits.maxUpload = *maxUpload;
  WebServer server(conversions, limits);
  if (options.log) server.LogRequests();
  if (!server.Bind(options.host, options.port)) {
    std::fprintf(stderr, "gridlet: error: cannot listen on %s port %d (in use, or not an address of this machine)\n",
                 options.host.c_str(), options.port);
    return cli::EXIT_FAILED;
  }
  if (!IsLoopbackHost(options.host)) {
    std::fprintf(stderr, "gridlet: warning: listening on %s: anyone who can reach this machine can use the service\n",
                 options.host.c_str());
  }
  std::printf("Gridlet serves on %s (Ctrl-C stops it)\n", Address(options.host, server.Port()).c_str());
  std::fflush(stdout);
  StopOnSignal stop(server);
  server.Run();
  return cli::EXIT_OK;
}

}  // namespace gridlet::web
