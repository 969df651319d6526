// A generated web site for crawl benchmarks, served on 127.0.0.1.
//
//   bench_site_server PAGES [DELAY_MS] [PORT]
//
// Page i (/p/i.html, with /p/0.html also at /) is about 10 KB of text with
// 20 links: its children 20*i+1 .. 20*i+20 while those exist, then pages
// spread over the site (already seen by a crawler, as real sites repeat
// their links). Every answer waits DELAY_MS first. Connections stay open for
// up to 100 requests and answers go out without Nagle's delay, as production
// servers send them. Prints the port, then serves until killed.

// A production server's accept queue: with the library's default of 5, the
// clients' reconnects after every 100th request overflow it, and a dropped
// SYN is sent again only after a second.
#define CPPHTTPLIB_LISTEN_BACKLOG 128
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

std::string Page(long i, long pages) {
    std::string html;
    html.reserve(11000);
    html += "<html><head><meta charset=\"UTF-8\"><title>Page ";
    html += std::to_string(i);
    html += " カラスの観察</title></head><body><h1>Page ";
    html += std::to_string(i);
    html += "</h1>\n";
    static const char* kText =
        "<p>The crow is a clever bird that uses tools and remembers faces. "
        "カラスはとても賢い鳥で、道具を使い、人の顔を覚えます。 Sparrows and pigeons "
        "share the park with them all year round.</p>\n";
    for (int k = 0; k < 20; ++k) {
        long target = 20 * i + 1 + k;
        if (target >= pages) target = (i * 7919 + k * 104729) % pages;
        html += "<a href=\"/p/";
        html += std::to_string(target);
        html += ".html\">link ";
        html += std::to_string(k);
        html += "</a>\n";
        html += kText;
    }
    while (html.size() < 10000) html += kText;
    html += "</body></html>\n";
    return html;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PAGES [DELAY_MS] [PORT]\n", argv[0]);
        return 2;
    }
    const long pages = std::atol(argv[1]);
    const int delayMs = argc > 2 ? std::atoi(argv[2]) : 0;
    const int port = argc > 3 ? std::atoi(argv[3]) : 0;
    httplib::Server server;
    server.new_task_queue = [] { return new httplib::ThreadPool(64); };
    server.set_keep_alive_max_count(100);
    server.set_tcp_nodelay(true);
    auto handler = [&](const httplib::Request& req, httplib::Response& res) {
        if (delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        long i = 0;
        if (req.path != "/" && req.path != "/index.html") {
            if (req.path.rfind("/p/", 0) != 0) {
                res.status = 404;
                return;
            }
            i = std::atol(req.path.c_str() + 3);
            if (i < 0 || i >= pages) {
                res.status = 404;
                return;
            }
        }
        res.set_content(Page(i, pages), "text/html; charset=UTF-8");
    };
    server.Get(R"(/.*)", handler);
    const int bound = port > 0 ? (server.bind_to_port("127.0.0.1", port) ? port : -1)
                               : server.bind_to_any_port("127.0.0.1");
    if (bound <= 0) {
        std::fprintf(stderr, "cannot bind\n");
        return 1;
    }
    std::printf("%d\n", bound);
    std::fflush(stdout);
    server.listen_after_bind();
    return 0;
}
