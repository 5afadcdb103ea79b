#include "fetch/TlsSupport.h"

#include <curl/curl.h>

bool HttpsSupported() {
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    return info && (info->features & CURL_VERSION_SSL) != 0;
}
