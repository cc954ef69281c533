#include "QrCode.h"

#include <qrencode.h>

#include <cerrno>
#include <memory>
#include <stdexcept>

#include "GbkLiteral.h"

namespace vantrel::app {

QrCode::QrCode(std::string_view bytes) {
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeData(static_cast<int>(bytes.size()),
                          reinterpret_cast<const unsigned char*>(bytes.data()), 0, QR_ECLEVEL_M),
        &QRcode_free);
    if (!code) {
        throw std::runtime_error(errno == ERANGE ? u8"标签内容太长，二维码容纳不下。"_gbk
                                                 : u8"无法生成二维码。"_gbk);
    }
    width_ = code->width;
    modules_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(width_));
    for (std::size_t i = 0; i < modules_.size(); ++i) {
        // Bit 0 of each byte is the module's colour; the others say what it is.
        modules_[i] = (code->data[i] & 1) != 0;
    }
}

}  // namespace vantrel::app
