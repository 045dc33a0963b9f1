// The fuzz targets' invariants over the committed corpus, so that every build checks them, with or
// without a fuzzer: each merge input also with thousands of other answer scripts (the answers are read
// from the input's end), each parser input also cut short at every byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "FuzzCheck.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

std::vector<std::string> corpus(const std::string& target) {
    std::vector<std::string> inputs;
    for (const auto& f : std::filesystem::directory_iterator(KORVANE_CORPUS_DIR "/" + target)) {
        inputs.push_back(test::readBytes(f.path().string()));
    }
    EXPECT_GE(inputs.size(), 3u);
    return inputs;
}

TEST(FuzzCorpus, MergeInvariantsHoldForEveryAnswerScript) {
    std::mt19937 random(7);
    for (std::string input : corpus("merge")) {
        for (int variant = 0; variant < 1500; ++variant) {
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(input.data());
            ASSERT_NO_THROW(fuzz::checkMerge(bytes, input.size())) << variant;
            std::generate(input.end() - std::min<std::ptrdiff_t>(std::ssize(input), 24), input.end(),
                          [&random] { return static_cast<char>(random()); });
        }
    }
}

TEST(FuzzCorpus, ParserInvariantsHoldForEveryCut) {
    for (const std::string& input : corpus("parser")) {
        for (std::size_t n = 0; n <= input.size(); ++n) {
            ASSERT_NO_THROW(fuzz::checkParser(std::string_view(input).substr(0, n))) << n;
        }
    }
}

}  // namespace
}  // namespace korvane
