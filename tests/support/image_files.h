// Firmware image files for tests, written into the `files` folder of the
// test's working folder, one byte per line in hexadecimal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A deterministic image of `byteCount` bytes, different for each seed.
std::vector<uint8_t> MakeImage(int32_t byteCount, uint32_t seed = 1);
// Writes files/<name>; the first line carries `firstLineToken` after its
// byte when given.
void WriteImageFile(const std::string& name, const std::vector<uint8_t>& image,
                    const std::string& firstLineToken = "");
void RemoveImageFile(const std::string& name);
