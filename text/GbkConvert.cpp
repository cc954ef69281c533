#include "GbkConvert.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace vantrel::text {

namespace {

constexpr char kReplacement[] = "\xef\xbf\xbd";  // U+FFFD

// One descriptor per thread: an iconv descriptor carries state and must not
// be shared between threads.
class GbkDecoder {
  public:
    GbkDecoder() : cd_(iconv_open("UTF-8", "CP936")) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error("iconv cannot convert CP936 to UTF-8");
        }
    }
    ~GbkDecoder() { iconv_close(cd_); }
    GbkDecoder(const GbkDecoder&) = delete;
    GbkDecoder& operator=(const GbkDecoder&) = delete;

    std::string Convert(std::string_view gbk) {
        std::string out;
        out.reserve(gbk.size() + gbk.size() / 2);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(gbk.data());
        std::size_t inLeft = gbk.size();
        char buffer[1024];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            std::size_t rc = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
                // EILSEQ or EINVAL: mark the one offending byte and go on.
                out += kReplacement;
                ++in;
                --inLeft;
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            }
        }
        return out;
    }

  private:
    iconv_t cd_;
};

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
    thread_local GbkDecoder decoder;
    return decoder.Convert(gbk);
}

}  // namespace vantrel::text
