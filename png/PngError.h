// Typed failure of the PNG decoder: malformed or unsupported file content. Raised out
// of LoadPNG::OpenPNG and caught by whoever must go on (start-up, pngdump, tests).
#pragma once

#include <stdexcept>
#include <string>

namespace dirsheet::png {

class PngError : public std::runtime_error {
public:
    enum class Kind { BadData, Truncated, Unsupported, LimitExceeded, NoTarget, FileSystem };

    PngError(Kind kind, const std::string& message)
        : std::runtime_error(message), kind_(kind) {}

    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

}  // namespace dirsheet::png
