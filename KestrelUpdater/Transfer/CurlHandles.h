#pragma once

#include <curl/curl.h>
#include <memory>

namespace KestrelUpdater {

// libcurl's process-wide set-up, done once whichever thread asks first.
void initialiseCurl();

struct CurlEasyFree {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct CurlMultiFree {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct CurlListFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

using CurlEasy = std::unique_ptr<CURL, CurlEasyFree>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiFree>;
using CurlList = std::unique_ptr<curl_slist, CurlListFree>;

// An easy handle added to a multi handle for as long as this lives; it must go before either handle.
class CurlAttachment {
public:
    CurlAttachment(CURLM* multi, CURL* easy) : m_multi(multi), m_easy(easy)
    {
        m_added = curl_multi_add_handle(multi, easy) == CURLM_OK;
    }
    ~CurlAttachment()
    {
        if (m_added)
            curl_multi_remove_handle(m_multi, m_easy);
    }
    CurlAttachment(const CurlAttachment&) = delete;
    CurlAttachment& operator=(const CurlAttachment&) = delete;
    bool added() const { return m_added; }

private:
    CURLM* m_multi;
    CURL* m_easy;
    bool m_added = false;
};

} // namespace KestrelUpdater
