#include "tests/tools/serve/HttpFetch.h"

#include <algorithm>
#include <cctype>

namespace servetest {

namespace {

size_t Append(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

struct GlobalInit {
    GlobalInit() { curl_global_init(CURL_GLOBAL_DEFAULT); }
    ~GlobalInit() { curl_global_cleanup(); }
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

bool FetchResult::HasHeader(const std::string& nameAndValue) const {
    return Lower(headers).find(Lower(nameAndValue) + "\r\n") != std::string::npos;
}

HttpClient::HttpClient() {
    static GlobalInit init;
    m_curl = curl_easy_init();
}

HttpClient::~HttpClient() { curl_easy_cleanup(m_curl); }

FetchResult HttpClient::Fetch(const std::string& url, const FetchOptions& options) {
    FetchResult result;
    curl_easy_reset(m_curl);
    curl_easy_setopt(m_curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, &result.body);
    curl_easy_setopt(m_curl, CURLOPT_HEADERFUNCTION, Append);
    curl_easy_setopt(m_curl, CURLOPT_HEADERDATA, &result.headers);
    curl_easy_setopt(m_curl, CURLOPT_TIMEOUT_MS, options.timeoutMs);
    curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_curl, CURLOPT_FOLLOWLOCATION, options.followRedirects ? 1L : 0L);
    curl_easy_setopt(m_curl, CURLOPT_PATH_AS_IS, options.pathAsIs ? 1L : 0L);
    if (options.head) curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
    if (!options.postBody.empty()) {
        curl_easy_setopt(m_curl, CURLOPT_POSTFIELDS, options.postBody.data());
        curl_easy_setopt(m_curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(options.postBody.size()));
    }
    result.code = curl_easy_perform(m_curl);
    curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &result.status);
    curl_off_t length = -1;
    curl_easy_getinfo(m_curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    result.contentLength = length;
    curl_easy_getinfo(m_curl, CURLINFO_NUM_CONNECTS, &result.newConnections);
    curl_easy_getinfo(m_curl, CURLINFO_LOCAL_PORT, &result.localPort);
    curl_easy_getinfo(m_curl, CURLINFO_REDIRECT_COUNT, &result.redirects);
    curl_easy_getinfo(m_curl, CURLINFO_TOTAL_TIME, &result.seconds);
    return result;
}

FetchResult Fetch(const std::string& url, const FetchOptions& options) {
    HttpClient client;
    return client.Fetch(url, options);
}

}  // namespace servetest
