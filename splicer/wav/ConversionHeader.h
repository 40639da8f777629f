#pragma once
// The buffers of one conversion call: what the caller hands over and what came out.

#include <cstdint>

struct ConversionHeader {
    const uint8_t* Source = nullptr;
    uint32_t SourceLength = 0; // bytes of Source to convert in the next call
    uint8_t* Destination = nullptr;
    uint32_t DestinationLength = 0;     // capacity of Destination
    uint32_t DestinationLengthUsed = 0; // set by each conversion
    bool Prepared = false;
};
