// The readers of user files survive any input: random and truncated configuration, codec, system
// text and input script files never crash the start-up or the parser.
#include <gtest/gtest.h>

#include <random>

#include "EngineTestKit.h"
#include "engine/Configuration.h"
#include "engine/InputScript.h"

using namespace engine;

namespace {

std::string noise(std::mt19937& rng, std::size_t maxLen) {
    static const std::string words[] = {"GRIDSIZE",
                                        "MATRIXSIZE",
                                        "MULTITASK",
                                        "APPENTRY",
                                        "MAXOBJECTS",
                                        "GFXCODEC",
                                        "#ERROR_INIT_INIT",
                                        "key",
                                        "down",
                                        "up",
                                        "mouse",
                                        "-",
                                        "999999999999",
                                        "\r",
                                        "\n",
                                        "\r\n",
                                        " ",
                                        "\t",
                                        "300",
                                        "-1"};
    std::string s;
    const std::size_t n = rng() % maxLen;
    while (s.size() < n) {
        if (rng() % 3 == 0) {
            s += static_cast<char>(rng() % 256);
        } else {
            s += words[rng() % std::size(words)];
        }
    }
    return s;
}

} // namespace

TEST(Robustness, RandomConfigurationCodecAndSystemTextFilesStartOrEndCleanly) {
    std::mt19937 rng(1234);
    for (int i = 0; i < 150; ++i) {
        kit::TempDir dir;
        kit::writeWorld(dir);
        // Keep the file names valid so start-up gets past them, then add noise.
        dir.write("CORE/ini.crc", dir.read("CORE/ini.crc") + noise(rng, 400) + "\r\nMAXOBJECTS\r\n" +
                                      std::to_string(rng() % 200) + "\r\n");
        dir.write("CORE/codec.txt", noise(rng, 200));
        dir.write("CORE/systext.txt", noise(rng, 200));
        kit::Harness h;
        h.start(dir.path());
        EXPECT_LE(h.e->matrixSize, 256);
        EXPECT_GE(h.e->multitaskDelayMs, 0);
        EXPECT_GE(h.e->objectTable.size(), 1u);
    }
}

TEST(Robustness, RandomInputScriptsParseOrFailWithALineNumber) {
    std::mt19937 rng(99);
    for (int i = 0; i < 2000; ++i) {
        InputScript s;
        std::string err;
        const std::string text = std::to_string(rng() % 5) + " " + noise(rng, 60);
        if (!s.parse(text, err)) {
            EXPECT_EQ(err.rfind("line ", 0), 0u);
            EXPECT_TRUE(s.events().empty());
        }
    }
}
