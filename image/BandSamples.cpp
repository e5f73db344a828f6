#include "image/BandSamples.h"

#include <type_traits>

#include "platform/LargeBuffer.h"

namespace tavorin {

BandSamples BandSamples::Zeroed(SampleType type, std::size_t count) {
    BandSamples samples;
    samples.values_ = [&]() -> Values {
        switch (type) {
            case SampleType::Float64:
                return platform::LargeZeroed<double>(count);
            case SampleType::Float32:
                return platform::LargeZeroed<float>(count);
            case SampleType::UInt8:
                return platform::LargeZeroed<std::uint8_t>(count);
            case SampleType::Int8:
                return platform::LargeZeroed<std::int8_t>(count);
            case SampleType::UInt16:
                return platform::LargeZeroed<std::uint16_t>(count);
            case SampleType::Int16:
                return platform::LargeZeroed<std::int16_t>(count);
            case SampleType::UInt32:
                return platform::LargeZeroed<std::uint32_t>(count);
            case SampleType::Int32:
                return platform::LargeZeroed<std::int32_t>(count);
        }
        return platform::LargeZeroed<double>(count);
    }();
    return samples;
}

std::size_t BandSamples::size() const {
    return Visit([](const auto& values) { return values.size(); });
}

std::size_t BandSamples::bytes() const {
    return Visit([](const auto& values) { return values.size() * sizeof(values[0]); });
}

const void* BandSamples::data() const {
    return Visit([](const auto& values) -> const void* { return values.data(); });
}

void* BandSamples::data() {
    return Visit([](auto& values) -> void* { return values.data(); });
}

double BandSamples::at(std::size_t i) const {
    return Visit([i](const auto& values) { return static_cast<double>(values[i]); });
}

void BandSamples::Shrink(std::size_t count) {
    Visit([count](auto& values) {
        values.resize(count);
        values.shrink_to_fit();
    });
}

std::vector<double> BandSamples::ToDoubles() const {
    return Visit([](const auto& values) {
        if constexpr (std::is_same_v<std::decay_t<decltype(values)>, std::vector<double>>) {
            return values;
        } else {
            std::vector<double> doubles = platform::LargeZeroedDoubles(values.size());
            for (std::size_t i = 0; i < values.size(); ++i) {
                doubles[i] = static_cast<double>(values[i]);
            }
            return doubles;
        }
    });
}

std::size_t SampleBytes(SampleType type) {
    switch (type) {
        case SampleType::Float64:
            return 8;
        case SampleType::Float32:
        case SampleType::UInt32:
        case SampleType::Int32:
            return 4;
        case SampleType::UInt16:
        case SampleType::Int16:
            return 2;
        case SampleType::UInt8:
        case SampleType::Int8:
            return 1;
    }
    return 8;
}

}  // namespace tavorin
