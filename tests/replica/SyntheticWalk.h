#pragma once

// Reading the synthetic portal as the crawler does, for the replica's tests: a libcurl client
// and a walk of the search pages by the crawler's own result-list reader.
#include "tests/crawl/ResultListRun.h"

#include <curl/curl.h>

#include <QString>
#include <QStringList>
#include <memory>
#include <stdexcept>
#include <string>

// One libcurl handle for all requests of a test, so the connection is reused.
class Client {
public:
    Client() : curl_(curl_easy_init(), &curl_easy_cleanup) {
        if (!curl_) throw std::runtime_error("curl_easy_init failed");
    }
    std::string get(const std::string& url, long* status = nullptr) {
        std::string body;
        CURL* h = curl_.get();
        curl_easy_setopt(h, CURLOPT_URL, url.c_str());
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Client::append);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, 5000L);
        curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
        if (curl_easy_perform(h) != CURLE_OK) throw std::runtime_error("request failed: " + url);
        if (status) curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, status);
        return body;
    }
    QString get(const QString& url) { return QString::fromStdString(get(url.toStdString())); }

private:
    static std::size_t append(char* data, std::size_t size, std::size_t count, void* body) {
        static_cast<std::string*>(body)->append(data, size * count);
        return size * count;
    }
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl_;
};

// What a crawl of the result lists reached: the cards queued, in order, and the pages read.
struct Walk {
    QStringList cards;
    QStringList pages;
};

// Runs the crawler's result-list reading from the start address over every search page the
// queue reaches, splits included; cards are collected instead of fetched.
inline Walk WalkSearch(Client& client, ResultListRun& run, const QString& start) {
    Walk walk;
    run.queue.addTail(start);
    while (!run.queue.isEmpty()) {
        const QString job = run.queue.takeHead();
        if (!job.contains(u"/results.html?")) {
            walk.cards << job;
            continue;
        }
        walk.pages << job;
        run.parse(job, client.get(job));
    }
    return walk;
}
