#include "XlsxMergedRangeCache.h"

namespace vantrel::import {

MergedRangeCache& MergedRanges() {
    static MergedRangeCache cache;
    return cache;
}

}  // namespace vantrel::import
