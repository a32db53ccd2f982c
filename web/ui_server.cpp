#include "web/ui_server.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <nlohmann/json.hpp>
#include <thread>

#include "messages/message_editor.h"
#include "resources/control_ids.h"
#include "web/dialog_layout.h"
#include "web/page_files.h"

namespace {

constexpr size_t SERVER_THREADS = 24;             // two pages' streams and connections, with room
constexpr size_t MAX_REQUEST = 16 * 1024 * 1024;  // a programming file, base64, with room
constexpr auto STREAM_KEEPALIVE = std::chrono::seconds(15);

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

// A header value safe inside quotes.
std::string quoted_file_name(const std::string& name) {
  std::string out;
  for (const char c : name)
    out += (c == '"' || c == '\\' || static_cast<unsigned char>(c) >= 0x80) ? '_' : c;
  return out;
}

}  // namespace

struct UiServer::Parts {
  UiModel& model;
  UiEventQueue& queue;
  DownloadShelf& downloads;
  httplib::Server http;
  std::thread thread;
  ServedAddress served;
  int port = 0;
  std::string bound_host;
  std::atomic<int> open_streams{0};

  void serve(const httplib::Request& request, httplib::Response& response);
  void stream_events(httplib::Response& response);
};

UiServer::UiServer(UiModel& model, UiEventQueue& queue, DownloadShelf& downloads)
    : parts_(new Parts{model, queue, downloads, {}, {}, {}, 0, {}}) {
  httplib::Server& http = parts_->http;
  http.new_task_queue = [] { return new httplib::ThreadPool(SERVER_THREADS); };
  http.set_payload_max_length(MAX_REQUEST);
  // Each change goes out as soon as it is written: small writes must not wait for an ACK.
  http.set_tcp_nodelay(true);
  // Short, so that stopping does not wait long on idle connections.
  http.set_keep_alive_timeout(1);
  http.set_default_headers({{"Cache-Control", "no-store"},
                            {"X-Content-Type-Options", "nosniff"},
                            {"Referrer-Policy", "no-referrer"},
                            {"Content-Security-Policy", CONTENT_SECURITY_POLICY}});
  Parts* parts = parts_.get();
  const auto handler = [parts](const httplib::Request& request, httplib::Response& response) {
    parts->serve(request, response);
  };
  // Every method reaches the guard, so that each refusal is the same 403.
  http.Get(".*", handler);
  http.Post(".*", handler);
  http.Put(".*", handler);
  http.Patch(".*", handler);
  http.Delete(".*", handler);
  http.Options(".*", handler);
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

void UiServer::Parts::serve(const httplib::Request& request, httplib::Response& response) {
  RequestFacts facts;
  facts.method = request.method;
  facts.path = request.path;
  facts.host = request.get_header_value("Host");
  if (request.has_header("Origin")) facts.origin = request.get_header_value("Origin");
  facts.cookie = request.get_header_value("Cookie");
  if (request.has_param("token")) facts.url_token = request.get_param_value("token");
  const RequestVerdict verdict = check_request(served, facts);
  if (!verdict.allowed) {
    response.status = 403;
    response.set_content(verdict.refusal + "\n", "text/plain; charset=utf-8");
    return;
  }
  if (verdict.token_from_address) {
    // The token leaves the address bar and the history: from now on it travels as a cookie only
    // this page's own requests carry.
    response.set_header("Set-Cookie", served.cookie_name() + "=" + served.token +
                                          "; HttpOnly; SameSite=Strict; Path=/");
    response.set_redirect("/", 303);
    return;
  }

  if (request.method == "POST") {
    std::string error;
    std::optional<std::vector<UiEvent>> events = parse_ui_events(request.body, error);
    if (!events) {
      response.status = 400;
      response.set_content("bad events: " + error + "\n", "text/plain; charset=utf-8");
      return;
    }
    queue.push(std::move(*events));
    response.status = 202;
    response.set_content("queued\n", "text/plain; charset=utf-8");
    return;
  }
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

void UiServer::Parts::stream_events(httplib::Response& response) {
  auto sequence = std::make_shared<uint64_t>(0);
  auto started = std::make_shared<bool>(false);
  UiModel* changes = &model;
  std::atomic<int>* streams = &open_streams;
  ++open_streams;
  response.set_chunked_content_provider(
      "text/event-stream",
      [changes, sequence, started](size_t, httplib::DataSink& sink) {
        std::string text;
        if (!*started) {
          *started = true;
          text = "retry: 1000\nevent: snapshot\ndata: " + changes->snapshot(*sequence) + "\n\n";
        } else {
          const std::optional<std::string> events = changes->next_events(
              *sequence, std::chrono::duration_cast<std::chrono::milliseconds>(STREAM_KEEPALIVE));
          if (!events) {
            sink.done();
            return true;
          }
          // A comment now and then finds a page that has gone.
          text = events->empty() ? ": still here\n\n" : *events;
        }
        return sink.write(text.data(), text.size());
      },
      [streams](bool) { --*streams; });
}
