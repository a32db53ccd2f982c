#include "web/ui_server.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <list>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "messages/message_editor.h"
#include "resources/control_ids.h"
#include "web/bounded_http_server.h"
#include "web/dialog_layout.h"
#include "web/page_files.h"

namespace {

constexpr size_t SERVER_THREADS = 24;
// What one connection may send: a request line and headers (the page's take under 2 KiB), and
// the largest body with room for its chunked framing.
constexpr size_t REQUEST_BUDGET = MAX_EVENTS_REQUEST + 128 * 1024;
// Each page follows the window on a stream that holds one of the threads while it is open. A
// browser keeps six connections to one server: four streams leave it two for the page's
// requests, and leave the server twenty. A fifth stream ends the oldest, which tells its page.
constexpr size_t MAX_STREAMS = 4;
// How long a new page waits for the streams of pages that have gone to end before it ends the
// oldest stream: each only has to find its socket closed.
constexpr auto GONE_PAGES_WAIT = std::chrono::milliseconds(50);
constexpr auto STREAM_KEEPALIVE = std::chrono::seconds(15);
constexpr const char* DROPPED_TEXT =
    "This page has stopped following ostrel ui: it serves four pages at a time, and newer ones "
    "are open. Reload this page to use it again.";

// Nothing is fetched from elsewhere, nothing runs inline, nothing frames the page.
constexpr const char* CONTENT_SECURITY_POLICY =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
    "connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

std::string content_type(const std::string& url) {
  const auto ends_with = [&](const char* tail) {
    const std::string t = tail;
    return url.size() >= t.size() && url.compare(url.size() - t.size(), t.size(), t) == 0;
  };
  if (ends_with(".js")) return "text/javascript; charset=utf-8";
  if (ends_with(".css")) return "text/css; charset=utf-8";
  if (ends_with(".ico")) return "image/x-icon";
  return "text/html; charset=utf-8";
}

const PageFile* page_file(const std::string& url) {
  const std::string wanted = url == "/" ? "/index.html" : url;
  for (const PageFile& file : page_files()) {
    if (wanted == file.url) return &file;
  }
  return nullptr;
}

// The templates as the page draws them.
std::string layout_json() {
  nlohmann::json dialogs = nlohmann::json::object();
  for (const LayoutDialog& d : dialog_layouts()) {
    nlohmann::json controls = nlohmann::json::array();
    for (const LayoutControl& c : d.controls) {
      const LayoutControl* caption = caption_of(d, c);
      controls.push_back({{"kind", c.kind},
                          {"id", c.id},
                          {"text", c.text},
                          {"x", c.x},
                          {"y", c.y},
                          {"w", c.w},
                          {"h", c.h},
                          {"styles", c.styles},
                          {"align", c.align},
                          {"default", c.default_button},
                          // What names it for a screen reader; none: the window's title.
                          {"caption", caption ? nlohmann::json(caption->id) : nlohmann::json()}});
      if (d.id == IDD_MAIN && is_message_box(c.id))
        controls.back()["accepts"] = message_filter_characters();
    }
    dialogs[std::to_string(d.id)] = {{"caption", d.caption},
                                     {"font", d.font_face},
                                     {"size", d.font_size},
                                     {"w", d.w},
                                     {"h", d.h},
                                     {"controls", controls}};
  }
  return dialogs.dump();
}

void refuse(httplib::Response& response, int status, const std::string& why) {
  response.status = status;
  response.set_content(why + "\n", "text/plain; charset=utf-8");
}

std::string kib(size_t bytes) {
  return std::to_string(bytes / 1024) + " KiB";
}

void refuse_too_large(httplib::Response& response) {
  refuse(response, 413,
         "refused: a request larger than " + kib(MAX_EVENTS_REQUEST) +
             "; the page sends files of up to " + kib(MAX_PICKED_FILE));
}

// A header value safe inside quotes.
std::string quoted_file_name(const std::string& name) {
  std::string out;
  for (const char c : name)
    out += (c == '"' || c == '\\' || static_cast<unsigned char>(c) >= 0x80) ? '_' : c;
  return out;
}

}  // namespace

struct UiServer::Parts {
  Parts(UiModel& model, UiEventQueue& queue, DownloadShelf& downloads)
      : model(model), queue(queue), downloads(downloads) {}

  UiModel& model;
  UiEventQueue& queue;
  DownloadShelf& downloads;
  BoundedHttpServer http{REQUEST_BUDGET};
  std::thread thread;
  ServedAddress served;
  int port = 0;
  std::string bound_host;
  std::atomic<int> open_streams{0};
  std::mutex streams_mutex;
  std::list<std::shared_ptr<std::atomic<bool>>> streams;  // the open ones, oldest first

  bool admit(const httplib::Request& request, httplib::Response& response);
  void take_events(httplib::Response& response, const httplib::ContentReader& read_body);
  void serve(const httplib::Request& request, httplib::Response& response);
  void stream_events(httplib::Response& response);
  std::shared_ptr<std::atomic<bool>> open_stream();
  void close_stream(const std::shared_ptr<std::atomic<bool>>& stream);
};

UiServer::UiServer(UiModel& model, UiEventQueue& queue, DownloadShelf& downloads)
    : parts_(new Parts(model, queue, downloads)) {
  httplib::Server& http = parts_->http;
  http.new_task_queue = [] { return new httplib::ThreadPool(SERVER_THREADS); };
  // The library's own cap, for bodies with a length; ours (admit, take_events) comes first and
  // holds chunked ones too.
  http.set_payload_max_length(MAX_EVENTS_REQUEST);
  // Each change goes out as soon as it is written: small writes must not wait for an ACK.
  http.set_tcp_nodelay(true);
  // Short, so that stopping does not wait long on idle connections.
  http.set_keep_alive_timeout(1);
  http.set_default_headers({{"Cache-Control", "no-store"},
                            {"X-Content-Type-Options", "nosniff"},
                            {"Referrer-Policy", "no-referrer"},
                            {"Content-Security-Policy", CONTENT_SECURITY_POLICY}});
  Parts* parts = parts_.get();
  // The library calls this once it has the headers, before it reads any body: whatever the
  // method, a request the guard refuses is answered from its headers alone.
  http.set_pre_routing_handler(
      [parts](const httplib::Request& request, httplib::Response& response) {
        return parts->admit(request, response) ? httplib::Server::HandlerResponse::Unhandled
                                               : httplib::Server::HandlerResponse::Handled;
      });
  // A client that waits for "100 Continue" before it sends its body is refused instead.
  http.set_expect_100_continue_handler(
      [parts](const httplib::Request& request, httplib::Response& response) {
        return parts->admit(request, response) ? 100 : response.status;
      });
  http.Get(".*", [parts](const httplib::Request& request, httplib::Response& response) {
    parts->serve(request, response);
  });
  // The body is read here, by us, as far as the cap and no further.
  http.Post("/api/events", [parts](const httplib::Request&, httplib::Response& response,
                                   const httplib::ContentReader& read_body) {
    parts->take_events(response, read_body);
  });
}

UiServer::~UiServer() {
  stop();
}

bool UiServer::bind(const std::string& host, int port, std::string& error) {
  parts_->bound_host = host;
  if (port == 0) {
    parts_->port = parts_->http.bind_to_any_port(host);
  } else if (parts_->http.bind_to_port(host, port)) {
    parts_->port = port;
  } else {
    parts_->port = -1;
  }
  if (parts_->port <= 0) {
    error = "cannot listen on " + host + ":" + std::to_string(port) +
            " (in use, or not an address of this machine)";
    return false;
  }
  return true;
}

int UiServer::port() const {
  return parts_->port;
}

int UiServer::open_pages() const {
  return parts_->open_streams.load();
}

void UiServer::start(const ServedAddress& served) {
  parts_->served = served;
  parts_->thread = std::thread([this] { parts_->http.listen_after_bind(); });
}

void UiServer::stop() {
  // The streams end once they have sent what is left, the program's last word among it; the
  // server stops writing as soon as it stops, so it waits for them a moment first.
  parts_->model.close();
  for (int i = 0; i < 100 && parts_->open_streams.load() > 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  parts_->http.stop();
  if (parts_->thread.joinable()) parts_->thread.join();
}

bool UiServer::Parts::admit(const httplib::Request& request, httplib::Response& response) {
  RequestFacts facts;
  facts.method = request.method;
  facts.path = request.path;
  facts.host = request.get_header_value("Host");
  if (request.has_header("Origin")) facts.origin = request.get_header_value("Origin");
  facts.cookie = request.get_header_value("Cookie");
  if (request.has_param("token")) facts.url_token = request.get_param_value("token");
  const RequestVerdict verdict = check_request(served, facts);
  if (!verdict.allowed) {
    refuse(response, 403, verdict.refusal);
    return false;
  }
  if (verdict.token_from_address) {
    // The token leaves the address bar and the history: from now on it travels as a cookie only
    // this page's own requests carry.
    response.set_header("Set-Cookie", served.cookie_name() + "=" + served.token +
                                          "; HttpOnly; SameSite=Strict; Path=/");
    response.set_redirect("/", 303);
    return false;
  }
  if (request.has_header("Content-Length") &&
      request.get_header_value<uint64_t>("Content-Length") > MAX_EVENTS_REQUEST) {
    refuse_too_large(response);
    return false;
  }
  return true;
}

void UiServer::Parts::take_events(httplib::Response& response,
                                  const httplib::ContentReader& read_body) {
  std::string body;
  bool too_large = false;
  // Chunked or not: past the cap the reading stops and nothing of it is kept.
  const bool complete = read_body([&](const char* data, size_t length) {
    too_large = length > MAX_EVENTS_REQUEST - body.size();
    if (!too_large) body.append(data, length);
    return !too_large;
  });
  if (too_large) {
    refuse_too_large(response);
    return;
  }
  if (!complete) {
    refuse(response, 400, "bad events: the body ended early");
    return;
  }
  std::string error;
  std::optional<std::vector<UiEvent>> events = parse_ui_events(body, error);
  if (!events) {
    refuse(response, 400, "bad events: " + error);
    return;
  }
  queue.push(std::move(*events));
  response.status = 202;
  response.set_content("queued\n", "text/plain; charset=utf-8");
}

void UiServer::Parts::serve(const httplib::Request& request, httplib::Response& response) {
  if (request.path == "/events") {
    stream_events(response);
  } else if (request.path == "/layout.json") {
    response.set_content(layout_json(), "application/json");
  } else if (request.path.rfind("/download/", 0) == 0) {
    const std::optional<Download> download = downloads.get(std::stoi(request.path.substr(10)));
    if (!download) {
      response.status = 404;
      response.set_content("no such download\n", "text/plain; charset=utf-8");
      return;
    }
    response.set_header("Content-Disposition",
                        "attachment; filename=\"" + quoted_file_name(download->name) + "\"");
    response.set_content(download->bytes, "application/octet-stream");
  } else if (const PageFile* file = page_file(request.path)) {
    response.set_content(reinterpret_cast<const char*>(file->bytes), file->size,
                         content_type(file->url));
  } else {
    response.status = 404;
    response.set_content("not found\n", "text/plain; charset=utf-8");
  }
}

std::shared_ptr<std::atomic<bool>> UiServer::Parts::open_stream() {
  auto stream = std::make_shared<std::atomic<bool>>(false);
  std::unique_lock<std::mutex> lock(streams_mutex);
  if (streams.size() >= MAX_STREAMS) {
    // A page closed or reloaded keeps its place until its stream next looks: the streams look now,
    // so that the places of pages that have gone are taken before a live page's.
    lock.unlock();
    model.wake();
    const auto until = std::chrono::steady_clock::now() + GONE_PAGES_WAIT;
    for (lock.lock(); streams.size() >= MAX_STREAMS && std::chrono::steady_clock::now() < until;
         lock.lock()) {
      lock.unlock();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  streams.push_back(stream);
  if (streams.size() > MAX_STREAMS) {
    streams.front()->store(true);
    streams.pop_front();
    model.wake();
  }
  return stream;
}

void UiServer::Parts::close_stream(const std::shared_ptr<std::atomic<bool>>& stream) {
  std::lock_guard<std::mutex> lock(streams_mutex);
  streams.remove(stream);
}

void UiServer::Parts::stream_events(httplib::Response& response) {
  auto sequence = std::make_shared<uint64_t>(0);
  auto started = std::make_shared<bool>(false);
  std::shared_ptr<std::atomic<bool>> dropped = open_stream();
  UiModel* changes = &model;
  Parts* parts = this;
  ++open_streams;
  response.set_chunked_content_provider(
      "text/event-stream",
      [changes, sequence, started, dropped](size_t, httplib::DataSink& sink) {
        std::string text;
        if (!*started) {
          *started = true;
          text = "retry: 1000\nevent: snapshot\ndata: " + changes->snapshot(*sequence) + "\n\n";
        } else {
          const std::optional<std::string> events = changes->next_events(
              *sequence, std::chrono::duration_cast<std::chrono::milliseconds>(STREAM_KEEPALIVE),
              dropped.get());
          if (!events) {
            sink.done();
            return true;
          }
          // A page that has gone frees its place at the first wake, rather than at a write that
          // fails after it: a newer page would end a live one's stream meanwhile.
          if (!sink.is_writable()) return false;
          if (dropped->load()) {
            // Its page stops following rather than come back and end another page's stream.
            text =
                "event: dropped\ndata: " + nlohmann::json{{"text", DROPPED_TEXT}}.dump() + "\n\n";
            sink.write(text.data(), text.size());
            sink.done();
            return true;
          }
          // A comment now and then finds a page that has gone.
          text = events->empty() ? ": still here\n\n" : *events;
        }
        return sink.write(text.data(), text.size());
      },
      [parts, dropped](bool) {
        parts->close_stream(dropped);
        --parts->open_streams;
      });
}
