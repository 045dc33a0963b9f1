// What the process layer does the same way on every system, over each system's own part.
#include "platform/Process.h"

namespace korvane {

std::string firstLineOf(const std::vector<std::string>& argv) {
    std::string text;
    if (programOutput(argv, text) != 0) {
        return {};
    }
    text = text.substr(0, text.find('\n'));
    while (!text.empty() && text.back() == '\r') {
        text.pop_back();
    }
    return text;
}

}  // namespace korvane
