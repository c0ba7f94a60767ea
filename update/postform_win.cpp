#include "update/postform.h"

namespace tabulora::update {

std::string PostForm(const std::string& url, const RequestFields& fields, int timeoutMs) {
    const std::string body = EncodeFormBody(fields);
    return UsesHttpsClient(url) ? PostFormHttps(url, body, timeoutMs) : PostFormPlainHttp(url, body, timeoutMs);
}

}  // namespace tabulora::update
