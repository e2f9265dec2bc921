#pragma once

// What a fuzz target gives the replay besides its entry point: a maker of
// inputs from a seed, registered by the targets that have one.

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

using SampleMaker = QByteArray (*)(quint32 seed);
SampleMaker& sampleMaker();
