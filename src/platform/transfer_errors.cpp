#include "platform/transfer_errors.h"

#include <curl/curl.h>

namespace pellucor {
namespace {

const char16_t* Description(int code) {
  switch (code) {
    case CURLE_COULDNT_CONNECT:
      return u"サーバに接続できませんでした";
    case CURLE_COULDNT_RESOLVE_HOST:
      return u"サーバ名が見つかりませんでした";
    case CURLE_COULDNT_RESOLVE_PROXY:
      return u"プロキシサーバ名が見つかりませんでした";
    case CURLE_OPERATION_TIMEDOUT:
      return u"サーバからの応答が時間内にありませんでした";
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
      return u"通信が途中で切断されました";
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT:
      return u"暗号化通信（SSL/TLS）を確立できませんでした";
    case CURLE_TOO_MANY_REDIRECTS:
      return u"転送（リダイレクト）の回数が多すぎます";
    default:
      return nullptr;
  }
}

}  // namespace

Text DescribeTransferFailure(int code, std::string_view client_text) {
  Text text = FromUtf8(client_text);
  const char16_t* description = Description(code);
  if (!description) return text;
  return Text(description) + u"(" + text + u")";
}

}  // namespace pellucor
