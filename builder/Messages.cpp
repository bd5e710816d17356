// Messages: the builder's numbered message boxes.
#include "builder/Messages.h"

#include "builder/Windows.h"

namespace tarn {

namespace {
constexpr const char* kErrorTitle = "MAP BUILDER ERROR:";
constexpr const char* kAboutText = "A map builder made by the BIOSIM developers\n"
                                   "QUADRAPLAN MAP BUILDER (tarn)\n"
                                   "*ZEMA ENGINE*\n"
                                   "DEVELOPER VERSION";
} // namespace

bool ask(Builder& b, const std::string& title, const std::string& text, plat::Buttons buttons,
         bool safeAnswer) {
    if (b.services.windows == nullptr) return b.dialogs().messageBox(title, text, buttons);
    return b.services.windows->ask(b.dialogs(), title, text, buttons, safeAnswer);
}

bool askOrInform(Builder& b, int code) {
    switch (code) {
    case 107:
        inform(b, "MAP BUILDER MESSAGE:\n", kAboutText);
        break;
    case 112:
        // Staying loses nothing: a question no one answers keeps the editor and its map.
        b.edit.quit = ask(b, "MAP BUILDER: Quit?",
                          "Do you really want to quit\nMAP Builder?\nNot saved MAPs will be lost",
                          plat::Buttons::YesNo, false)
                          ? 1
                          : 0;
        return b.edit.quit == 1;
    case 117:
        return ask(b, kErrorTitle, "START NEW MAP ?", plat::Buttons::YesNo, false);
    default:
        break;
    }
    return false;
}

bool reportError(Builder& b, int code) {
    switch (code) {
    case 100:
        inform(b, kErrorTitle, "Can Not Open Main Window");
        return false;
    case 119:
        inform(b, kErrorTitle, "MAP Builder did not find default DNA\nQUADRAPLAN  will use default DNA");
        return true;
    case 124:
        inform(b, kErrorTitle, "Sorry! Could not save DNA?!?");
        return true;
    default:
        return false;
    }
}

} // namespace tarn
