#include "server/MountFetch.h"

#include <curl/curl.h>

#include "store/CtrlFile.h"

namespace korvi {

namespace {

size_t Drop(char*, size_t size, size_t n, void*) {
    return size * n;
}

}  // namespace

UrlMount::Fetch MkMountFetch(CtrlFile& ctrl, const DlSrchOpt& opt) {
    const QByteArray proxy = opt.address.trimmed().toUtf8();
    const long proxyPort = opt.port;
    const QByteArray agent = opt.user_agent.toUtf8();
    return [&ctrl, proxy, proxyPort, agent](const QString& url, int timeoutMs) {
        CURL* h = curl_easy_init();
        if (!h) {
            ctrl.SaveErrLog(QStringLiteral("UrlMount Fetch Error : no handle"));
            return false;
        }
        const QByteArray u = url.toUtf8();
        curl_easy_setopt(h, CURLOPT_URL, u.constData());
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, long(timeoutMs > 0 ? timeoutMs : 10000));
        curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, Drop);
        curl_easy_setopt(h, CURLOPT_USERAGENT, agent.constData());
        // Only the profile's proxy, never one from the environment.
        curl_easy_setopt(h, CURLOPT_PROXY, proxy.constData());
        if (!proxy.isEmpty() && proxyPort > 0) curl_easy_setopt(h, CURLOPT_PROXYPORT, proxyPort);
        const CURLcode rc = curl_easy_perform(h);
        long status = 0;
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_cleanup(h);
        if (rc != CURLE_OK) {
            ctrl.SaveErrLog(QStringLiteral("UrlMount Fetch Error : ") +
                            QString::fromUtf8(curl_easy_strerror(rc)) + u' ' + url);
            return false;
        }
        return status > 0 && status < 400;
    };
}

}  // namespace korvi
