#include "checksum.h"

namespace tarnvold {

std::uint64_t byte_sum(const std::uint8_t* data, std::size_t count) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum += data[i];
    return sum;
}

}  // namespace tarnvold
