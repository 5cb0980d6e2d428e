#pragma once
// A libcurl client for the update-server tests: one transfer, everything a test looks at.

#include <curl/curl.h>

#include <string>

namespace servetest {

struct FetchOptions {
    long timeoutMs = 5000;        // whole transfer
    bool followRedirects = false;
    bool pathAsIs = false;        // send "/../" as written
    bool head = false;
    std::string postBody;         // non-empty: POST this body, form-encoded type
};

struct FetchResult {
    CURLcode code = CURLE_OK;
    long status = 0;
    std::string body;
    std::string headers;          // every header line received, as received
    long long contentLength = -1; // announced Content-Length, -1 when none
    long newConnections = 0;      // connections this transfer opened
    long localPort = 0;
    long redirects = 0;
    double seconds = 0;           // whole transfer time

    bool HasHeader(const std::string& nameAndValue) const;
};

// A client keeping one easy handle, so successive transfers can reuse its connection.
class HttpClient {
public:
    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    FetchResult Fetch(const std::string& url, const FetchOptions& options = {});

private:
    CURL* m_curl;
};

// One transfer on a fresh handle (a new connection).
FetchResult Fetch(const std::string& url, const FetchOptions& options = {});

}  // namespace servetest
