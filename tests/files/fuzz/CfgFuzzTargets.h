#pragma once

#include <cstddef>
#include <cstdint>

// Entry points shared by the libFuzzer targets and the corpus replay test.
// Each feeds one input to the real code and aborts when a property that must
// hold for every input does not.

// The input as the contents of a .cfg file being opened.
int FuzzCfgReader(const std::uint8_t *data, std::size_t size);

// The input as the text put into a row's output-string box.
int FuzzCheckKeyString(const std::uint8_t *data, std::size_t size);
