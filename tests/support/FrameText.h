#pragma once
// Logged requests as short readable text, so a test can compare whole batches:
//   "begin", "end", "info", "read@84/56", "light@43=03", "keys@512=FF00FF..."
// Offsets are decimal; data is the request's `length` bytes in hex.

#include <cstdint>
#include <string>
#include <vector>

namespace t44::test {

inline std::vector<uint8_t> frameBytes(const std::string &hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

inline std::string describeRequest(const std::string &hex) {
    const std::vector<uint8_t> f = frameBytes(hex);
    if (f.size() < 8) return "short frame";
    const int command = f[3], length = f[4], offset = f[5] | f[6] << 8;
    auto data = [&] { return hex.substr(16, static_cast<size_t>(length) * 2); };
    switch (command) {
    case 1: return "begin";
    case 2: return "end";
    case 3: return "info";
    case 5: return "read@" + std::to_string(offset) + "/" + std::to_string(length);
    case 6: return "light@" + std::to_string(offset) + "=" + data();
    case 17: return "keys@" + std::to_string(offset) + "=" + data();
    default: return "command " + std::to_string(command) + "@" + std::to_string(offset) + "=" + data();
    }
}

inline std::vector<std::string> describeRequests(const std::vector<std::string> &requests, size_t from = 0) {
    std::vector<std::string> out;
    for (size_t i = from; i < requests.size(); ++i) out.push_back(describeRequest(requests[i]));
    return out;
}

}  // namespace t44::test
