// The calls of the FTP layer into libcurl, loaded at the first FTP session instead of with the
// library: libcurl brings some thirty libraries of its own (TLS, Kerberos, LDAP, SSH ...) whose
// loading would otherwise lengthen every start, also of the many entry calls that never reach a
// file server. The FTP code calls the functions of <curl/curl.h> as usual; the library defines
// them here (not exported), and each forwards to libcurl.so.4, which the first call loads.
// Without libcurl, curl_global_init fails and curl_easy_strerror names the library and gives the
// loader's reason, which the session raises as its error.

#pragma GCC visibility push(hidden)
#include <curl/curl.h>
#pragma GCC visibility pop

#include "platform/os/SharedLibrary.h"

#include <cstdarg>
#include <string>

#undef curl_easy_setopt
#undef curl_easy_getinfo

// The library's file name. A test build of the loader names one that does not exist, to see the
// failure as a machine without libcurl meets it.
#ifndef VQ_CURL_LIBRARY
#define VQ_CURL_LIBRARY "libcurl.so.4"
#endif

namespace {

struct CurlLibrary {
    vq::SharedLibrary library;
    std::string error; // why it could not be loaded; empty when loaded
    CURLcode (*globalInit)(long) = nullptr;
    const char* (*strerror)(CURLcode) = nullptr;
    CURL* (*init)() = nullptr;
    void (*cleanup)(CURL*) = nullptr;
    void (*reset)(CURL*) = nullptr;
    CURLcode (*setopt)(CURL*, CURLoption, ...) = nullptr;
    CURLcode (*perform)(CURL*) = nullptr;
    CURLcode (*getinfo)(CURL*, CURLINFO, ...) = nullptr;
    curl_slist* (*slistAppend)(curl_slist*, const char*) = nullptr;
    void (*slistFreeAll)(curl_slist*) = nullptr;

    template <typename F> bool Find(F& function, const char* name) {
        function = reinterpret_cast<F>(library.Symbol(name));
        return function != nullptr;
    }

    CurlLibrary() {
        if (!library.Load(VQ_CURL_LIBRARY)) {
            error = "不能加载FTP传输库 " VQ_CURL_LIBRARY ":\n" + library.Error();
            return;
        }
        if (!(Find(globalInit, "curl_global_init") && Find(strerror, "curl_easy_strerror") &&
              Find(init, "curl_easy_init") && Find(cleanup, "curl_easy_cleanup") &&
              Find(reset, "curl_easy_reset") && Find(setopt, "curl_easy_setopt") &&
              Find(perform, "curl_easy_perform") && Find(getinfo, "curl_easy_getinfo") &&
              Find(slistAppend, "curl_slist_append") && Find(slistFreeAll, "curl_slist_free_all")))
            error = "FTP传输库 " VQ_CURL_LIBRARY " 缺少FTP客户端所需的函数。";
    }
    bool Loaded() const { return error.empty(); }
};

// Loaded once, at the first call from any thread.
CurlLibrary& Curl() {
    static CurlLibrary curl;
    return curl;
}

} // namespace

extern "C" {

CURLcode curl_global_init(long flags) {
    return Curl().Loaded() ? Curl().globalInit(flags) : CURLE_FAILED_INIT;
}

const char* curl_easy_strerror(CURLcode code) {
    return Curl().Loaded() ? Curl().strerror(code) : Curl().error.c_str();
}

CURL* curl_easy_init() {
    return Curl().Loaded() ? Curl().init() : nullptr;
}

void curl_easy_cleanup(CURL* curl) {
    if (curl && Curl().Loaded())
        Curl().cleanup(curl);
}

void curl_easy_reset(CURL* curl) {
    if (curl && Curl().Loaded())
        Curl().reset(curl);
}

// The value after the option is a long, a pointer (data, text, list or callback) or a curl_off_t,
// as the option's number says; it is passed on as the type it was given as.
CURLcode curl_easy_setopt(CURL* curl, CURLoption option, ...) {
    if (!curl || !Curl().Loaded())
        return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, option);
    CURLcode code;
    if (option < CURLOPTTYPE_OBJECTPOINT) {
        code = Curl().setopt(curl, option, va_arg(args, long));
    } else if (option < CURLOPTTYPE_FUNCTIONPOINT || option >= CURLOPTTYPE_BLOB) {
        code = Curl().setopt(curl, option, va_arg(args, void*));
    } else if (option < CURLOPTTYPE_OFF_T) {
        code = Curl().setopt(curl, option, va_arg(args, void (*)()));
    } else {
        code = Curl().setopt(curl, option, va_arg(args, curl_off_t));
    }
    va_end(args);
    return code;
}

CURLcode curl_easy_perform(CURL* curl) {
    return curl && Curl().Loaded() ? Curl().perform(curl) : CURLE_FAILED_INIT;
}

// Every item of information is written through the pointer after the item's number.
CURLcode curl_easy_getinfo(CURL* curl, CURLINFO info, ...) {
    if (!curl || !Curl().Loaded())
        return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, info);
    void* target = va_arg(args, void*);
    va_end(args);
    return Curl().getinfo(curl, info, target);
}

curl_slist* curl_slist_append(curl_slist* list, const char* text) {
    return Curl().Loaded() ? Curl().slistAppend(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist* list) {
    if (list && Curl().Loaded())
        Curl().slistFreeAll(list);
}

} // extern "C"
