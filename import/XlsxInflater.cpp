#include "XlsxInflater.h"

namespace vantrel::import {

void XlsxInflater::Run() {
    for (;;) {
        std::string chunk(kChunk, '\0');
        const std::size_t got = part_->Read(chunk.data(), chunk.size());
        if (got == 0) {
            return;
        }
        chunk.resize(got);
        progress_.store(part_->Progress(), std::memory_order_relaxed);
        if (!pipe_.Put(std::move(chunk))) {
            return;  // the reader has gone
        }
    }
}

}  // namespace vantrel::import
