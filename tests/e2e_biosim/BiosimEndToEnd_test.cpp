// The real biosim binary run headless on worlds made here: start-up failures, the start-up report,
// the dump, scripted input, screenshots, reproducible runs and the program options.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class World {
public:
    World() {
        std::string tmpl = (fs::temp_directory_path() / "biosim_e2e_XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp");
        dir_ = tmpl + "/";
    }
    ~World() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    const std::string& dir() const { return dir_; }
    void write(const std::string& rel, const std::string& content) const {
        fs::create_directories(fs::path(dir_ + rel).parent_path());
        std::ofstream(dir_ + rel, std::ios::binary) << content;
    }
    std::string read(const std::string& rel) const {
        std::ifstream f(dir_ + rel, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    bool exists(const std::string& rel) const { return fs::exists(dir_ + rel); }

    // A runnable world: configuration, codec and system texts, one map (0) listing two tile kinds
    // whose images and DNA sit in the shared graphics folder.
    void standard() const {
        std::string ini;
        for (const auto& [k, v] :
             std::vector<std::pair<std::string, std::string>>{{"SYSTEMTEXT", "CORE/systext.txt"},
                                                              {"CODECS", "CORE/codec.txt"},
                                                              {"GFX", "_DATA/2DGFX/"},
                                                              {"SIMCORE", "MAPS/"},
                                                              {"SOUNDPATH", "SOUNDS/"},
                                                              {"MAXOBJECTS", "100"},
                                                              {"GRIDSIZE", "32"},
                                                              {"MATRIXSIZE", "8"},
                                                              {"SOURCEWIDTH", "1024.0"},
                                                              {"SOURCEHEIGHT", "768.0"},
                                                              {"APPENTRY", "0"},
                                                              {"PATH", "CORE/startup.txt"},
                                                              {"WARNINGS", "CORE/warnings.txt"},
                                                              {"ERRORPATH", "CORE/error.txt"}})
            ini += k + "\r\n" + v + "\r\n";
        write("CORE/ini.crc", ini);
        write("CORE/codec.txt", "GFXCODEC\r\n;\r\n.bmp\r\n;\r\nSOUNDCODEC\r\n;\r\n.ogg\r\n;\r\n");
        write("CORE/systext.txt", "#ERROR_INIT_INIT\r\nstart-up file missing\r\n");
        write("_DATA/2DGFX/grass.bmp", bmp(16, 16));
        write("_DATA/2DGFX/grass.dll", "worldFTileTransparency\r\n255\r\n");
        write("_DATA/2DGFX/wall.bmp", bmp(32, 8));
        write("_DATA/2DGFX/wall.dll", "worldFTileCollision\r\n1\r\nworldFTileTransparency\r\n255\r\n");
        write("MAPS/0/_DATA/2DGFX/grass.bmp", bmp(16, 16));
        write("MAPS/0/_DATA/2DGFX/wall.bmp", bmp(32, 8));
        write("MAPS/0/_", "2\r\n");
        write("MAPS/0/0", "0\r\n0\r\nTILE\r\ngrass\r\n0\r\n10\r\n20\r\n16\r\n16\r\n0\r\n"
                          "TILE\r\nwall\r\n1\r\n100\r\n40\r\n32\r\n8\r\n0\r\nENGINETILEINFOEND\r\n");
    }

    static std::string bmp(int w, int h) {
        const int row = (w * 3 + 3) & ~3;
        std::string o = "BM";
        auto u32 = [&](int v) {
            for (int i = 0; i < 4; ++i) o += static_cast<char>((v >> (8 * i)) & 255);
        };
        auto u16 = [&](int v) {
            o += static_cast<char>(v & 255);
            o += static_cast<char>((v >> 8) & 255);
        };
        u32(54 + row * h), u32(0), u32(54), u32(40), u32(w), u32(h), u16(1), u16(24);
        u32(0), u32(row * h), u32(2835), u32(2835), u32(0), u32(0);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) o += std::string("\x40\x80\xC0", 3);
            o.append(static_cast<std::size_t>(row - w * 3), '\0');
        }
        return o;
    }

private:
    std::string dir_;
};

struct RunResult {
    int code = -1;
    std::string out, err;
};

// Runs biosim in `dir` with `args`; standard output and error are captured.
RunResult biosim(const World& w, const std::string& args) {
    const std::string cmd = "cd '" + w.dir() + "' && SDL_AUDIODRIVER=dummy '" + BIOSIM_EXE + "' " + args +
                            " >'" + w.dir() + ".out' 2>'" + w.dir() + ".err'";
    const int status = std::system(cmd.c_str());
    RunResult r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = w.read(".out");
    r.err = w.read(".err");
    return r;
}

bool contains(const std::string& hay, const std::string& needle) {
    return hay.find(needle) != std::string::npos;
}

} // namespace

TEST(BiosimE2E, MissingConfigurationShowsBothBoxesAndExitsWithZero) {
    World w;
    w.standard();
    fs::remove(w.dir() + "CORE/ini.crc");
    const RunResult r = biosim(w, "--headless --frames 3");
    EXPECT_EQ(r.code, 0);
    const std::size_t first = r.err.find("KORVEX_CORE ERROR:");
    const std::size_t second = r.err.find("KORVEX_CORE INFO");
    ASSERT_NE(first, std::string::npos) << r.err;
    ASSERT_NE(second, std::string::npos) << r.err;
    EXPECT_LT(first, second);
    EXPECT_TRUE(contains(r.err, "Sorry,Dear User: KORVEX has to quit, because of the error"));
    EXPECT_FALSE(contains(r.err, "start-up file missing")); // the texts were not read yet
    EXPECT_FALSE(w.exists("CORE/startup.txt"));
}

TEST(BiosimE2E, MissingSystemTextsShowTheBoxesAfterTheReport) {
    World w;
    w.standard();
    fs::remove(w.dir() + "CORE/systext.txt");
    const RunResult r = biosim(w, "--headless --frames 3");
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(contains(r.err, "KORVEX_CORE ERROR:"));
    EXPECT_TRUE(w.exists("CORE/startup.txt")); // written while reading the configuration
}

TEST(BiosimE2E, HeadlessRunWritesReportDumpAndScreenshot) {
    World w;
    w.standard();
    const RunResult r = biosim(w, "--headless --frames 3 --dump out.json --screenshot shot.png --seed 7");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(w.read("CORE/startup.txt").rfind("ENGINE LOCAL BASE: " + w.dir() + "CORE/\r\n", 0), 0u);
    const std::string dump = w.read("out.json");
    EXPECT_TRUE(contains(dump, "\"framesRun\":3"));
    EXPECT_TRUE(contains(dump, "\"screenOpened\":1"));
    EXPECT_TRUE(contains(dump, "\"desktopWidth\":1024"));
    EXPECT_TRUE(contains(dump, "\"MAXOBJECTS\":100"));
    EXPECT_TRUE(contains(dump, "\"collisionList\""));
    // Map 0 is loaded: its tile kinds in byte order, its two objects, the wall on the collision list.
    EXPECT_TRUE(contains(dump, "\"actualMapId\":0"));
    EXPECT_TRUE(contains(dump, "{\"id\":0,\"name\":\"grass\""));
    EXPECT_TRUE(contains(dump, "{\"id\":1,\"name\":\"wall\""));
    EXPECT_TRUE(contains(dump, "\"ObjectFile\":\"wall\""));
    EXPECT_TRUE(contains(dump, "\"collisionList\":[1]"));
    const std::string png = w.read("shot.png");
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
}

TEST(BiosimE2E, SameSeedAndInputGiveTheSameRun) {
    World w;
    w.standard();
    w.write("keys.txt", "2 56 down\n2 29 down\n2 32 down\n3 32 up\n4 56 up\n4 29 up\n");
    const RunResult a =
        biosim(w, "--headless --frames 12 --seed 99 --tick-ms 20 --input keys.txt --dump a.json");
    const RunResult b =
        biosim(w, "--headless --frames 12 --seed 99 --tick-ms 20 --input keys.txt --dump b.json");
    ASSERT_EQ(a.code, 0) << a.err;
    ASSERT_EQ(b.code, 0) << b.err;
    const std::string da = w.read("a.json");
    EXPECT_FALSE(da.empty());
    EXPECT_EQ(da, w.read("b.json"));
    EXPECT_TRUE(contains(da, "\"debugMode\":1")); // Alt+Ctrl+D from the script
}

TEST(BiosimE2E, ScriptedEscapeWithLeftAltEndsTheRun) {
    World w;
    w.standard();
    w.write("quit.txt", "# hold Escape and left Alt on pass 4\n4 1 down\n4 56 down\n");
    const RunResult r = biosim(w, "--headless --frames 100 --input quit.txt --dump d.json");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(w.read("d.json"), "\"framesRun\":4"));
}

TEST(BiosimE2E, OptionsHelpVersionAndErrors) {
    World w;
    const RunResult help = biosim(w, "--help");
    EXPECT_EQ(help.code, 0);
    for (const char* opt : {"--headless", "--windowed", "--frames", "--screenshot", "--dump", "--input",
                            "--seed", "--tick-ms", "--version"})
        EXPECT_TRUE(contains(help.out, opt)) << opt;
    const RunResult version = biosim(w, "--version");
    EXPECT_EQ(version.code, 0);
    EXPECT_TRUE(contains(version.out, "biosim"));
    EXPECT_EQ(biosim(w, "--frobnicate").code, 2);
    EXPECT_EQ(biosim(w, "--frames").code, 2);
    EXPECT_EQ(biosim(w, "--frames -4").code, 2);
    w.write("bad.txt", "1 dance\n");
    const RunResult bad = biosim(w, "--headless --input bad.txt");
    EXPECT_EQ(bad.code, 2);
    EXPECT_TRUE(contains(bad.err, "line 1"));
    EXPECT_EQ(biosim(w, "--headless --input missing.txt").code, 2);
}

TEST(BiosimE2E, UnwritableDumpIsReportedWithExitCodeThree) {
    World w;
    w.standard();
    const RunResult r = biosim(w, "--headless --frames 1 --dump no/such/folder/d.json");
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(contains(r.err, "cannot write the dump"));
}

// The plain program (full screen, real clock) on an X server: Escape with left Alt closes it.
TEST(BiosimE2E, FullScreenUnderXvfbClosesOnEscapeWithLeftAlt) {
    if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is not installed";
    World w;
    w.standard();
    w.write("quit.txt", "5 1 down\n5 56 down\n");
    const std::string cmd = "cd '" + w.dir() +
                            "' && SDL_AUDIODRIVER=dummy timeout 60 xvfb-run -a -s '-screen 0 800x600x24' '" +
                            BIOSIM_EXE + "' --input quit.txt --dump d.json >'" + w.dir() + ".out' 2>&1";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << w.read(".out");
    const std::string dump = w.read("d.json");
    EXPECT_TRUE(contains(dump, "\"framesRun\":5"));
    EXPECT_TRUE(contains(dump, "\"desktopWidth\":800")) << dump.substr(0, 300);
    EXPECT_TRUE(contains(dump, "\"scrH\":600"));
}
