#pragma once

#include <cstddef>

namespace vantrel::intake {

// Where the request parser gets its bytes from: a socket in the service, a
// string in tests.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Reads at least one and at most `size` bytes into `buffer`, waiting
    // until some arrive. Returns 0 at the end of the stream or on a failure;
    // the parser treats both alike.
    virtual std::size_t ReadSome(char* buffer, std::size_t size) = 0;
};

}  // namespace vantrel::intake
