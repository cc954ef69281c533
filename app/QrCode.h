#pragma once
// A QR code of a text, as the square of modules libqrencode makes of it:
// byte mode, error correction level M (15 % of the code may be covered or
// smudged), the smallest version that holds the text.

#include <string_view>
#include <vector>

namespace vantrel::app {

class QrCode {
  public:
    // Encodes the bytes as they are (labels give UTF-8, what phone scanners
    // expect). Throws std::runtime_error (GBK message) when the text is too
    // long for any version or memory runs out.
    explicit QrCode(std::string_view bytes);

    // Modules along one side, without the quiet zone around them.
    int Width() const { return width_; }
    bool Dark(int x, int y) const {
        return modules_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                        static_cast<std::size_t>(x)];
    }

    // Light modules a reader needs on every side.
    static constexpr int kQuietZone = 4;

  private:
    int width_ = 0;
    std::vector<bool> modules_;
};

}  // namespace vantrel::app
