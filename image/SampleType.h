#pragma once

// The type in which an image's samples are held in memory: the type of the file, so that a
// byte image costs one byte a sample. Every such value converts to a double exactly.
namespace tavorin {

enum class SampleType : unsigned char {
    Float64,
    Float32,
    UInt8,
    Int8,
    UInt16,
    Int16,
    UInt32,
    Int32,
};

}  // namespace tavorin
