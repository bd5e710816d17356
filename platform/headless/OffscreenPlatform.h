// OffscreenPlatform: a whole platform that shows, plays and fetches nothing, for work that runs the
// engine's readers without a window, a sound card or a network (the content check).
//
// Sprites are decoded from their files so their sizes are real (ImageSizes); drawables, grabs and
// zooms keep sizes only. Sounds load when their file exists and never play. Message boxes answer
// OK (yes), requesters cancel, downloads fail without touching a file. The clock is virtual, the
// random numbers seeded, the input a VirtualInput nobody drives.
// Depends on: platform/Platform.h, platform/Services.h, platform/headless/*.
#pragma once

#include <map>

#include "platform/Platform.h"
#include "platform/Services.h"
#include "platform/headless/ImageSizes.h"
#include "platform/headless/VirtualClock.h"
#include "platform/headless/VirtualInput.h"

namespace plat::headless {

class OffscreenGraphics : public plat::Graphics {
public:
    DesktopInfo desktop() override { return {1024, 768, 32}; }
    bool openScreen(int width, int height, int depth, const std::string& title, ScreenMode mode) override;
    bool screenOpen() const override { return open_; }
    void closeScreen() override { open_ = false; }
    int screenWidth() const override { return open_ ? width_ : 0; }
    int screenHeight() const override { return open_ ? height_ : 0; }
    void setViewport(int, int, int, int) override {}
    void clear(Rgb) override {}
    void begin3D() override {}
    void end3D() override {}
    void flip(int) override {}
    void setQuality(int) override {}
    SpriteId loadSprite(const std::string& path) override;
    bool isSprite(SpriteId id) const override { return sizes_.count(id) != 0; }
    void freeSprite(SpriteId id) override { sizes_.erase(id); }
    int spriteWidth(SpriteId id) const override;
    int spriteHeight(SpriteId id) const override;
    void setTransparentColour(SpriteId, Rgb) override {}
    SpriteId createDrawable(SpriteId source) override;
    void zoomSprite(SpriteId, float, float) override {}
    void rotateSprite(SpriteId, float) override {}
    void setCorners(SpriteId, float, float, float, float, float, float, float, float) override {}
    void setBlend(int, int) override {}
    void drawSprite(SpriteId, float, float, int) override {}
    SpriteId grabSprite(int x, int y, int width, int height, int mode) override;
    void begin2D() override {}
    void end2D() override {}
    void setTextTransparent(bool) override {}
    void fillBox(float, float, float, float, Rgb) override {}
    void outlineBox(float, float, float, float, Rgb) override {}
    void point(float, float, Rgb) override {}
    void text(float, float, const std::string&, Rgb, Rgb) override {}
    int textHeight() const override { return 14; }
    bool saveScreenshot(const std::string&) override { return false; }

private:
    struct Size {
        int w = 0, h = 0;
    };
    SpriteId add(Size s);
    ImageSizes images_;
    std::map<SpriteId, Size> sizes_;
    SpriteId nextId_ = 1;
    bool open_ = false;
    int width_ = 0, height_ = 0;
};

class SilentSound : public plat::Sound {
public:
    SoundId loadSound(const std::string& path) override;
    bool isSound(SoundId id) const override { return id > 0 && id < nextId_ && freed_.count(id) == 0; }
    void playSound(SoundId, bool) override {}
    void stopSound(SoundId) override {}
    void setVolume(SoundId, int) override {}
    bool isPlaying(SoundId) const override { return false; }
    void freeSound(SoundId id) override { freed_[id] = true; }

private:
    SoundId nextId_ = 1;
    std::map<SoundId, bool> freed_;
};

class QuietDialogs : public plat::Dialogs {
public:
    bool messageBox(const std::string&, const std::string&, Buttons) override { return true; }
    std::string folderRequester(const std::string&, const std::string&) override { return {}; }
};

class OfflineNetwork : public plat::Network {
public:
    plat::Fetch fetch(const std::string&, const std::string&, bool) override {
        return plat::Fetch::Unreachable;
    }
    void setLimits(const plat::DownloadLimits&) override {}
};

class OffscreenPlatform : public plat::Platform {
public:
    OffscreenGraphics& graphics() override { return graphics_; }
    VirtualInput& input() override { return input_; }
    SilentSound& sound() override { return sound_; }
    QuietDialogs& dialogs() override { return dialogs_; }
    VirtualClock& clock() override { return clock_; }
    plat::SeededRandom& random() override { return random_; }
    OfflineNetwork& network() override { return network_; }

private:
    OffscreenGraphics graphics_;
    VirtualInput input_;
    SilentSound sound_;
    QuietDialogs dialogs_;
    VirtualClock clock_;
    plat::SeededRandom random_;
    OfflineNetwork network_;
};

} // namespace plat::headless
